// What the web service requests share: MSXML's server-side HTTP request objects, their answers as
// documents, the services' addresses from the registry, and the window a request may ask the
// user from.
#pragma once

#include "platform/Com.h"

#include <msxml2.h>

#include <string>

class CZmaVadAZBackgroundMapLayer;

extern "C" const CLSID CLSID_ServerXMLHTTP40;
extern "C" const CLSID CLSID_ServerXMLHTTP60;
extern "C" const IID IID_IXMLHTTPRequest;
extern "C" const IID IID_IServerXMLHTTPRequest2;

namespace imagery {

constexpr const wchar_t* kSoapEnvelopeNamespace = L"http://schemas.xmlsoap.org/soap/envelope/";

// A new request object of `clsid`; throws ComError when there is none.
platform::ComPtr<IXMLHTTPRequest> CreateHttpRequest(REFCLSID clsid);
// The answer as a document; null when it is none.
platform::ComPtr<IXMLDOMDocument2> ResponseDocument(IXMLHTTPRequest* request);

// The address stored under the control's key as `name`, else `fallback`.
std::wstring ReadServiceAddress(const wchar_t* name, const wchar_t* fallback);

// The map window of the layer's control; null before the control has one.
HWND OwnerWindowOf(CZmaVadAZBackgroundMapLayer& layer);

}  // namespace imagery
