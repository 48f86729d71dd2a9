#include "samples/host/XmlSettingsFile.h"

#include "samples/host/AutomationCall.h"

#include "platform/Com.h"
#include "platform/Result.h"

#include <msxml2.h>

namespace samplehost {

using platform::Bstr;
using platform::ComError;
using platform::ComPtr;
using platform::Variant;

namespace {

// DISPIDs of the control's settings methods.
constexpr DISPID kSaveToXml = 0x0d;
constexpr DISPID kLoadFromXml = 0x0e;

ComPtr<IXMLDOMDocument> NewDocument() {
    CLSID clsid = {};
    HRESULT hr = ::CLSIDFromProgID(L"Msxml2.DOMDocument.4.0", &clsid);
    if (FAILED(hr)) throw ComError(hr, L"MSXML 4 is not registered");
    ComPtr<IXMLDOMDocument> document;
    THROW_IF_FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument, document.PutVoid()));
    return document;
}

}  // namespace

void SaveSettingsDocument(IDispatch* control, const std::wstring& path) {
    ComPtr<IXMLDOMDocument> document = NewDocument();
    ComPtr<IXMLDOMElement> root;
    THROW_IF_FAILED(document->createElement(Bstr(kSettingsRootElement).Get(), root.Put()));
    ComPtr<IXMLDOMNode> appended;
    THROW_IF_FAILED(document->appendChild(root.Get(), appended.Put()));
    InvokeMethod(control, kSaveToXml, {Variant(static_cast<IDispatch*>(root.Get()))});
    Variant target(path);
    THROW_IF_FAILED(document->save(target));
}

void LoadSettingsDocument(IDispatch* control, const std::wstring& path) {
    ComPtr<IXMLDOMDocument> document = NewDocument();
    VARIANT_BOOL loaded = VARIANT_FALSE;
    THROW_IF_FAILED(document->put_async(VARIANT_FALSE));
    HRESULT hr = document->load(Variant(path), &loaded);
    if (FAILED(hr) || loaded != VARIANT_TRUE) throw ComError(FAILED(hr) ? hr : E_FAIL, L"cannot load " + path);
    ComPtr<IXMLDOMElement> root;
    THROW_IF_FAILED(document->get_documentElement(root.Put()));
    if (!root) throw ComError(E_FAIL, path + L" has no root element");
    InvokeMethod(control, kLoadFromXml, {Variant(static_cast<IDispatch*>(root.Get()))});
}

}  // namespace samplehost
