#include "ZmaVOMap2/imagery/ImageryWebServices.h"

#include "ZmaVOMap2/imagery/HttpExchange.h"
#include "ZmaVOMap2/imagery/ImageryLog.h"
#include "ZmaVOMap2/imagery/ServiceRequest.h"
#include "ZmaVOMap2/imagery/TileAddress.h"
#include "platform/Result.h"

#include <wininet.h>

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace imagery {

const char* const kTokenAccountId = "482917";
const char* const kTokenPassword = "Hx3rtM9bo0Qy!";
const wchar_t* const kMetadataKey = L"Tq8sLmR2vXw7NpZ4kYb1HcJ6dFg3QeW9uVa5oPi0tSn_rGhEy2MxKcDl8BfUjO4z";
const wchar_t* const kTokenServiceNamespace = L"http://s.imagery.zemro.net/mappoint-30/";
const wchar_t* const kMetadataNamespace = L"http://schemas.imagery.zemro.net/search/local/ws/rest/v1";

namespace {

constexpr int kInfo = platform::kLogLevelInfo;
constexpr int kError = platform::kLogLevelError;
constexpr const wchar_t* kDefaultTokenService = L"http://common.imagery.zemro.net/find-30/common.asmx";

// Wine keeps a process proxy but never uses it, and setting one a second time frees memory it never
// allocated: there the process proxy is left alone.
bool HonoursProcessProxy() {
    static const bool wine = ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return !wine;
}

// Client addresses are dotted numbers, but the body is XML all the same.
std::string XmlEscaped(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

// The token request's argument element, named so by the token service's schema.
const char kTokenRequestArgument[] = "ns1:specification";

// One line, with tabs before the inner tags.
std::string TokenRequestBody(const std::string& clientAddress, int minutes) {
    const std::string ns = platform::ToAnsi(kTokenServiceNamespace);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"" + platform::ToAnsi(kSoapEnvelopeNamespace) +
           "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
           " xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" xmlns:ns1=\"" + ns + "\">"
           "\t<SOAP-ENV:Body>"
           "\t\t<ns1:GetClientToken>"
           "\t\t\t<" + std::string(kTokenRequestArgument) + " xsi:type=\"ns1:TokenSpecification\">"
           "\t\t\t\t<ns1:ClientIPAddress>" + XmlEscaped(clientAddress) + "</ns1:ClientIPAddress>"
           "\t\t\t\t<ns1:TokenValidityDurationMinutes>" + std::to_string(minutes) + "</ns1:TokenValidityDurationMinutes>"
           "\t\t\t</" + kTokenRequestArgument + ">"
           "\t\t</ns1:GetClientToken>"
           "\t</SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

// The token of a 200 answer: the result element in the service's namespace, as SOAP services
// answer, or in none; empty when there is none.
std::string TokenOf(IXMLDOMDocument2* document) {
    if (!document) return std::string();
    THROW_IF_FAILED(document->setProperty(
        Bstr(L"SelectionNamespaces").Get(),
        Variant(L"xmlns:soap=\"" + std::wstring(kSoapEnvelopeNamespace) + L"\" xmlns:ns1=\"" + kTokenServiceNamespace + L"\"")));
    ComPtr<IXMLDOMNodeList> nodes;
    THROW_IF_FAILED(document->selectNodes(Bstr(L"soap:Envelope/soap:Body/ns1:GetClientTokenResponse/ns1:GetClientTokenResult"
                                               L" | soap:Envelope/soap:Body/GetClientTokenResponse/GetClientTokenResult")
                                              .Get(),
                                          nodes.Put()));
    ComPtr<IXMLDOMNode> first;
    if (!nodes || FAILED(nodes->get_item(0, first.Put())) || !first) return std::string();
    Bstr text;
    THROW_IF_FAILED(first->get_text(text.Put()));
    return text.Ansi();
}

}  // namespace

std::wstring RequestClientToken(const std::string& accountId, const std::string& password,
                                const std::string& clientAddress, int minutes) {
    KeepOutOfLog(platform::ToWide(password));
    std::string token;
    try {
        const std::string body = TokenRequestBody(clientAddress, minutes);
        // The account goes only to the token service's own origin: the control's exchange follows
        // redirects itself and keeps it from any other, where a request object that follows them
        // on its own would hand it to whichever server asks.
        HttpRequest exchange;
        exchange.method = L"POST";
        exchange.address = ReadServiceAddress(L"BackgroundMapTokenService", kDefaultTokenService);
        exchange.headers = {{L"SOAPAction", std::wstring(kTokenServiceNamespace) + L"GetClientToken"},
                            {L"Content-Type", L"text/xml; charset=utf-8"},
                            {L"Content-Length", std::to_wstring(body.size())}};
        exchange.body = body;
        exchange.user = platform::ToWide(accountId);
        exchange.password = platform::ToWide(password);
        Log(kInfo, "Sending request." + body);
        HttpAnswer received;
        THROW_IF_FAILED(SendHttpRequest(exchange, kServiceRequestBounds, received));
        const long status = received.status;
        Log(kInfo, "Response Received .Received status = " + std::to_string(status));
        if (status == 200) token = TokenOf(DocumentOf(received.body).Get());
    } CATCH_REPORT([&token](const platform::ComError* e) {
        token.clear();
        Log(kError, "Error retrieving the token from bing server. " +
                        (e ? LoggedText(platform::ToAnsi(e->Description())) : std::string("Unhandled Exception")));
    });
    // The token goes into every tile address: one that would write lines into a request is none.
    if (HoldsControlCharacter(platform::ToWide(token))) {
        token.clear();
        Log(kError, "The token service answered a token holding a control character: it is refused");
    }
    KeepOutOfLog(platform::ToWide(token));
    // The token is a credential: the log tells only whether one came.
    Log(kInfo, "Bing token is '" + HiddenCredential(token) + "'");
    return platform::ToWide(token);
}

bool SetProxy(std::string& text) {
    const ProcessState& process = Process();
    if (process.proxyAddress.empty()) return false;
    text = process.proxyAddress;
    if (!process.proxyPort.empty()) text += ":" + process.proxyPort;
    if (!HonoursProcessProxy()) return true;
    // The narrow function reads narrow text, whatever the build's character type.
    INTERNET_PROXY_INFO info = {INTERNET_OPEN_TYPE_PROXY, reinterpret_cast<LPCTSTR>(text.c_str()), nullptr};
    if (!::InternetSetOptionA(nullptr, INTERNET_OPTION_PROXY, &info, sizeof info)) Log(kError, "Failed to set proxy");
    return true;
}

std::wstring WebImageryServices::RequestClientToken(const std::string& clientAddress, int minutes) {
    return imagery::RequestClientToken(kTokenAccountId, kTokenPassword, clientAddress, minutes);
}

MetadataAnswer WebImageryServices::LoadMetaImageURLAndSubDomains(CZmaVadAZBackgroundMapLayer& layer) {
    return imagery::LoadMetaImageURLAndSubDomains(layer, OwnerWindowOf(layer));
}

WebImageryServices& WebServices() {
    static WebImageryServices services;
    return services;
}

}  // namespace imagery
