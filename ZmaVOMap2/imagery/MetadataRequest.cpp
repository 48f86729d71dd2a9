// The imagery metadata request of key mode: the tile address template and subdomains of the
// layer's imagery type, through the process's proxy server when one is set.
#include "ZmaVOMap2/imagery/DownloadStatusCallback.h"
#include "ZmaVOMap2/imagery/HostAddress.h"
#include "ZmaVOMap2/imagery/HttpExchange.h"
#include "ZmaVOMap2/imagery/ImageryLog.h"
#include "ZmaVOMap2/imagery/ImageryWebServices.h"
#include "ZmaVOMap2/imagery/ServiceRequest.h"
#include "ZmaVOMap2/imagery/TileAddress.h"
#include "ZmaVOMap2/imagery/ZmaVadAZBackgroundMapLayer.h"
#include "platform/Result.h"

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace imagery {

namespace {

constexpr int kInfo = platform::kLogLevelInfo;
constexpr int kError = platform::kLogLevelError;
constexpr const wchar_t* kDefaultMetadataService = L"http://dev.imagery.zemro.net/REST/v1/Imagery/Metadata/";
constexpr const wchar_t* kImageryTypeNames[] = {L"Road", L"Aerial", L"AerialWithLabels"};
constexpr const wchar_t* kMetadataPath = L"./rss:ResourceSets/rss:ResourceSet/rss:Resources/rss:ImageryMetadata/";
constexpr const wchar_t* kCulturePart = L"&mkt={culture}";
constexpr const wchar_t* kCulturePlace = L"{culture}";

const long kStatusOk = 200, kStatusProxyAuthenticationRequired = 407;

std::wstring TextOf(IXMLDOMNode* node) {
    Bstr text;
    THROW_IF_FAILED(node->get_text(text.Put()));
    return text.Wide();
}

// The template and subdomains of a 200 answer, stored in the layer.
bool ParseMetadata(IXMLDOMDocument2* answer, CZmaVadAZBackgroundMapLayer& layer) {
    ComPtr<IXMLDOMDocument2> document = platform::ThrowIfNull(answer);
    // MSXML reads the declarations as attributes; Wine's refuses blanks around the equals sign.
    THROW_IF_FAILED(document->setProperty(Bstr(L"SelectionNamespaces").Get(),
                                          Variant(L"xmlns:rss=\"" + std::wstring(kMetadataNamespace) +
                                                  L"\" xmlns:soap=\"" + kSoapEnvelopeNamespace + L"\"")));
    ComPtr<IXMLDOMNode> response;
    THROW_IF_FAILED(document->selectSingleNode(Bstr(L"rss:Response").Get(), response.Put()));
    platform::ThrowIfNull(response.Get());

    ComPtr<IXMLDOMNode> imageUrl;
    THROW_IF_FAILED(response->selectSingleNode(Bstr(std::wstring(kMetadataPath) + L"rss:ImageUrl").Get(), imageUrl.Put()));
    if (imageUrl) {
        // Every tile address is made from the template: one that would write lines into a
        // request builds none.
        const std::wstring received = TextOf(imageUrl.Get());
        if (HoldsControlCharacter(received)) {
            Log(kError, "Refused Meta URL holding a control character : " + LoggedAddress(received));
            return false;
        }
        layer.SetTileAddressTemplate(received);
        Log(kInfo, "Received Meta URL : " + LoggedAddress(received));
    }
    std::wstring addressTemplate = layer.GetTileAddressTemplate();
    if (addressTemplate.empty()) {
        Log(kError, "Failed to get Meta Image URL. MetaImageUrl is empty");
        return false;
    }

    std::vector<std::wstring> subdomains;
    if (HasSubdomainPlace(addressTemplate)) {
        ComPtr<IXMLDOMNodeList> nodes;
        THROW_IF_FAILED(response->selectNodes(
            Bstr(std::wstring(kMetadataPath) + L"rss:ImageUrlSubdomains/rss:string").Get(), nodes.Put()));
        long count = 0;
        if (nodes) THROW_IF_FAILED(nodes->get_length(&count));
        for (long i = 0; i < count; ++i) {
            ComPtr<IXMLDOMNode> node;
            THROW_IF_FAILED(nodes->get_item(i, node.Put()));
            if (!node) continue;
            const std::wstring subdomain = TextOf(node.Get());
            if (!HoldsControlCharacter(subdomain))
                subdomains.push_back(subdomain);
            else
                Log(kError, "Refused subdomain holding a control character : " +
                                LoggedText(platform::ToAnsi(subdomain)));
        }
        if (subdomains.empty()) {
            layer.SetSubdomains({});
            Log(kError, "Failed to get Meta Image URL. Subdomains are empty");
            return false;
        }
    }
    layer.SetSubdomains(std::move(subdomains));

    const size_t culture = addressTemplate.find(kCulturePart);
    if (culture != std::wstring::npos) {
        if (layer.GetCulture().empty()) {
            addressTemplate.erase(culture, wcslen(kCulturePart));
            Log(kInfo, "Removing culture string");
        } else {
            Log(kInfo, L"Replacing culture string with " + layer.GetCulture());
            addressTemplate.replace(culture + wcslen(L"&mkt="), wcslen(kCulturePlace), layer.GetCulture());
        }
        layer.SetTileAddressTemplate(addressTemplate);
    }
    return true;
}

// One attempt: a new request object, through the proxy when one is set, with the held proxy
// credentials when `withCredentials` (`sent` tells which). False (logged) when no credentials
// could be had.
// `takesProxy` tells whether the object takes a proxy and proxy credentials; an object that does
// not also bounds nothing, and the control's own bounded exchange sends the request for it.
// `throughProxy` tells whether the object was given the proxy of the settings.
bool SendMetadataRequest(const std::wstring& address, bool withCredentials, HWND owner, long& status,
                         ComPtr<IXMLDOMDocument2>& answer, bool& takesProxy, bool& throughProxy,
                         ProxyCredentials& sent) {
    ComPtr<IXMLHTTPRequest> request = CreateHttpRequest(CLSID_ServerXMLHTTP40);
    // Older request objects cannot be given a proxy; they go the way the system's settings say.
    ComPtr<IServerXMLHTTPRequest2> proxied;
    if (BoundsItsOwnRequests(request.Get())) request->QueryInterface(IID_IServerXMLHTTPRequest2, proxied.PutVoid());
    takesProxy = static_cast<bool>(proxied);
    std::string proxy;
    throughProxy = false;
    if (SetProxy(proxy)) {
        Log(kInfo, "Proxy information retrieved. Setting proxy details for SOAP request.");
        if (proxied) {
            THROW_IF_FAILED(proxied->setProxy(SXH_PROXY_SET_PROXY, Variant(platform::ToWide(proxy)), Variant()));
            throughProxy = true;
        } else {
            Log(kError, "This request object cannot use a proxy server: the request goes without it");
        }
    }
    if (!proxied) {
        HttpRequest exchange;
        exchange.method = L"POST";
        exchange.address = address;
        HttpAnswer body;
        THROW_IF_FAILED(SendHttpRequest(exchange, kServiceRequestBounds, body));
        status = body.status;
        Log(kInfo, "Meta data received . Status code = " + std::to_string(status));
        if (status == kStatusOk) answer = DocumentOf(body.body);
        return true;
    }
    THROW_IF_FAILED(request->open(Bstr(L"POST").Get(), Bstr(address).Get(), Variant(false), Variant(), Variant()));
    if (withCredentials) {
        Log(kInfo, "Getting user credentials");
        CDownloadStatusCallback& callback = DownloadStatusCallback();
        if (!callback.GetCredentials(owner)) {
            Log(kError, owner ? "Proxy credentials cancelled. returing...."
                              : "Proxy credentials cannot be asked for without a map window. returing....");
            return false;
        }
        Log(kInfo, "Setting proxy credentials");
        sent = callback.Held();
        THROW_IF_FAILED(proxied->setProxyCredentials(Bstr(sent.user).Get(), Bstr(sent.password).Get()));
    }
    THROW_IF_FAILED(request->send(Variant()));
    THROW_IF_FAILED(request->get_status(&status));
    Log(kInfo, "Meta data received . Status code = " + std::to_string(status));
    if (status == kStatusOk) answer = ResponseDocument(request.Get());
    return true;
}

}  // namespace

MetadataAnswer LoadMetaImageURLAndSubDomains(CZmaVadAZBackgroundMapLayer& layer, HWND owner) {
    Log(kInfo, "LoadMetaImageURLAndSubDomains() called");
    const int type = layer.GetImageryType();
    if (type < kRoad || type > kAerialWithLabels) return MetadataAnswer::kLoaded;
    const std::wstring address = ReadServiceAddress(L"BackgroundMapMetadataService", kDefaultMetadataService) +
                                 kImageryTypeNames[type] + L"?output=xml&key=" + kMetadataKey;
    // The key is a credential: logged addresses leave it out.
    KeepOutOfLog(kMetadataKey);
    const std::string logged = LoggedAddress(address);
    try {
        bool withCredentials = false;
        ProxyCredentials sent;
        for (int attempt = 1;; ++attempt) {
            ComPtr<IXMLDOMDocument2> answer;
            long status = 0;
            bool takesProxy = false, throughProxy = false;
            // No credentials came: the user cancelled, or no window could ask for them.
            if (!SendMetadataRequest(address, withCredentials, owner, status, answer, takesProxy, throughProxy, sent))
                return owner ? MetadataAnswer::kFailed : MetadataAnswer::kNoWindow;
            if (status == kStatusOk) {
                LogHostIPAddress(logged, false);
                return ParseMetadata(answer.Get(), layer) ? MetadataAnswer::kLoaded : MetadataAnswer::kFailed;
            }
            if (status != kStatusProxyAuthenticationRequired) {
                Log(kError, "Soap Call failed . Status code = " + std::to_string(status));
                LogHostIPAddress(logged, true);
                return MetadataAnswer::kFailed;
            }
            // A user who cannot give the proxy what it wants is not asked without end, nor asked
            // for credentials the request object cannot hand on.
            if (!takesProxy) {
                Log(kError, "The proxy server wants credentials that this request object cannot give it");
                LogHostIPAddress(logged, true);
                return MetadataAnswer::kFailed;
            }
            // The user's proxy credentials go to the proxy of the settings alone: a server asking
            // for them gets none, and nobody is asked.
            if (!throughProxy) {
                Log(kError,
                    "A server reached without a proxy asks for proxy credentials: none are sent. URL = " + logged);
                LogHostIPAddress(logged, true);
                return MetadataAnswer::kFailed;
            }
            // Credentials the proxy refused are sent by no request again: the next one asks anew.
            if (withCredentials) DownloadStatusCallback().ProxyRefused(sent);
            if (attempt == kMaxProxyAttempts) {
                Log(kError, "The proxy server refused the credentials " + std::to_string(attempt - 1) +
                                " times. Giving up the request for map imagery.");
                LogHostIPAddress(logged, true);
                return MetadataAnswer::kFailed;
            }
            withCredentials = true;
        }
    } CATCH_REPORT([&logged](const platform::ComError* e) {
        LogHostIPAddress(logged, true);
        if (e)
            Log(kError, "Error retrieving the key data from bing server. " +
                            LoggedText(platform::ToAnsi(e->Description())));
        else Log(kInfo, "unhandled exception while getting GetMetaURL");
    });
    return MetadataAnswer::kFailed;
}

}  // namespace imagery
