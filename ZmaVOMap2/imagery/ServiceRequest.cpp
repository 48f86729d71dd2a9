#include "ZmaVOMap2/imagery/ServiceRequest.h"

#include "ZmaVOMap2/imagery/HttpExchange.h"
#include "ZmaVOMap2/imagery/ImageryProcess.h"
#include "ZmaVOMap2/imagery/ZmaVadAZBackgroundMapLayer.h"
#include "ZmaVOMap2/layers/LayerHost.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/services/RegistrySettings.h"
#include "platform/Result.h"
#include "platform/UniqueHandle.h"
#include "platform/Xml.h"

extern "C" {
const CLSID CLSID_ServerXMLHTTP40 = {0x88D969C6, 0xF192, 0x11D4, {0xA6, 0x5F, 0x00, 0x40, 0x96, 0x32, 0x51, 0xE5}};
const IID IID_IXMLHTTPRequest = {0xED8C108D, 0x4349, 0x11D2, {0x91, 0xA4, 0x00, 0xC0, 0x4F, 0x79, 0x69, 0xE8}};
const IID IID_IServerXMLHTTPRequest2 = {0x2E01311B, 0xC322, 0x4B0A, {0xBD, 0x77, 0xB9, 0x0C, 0xFD, 0xC8, 0xDC, 0xE7}};
}

using platform::Bstr;
using platform::ComPtr;

namespace imagery {

ComPtr<IXMLHTTPRequest> CreateHttpRequest(REFCLSID clsid) {
    ComPtr<IXMLHTTPRequest> request;
    THROW_IF_FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IXMLHTTPRequest, request.PutVoid()));
    platform::ThrowIfNull(request.Get());
    return request;
}

bool BoundsItsOwnRequests(IXMLHTTPRequest* request) {
    ComPtr<IServerXMLHTTPRequest2> server;
    if (FAILED(request->QueryInterface(IID_IServerXMLHTTPRequest2, server.PutVoid())) || !server) return false;
    const long time = static_cast<long>(kServiceRequestBounds.milliseconds);
    // Resolving, connecting, sending and receiving each; an object that keeps its own is used as it is.
    server->setTimeouts(time, time, time, time);
    return true;
}

ComPtr<IXMLDOMDocument2> DocumentOf(const std::string& body) {
    ComPtr<IXMLDOMDocument2> document = platform::CreateXmlDocument();
    VARIANT_BOOL loaded = VARIANT_FALSE;
    if (FAILED(document->loadXML(Bstr(platform::ToWide(body, CP_UTF8)).Get(), &loaded)) || !loaded)
        return ComPtr<IXMLDOMDocument2>();
    return document;
}

ComPtr<IXMLDOMDocument2> ResponseDocument(IXMLHTTPRequest* request) {
    ComPtr<IDispatch> answer;
    ComPtr<IXMLDOMDocument2> document;
    if (FAILED(request->get_responseXML(answer.Put())) || !answer ||
        FAILED(answer->QueryInterface(IID_IXMLDOMDocument2, document.PutVoid())))
        return ComPtr<IXMLDOMDocument2>();
    return document;
}

std::wstring ReadServiceAddress(const wchar_t* name, const wchar_t* fallback) {
    std::wstring address = fallback;
    platform::UniqueHKey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, RegistrySettings::kRootKey, 0, KEY_READ, key.Put()) == ERROR_SUCCESS)
        ReadAddressSetting(key.Get(), name, address);
    return address;
}

HWND OwnerWindowOf(CZmaVadAZBackgroundMapLayer& layer) {
    CZmaVadAZLayerCollection* owner = layer.GetOwner();
    return owner ? owner->Host().EngineWindow() : nullptr;
}

}  // namespace imagery
