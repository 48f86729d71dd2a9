// A map's settings as the control saves them, the imagery layer's element among them, and the
// settings handed back to a new control through its stream.
#pragma once

#include "tests/control/ControlFixture.h"

#include "platform/Xml.h"

namespace imagerytest {

inline platform::ComPtr<IXMLDOMElement> SaveSettings(IZmaVadAZ2* control) {
    platform::ComPtr<IXMLDOMDocument2> document = platform::CreateXmlDocument();
    platform::ComPtr<IXMLDOMElement> node = platform::CreateChildElement(document.Get(), L"project");
    EXPECT_EQ(control->SaveToXML(node.Get()), S_OK);
    return node;
}

inline platform::ComPtr<IXMLDOMElement> ImageryElement(IXMLDOMElement* project) {
    platform::ComPtr<IXMLDOMNode> found;
    project->selectSingleNode(platform::Bstr(L"mapsettings/layers/Layer[@layertype='15']").Get(), found.Put());
    platform::ComPtr<IXMLDOMElement> element;
    if (found) found->QueryInterface(IID_IXMLDOMElement, element.PutVoid());
    return element;
}

// The "mapsettings" element as the control's stream holds it.
inline platform::ComPtr<IStream> StreamOf(IXMLDOMElement* project) {
    platform::ComPtr<IXMLDOMNode> settings;
    project->selectSingleNode(platform::Bstr(L"mapsettings").Get(), settings.Put());
    platform::Bstr text;
    settings->get_xml(text.Put());
    const DWORD bytes = static_cast<DWORD>(text.Wide().size() * sizeof(wchar_t) + 2);
    platform::ComPtr<IStream> stream;
    EXPECT_EQ(::CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()), S_OK);
    stream->Write(&bytes, sizeof bytes, nullptr);
    stream->Write(text.Get(), bytes, nullptr);
    LARGE_INTEGER start = {};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    return stream;
}

// A new control that loaded its settings from `stream`.
inline platform::ComPtr<IUnknown> LoadedMap(IStream* stream) {
    platform::ComPtr<IUnknown> map;
    EXPECT_EQ(controltest::CreateControl(map), S_OK);
    EXPECT_EQ(controltest::As<IPersistStreamInit>(map.Get())->Load(stream), S_OK);
    return map;
}

}  // namespace imagerytest
