// What the web service requests share: MSXML's server-side HTTP request objects, their answers as
// documents, the services' addresses from the registry, and the window a request may ask the
// user from.
#pragma once

#include "platform/Com.h"

#include <msxml2.h>

#include <string>

class CZmaVadAZBackgroundMapLayer;

extern "C" const CLSID CLSID_ServerXMLHTTP40;
extern "C" const IID IID_IXMLHTTPRequest;
extern "C" const IID IID_IServerXMLHTTPRequest2;

namespace imagery {

constexpr const wchar_t* kSoapEnvelopeNamespace = L"http://schemas.xmlsoap.org/soap/envelope/";

// A new request object of `clsid`; throws ComError when there is none.
platform::ComPtr<IXMLHTTPRequest> CreateHttpRequest(REFCLSID clsid);
// Whether `request` keeps its exchanges within bounds of its own. A request object of the server
// kind that takes a proxy runs on the system's HTTP client, which limits redirects and times out;
// it is given the service requests' time and sends itself. An older one bounds nothing (Wine's
// follows redirects without end and reads answers of any size): its requests go through the
// control's own bounded exchange (HttpExchange.h) instead, the way that object would have sent
// them (the system's proxy settings, no proxy credentials).
bool BoundsItsOwnRequests(IXMLHTTPRequest* request);
// The answer as a document; null when it is none.
platform::ComPtr<IXMLDOMDocument2> ResponseDocument(IXMLHTTPRequest* request);
// A body read by the bounded exchange (UTF-8) as a document; null when it is none.
platform::ComPtr<IXMLDOMDocument2> DocumentOf(const std::string& body);

// The address stored under the control's key as `name`, else `fallback`.
std::wstring ReadServiceAddress(const wchar_t* name, const wchar_t* fallback);

// The map window of the layer's control; null before the control has one.
HWND OwnerWindowOf(CZmaVadAZBackgroundMapLayer& layer);

}  // namespace imagery
