// The GDI pen of a line renderer, selected into the device context for the whole pass: a pass
// draws thousands of lines mostly of one colour, so the pen is made again and selected only when
// the colour or width changes. The device context gets its previous pen back at the end.
#pragma once

#include "platform/UniqueHandle.h"

#include <windows.h>

class LinePen {
public:
    LinePen() = default;
    LinePen(const LinePen&) = delete;
    LinePen& operator=(const LinePen&) = delete;
    ~LinePen() {
        if (dc_ && previous_ && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
    }

    void Select(HDC dc, COLORREF colour, int width) {
        if (pen_ && dc == dc_ && colour == colour_ && width == width_) return;
        platform::UniqueHPen made(::CreatePen(PS_SOLID, width, colour));
        HGDIOBJ old = ::SelectObject(dc, made.Get());
        if (!dc_) {
            dc_ = dc;
            previous_ = old;
        }
        pen_ = std::move(made);  // the pen it replaces is out of the device context by now
        colour_ = colour;
        width_ = width;
    }

private:
    HDC dc_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    platform::UniqueHPen pen_;
    COLORREF colour_ = 0;
    int width_ = -1;
};
