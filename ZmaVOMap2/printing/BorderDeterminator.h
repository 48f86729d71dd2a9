// Whether printed and drawn maps are framed by a border: the DWORD value "MapBorder" under
// HKEY_CURRENT_USER "Software\Zemro\Terravex\MapPrinting". A missing value means a border.
#pragma once

#include "platform/UniqueHandle.h"

class CBorderDeterminator {
public:
    // Opens or creates the key; without it every read answers "border on" and writes do nothing.
    CBorderDeterminator();
    bool GetMapBorder() const;
    void SetMapBorder(DWORD value);

private:
    platform::UniqueHKey key_;
};
