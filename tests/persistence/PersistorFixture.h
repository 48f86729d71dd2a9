// Engine objects from the stand-in and an XML element to persist them under.
#pragma once

#include "tests/layers/LayerFixture.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "platform/Xml.h"

#include "MapEngine.h"

#include <gtest/gtest.h>

namespace persisttest {

class PersistorTest : public layertest::LayerTest {
protected:
    void SetUp() override {
        LayerTest::SetUp();
        document_ = platform::CreateXmlDocument();
        platform::ComPtr<IXMLDOMElement> root;
        ASSERT_EQ(document_->createElement(platform::Bstr(L"settings").Get(), root.Put()), S_OK);
        platform::ComPtr<IXMLDOMNode> placed;
        ASSERT_EQ(document_->appendChild(root.Get(), placed.Put()), S_OK);
        root_ = root;
    }

    static platform::ComPtr<IDispatch> NewObject(const CLSID& clsid) {
        platform::ComPtr<IDispatch> object;
        EXPECT_EQ(::CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch, object.PutVoid()), S_OK);
        return object;
    }
    static platform::Variant Get(IDispatch* object, DISPID id) { return EngineDispatch(object).Get(id); }
    static void Put(IDispatch* object, DISPID id, const platform::Variant& value) { EngineDispatch(object).Put(id, value); }

    // The first child element of `parent` with that name; null when there is none.
    static platform::ComPtr<IXMLDOMElement> Child(IXMLDOMElement* parent, const wchar_t* name) {
        platform::ComPtr<IXMLDOMNode> node;
        parent->selectSingleNode(platform::Bstr(name).Get(), node.Put());
        platform::ComPtr<IXMLDOMElement> element;
        if (node) node->QueryInterface(IID_IXMLDOMElement, element.PutVoid());
        return element;
    }
    static bool Has(IXMLDOMElement* element, const wchar_t* name) {
        std::wstring value;
        return platform::GetAttribute(element, name, value);
    }
    static std::wstring Attribute(IXMLDOMElement* element, const wchar_t* name) {
        std::wstring value;
        platform::GetAttribute(element, name, value);
        return value;
    }
    static void SetAttr(IXMLDOMElement* element, const wchar_t* name, const std::wstring& value) {
        platform::SetAttribute(element, name, value);
    }
    static void RemoveAttr(IXMLDOMElement* element, const wchar_t* name) {
        element->removeAttribute(platform::Bstr(name).Get());
    }

    platform::ComPtr<IXMLDOMDocument2> document_;
    platform::ComPtr<IXMLDOMElement> root_;
};

}  // namespace persisttest
