// The imagery provider's web services, as the installed ImageryServices of the process: the
// client-token service (SOAP) for token mode, and the imagery metadata service (REST) that hands
// key mode its tile address template and subdomains. Their addresses are configuration, under
// the control's registry key like the tile servers: "BackgroundMapTokenService" (the token
// service's whole address) and "BackgroundMapMetadataService" (the metadata address up to the
// imagery type).
//
// A metadata request goes through the process's proxy server when one is set, and answers the
// proxy's demand for credentials (407) by asking the user once, through the process's download
// status callback; it gives up after a few refused attempts. Neither request waits without end:
// each keeps to the bounds of a service request (HttpExchange.h), or, for a metadata request, to
// the request object's own where it has them (ServiceRequest.h). The token request always goes
// through the control's own exchange, which keeps the account to the token service's origin.
#pragma once

#include "ZmaVOMap2/imagery/ImageryProcess.h"

#include <windows.h>

#include <string>

namespace imagery {

// The compiled-in account of the token service and key of the metadata service.
extern const char* const kTokenAccountId;
extern const char* const kTokenPassword;
extern const wchar_t* const kMetadataKey;
// The namespaces of the token service and of the metadata answer.
extern const wchar_t* const kTokenServiceNamespace;
extern const wchar_t* const kMetadataNamespace;
// A request refused by the proxy this many times in a row is given up.
constexpr int kMaxProxyAttempts = 3;

// The client token for `clientAddress`, valid for `minutes`, asked with the account as HTTP
// credentials; empty on any failure (which is logged).
std::wstring RequestClientToken(const std::string& accountId, const std::string& password,
                                const std::string& clientAddress, int minutes);

// The proxy text ("address" or "address:port") of the process's proxy server, also made the
// process's proxy for the URL downloads; false, with `text` untouched, when none is set.
bool SetProxy(std::string& text);

// Asks the metadata service for the layer's imagery type and stores the template (its culture
// part resolved) and the subdomains in the layer. A proxy's demand for credentials is answered
// with a dialog owned by `owner`; without an owner nobody is asked, and unless the process holds
// credentials the answer is kNoWindow. kFailed when nothing usable came otherwise (the reason is
// logged); an imagery type outside 0 to 2 answers kLoaded without a request.
MetadataAnswer LoadMetaImageURLAndSubDomains(CZmaVadAZBackgroundMapLayer& layer, HWND owner);

// The services above, as the layers use them.
class WebImageryServices : public ImageryServices {
public:
    std::wstring RequestClientToken(const std::string& clientAddress, int minutes) override;
    MetadataAnswer LoadMetaImageURLAndSubDomains(CZmaVadAZBackgroundMapLayer& layer) override;
};
WebImageryServices& WebServices();

}  // namespace imagery
