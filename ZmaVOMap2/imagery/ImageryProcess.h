// What all imagery layers of the process share: the client token, the proxy server, whether
// imagery is enabled, and the web services that hand out tokens and tile address templates.
// Touched on the user-interface thread only.
#pragma once

#include <windows.h>

#include <string>

class CZmaVadAZBackgroundMapLayer;

namespace imagery {

struct ProcessState {
    std::wstring clientToken;  // appended to token-mode tile addresses when not empty
    std::string proxyAddress, proxyPort;
    bool proxySettingsRead = false;  // the first loaded layer's proxy attributes were taken
    short imageryEnabled = -1;       // -1 enabled and not yet set, 1 enabled, 0 disabled
    bool downloadThreadRunning = false;  // tiles not in the cache can be queued for it
};
ProcessState& Process();

// What asking for a layer's tile address template came to.
enum class MetadataAnswer {
    kLoaded,    // the template and subdomains are in the layer
    kFailed,    // they could not be had, and asking again would fare no better
    kNoWindow,  // a proxy wants credentials that nobody was asked for, as the map had no window
};

// The imagery provider's web services: a client token for token mode, and the tile address
// template with its subdomains for key mode. Until an implementation is installed there are
// none: token mode draws without a token and key mode has no template, so it draws nothing.
class ImageryServices {
public:
    // The token for `clientAddress`, valid for `minutes`; empty when none came.
    virtual std::wstring RequestClientToken(const std::string& clientAddress, int minutes) = 0;
    // Stores the template and subdomains of the layer's imagery type in the layer.
    virtual MetadataAnswer LoadMetaImageURLAndSubDomains(CZmaVadAZBackgroundMapLayer& layer) = 0;

protected:
    ~ImageryServices() = default;
};
// Null uninstalls; the caller keeps the object alive while it is installed. The provider's web
// services (ImageryWebServices.h) are installed from the start.
void SetImageryServices(ImageryServices* services) noexcept;
ImageryServices* Services() noexcept;

// Why a proxy server's address or port cannot be used, for the user; empty when it can. The
// address holds no control character (which would write lines into a request), and the port is
// empty (the protocol's own) or a whole number from 1 to 65535.
std::wstring ProxyAddressFault(const std::wstring& address);
std::wstring ProxyPortFault(const std::wstring& port);

// A service or tile server address stored as REG_SZ `name` under `key`; false, with `value`
// untouched, when there is none or it holds a control character (which is logged).
bool ReadAddressSetting(HKEY key, const wchar_t* name, std::wstring& value);

}  // namespace imagery
