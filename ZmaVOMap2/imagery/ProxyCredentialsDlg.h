// "Proxy Authentication": asks for the user name and password a proxy server demands, with the
// logged-on user's name filled in.
#pragma once

#include "platform/Window.h"

#include <string>

namespace imagery {

class CProxyCredentialsDlg : public platform::Dialog {
public:
    CProxyCredentialsDlg();

    // What OK took from the edits.
    const std::string& UserName() const noexcept { return user_; }
    const std::string& Password() const noexcept { return password_; }

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

private:
    std::string user_, password_;
};

}  // namespace imagery
