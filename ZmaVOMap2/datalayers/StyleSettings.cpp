#include "ZmaVOMap2/datalayers/StyleSettings.h"

#include "platform/Result.h"
#include "platform/Xml.h"

#include <msxml2.h>

#include <cstdlib>

using platform::Bstr;
using platform::ComError;
using platform::ComPtr;
using platform::Variant;

const wchar_t kStyleSettingKey[] = L"dsFieldStyleSetting";

namespace {

const wchar_t kSeriesElement[] = L"StyleSetting";

// The field's property set, or null when the dataset has no field of that name.
ComPtr<IHostPropertyCollection> FieldPropertySet(IHostDataset* dataset, const std::wstring& fieldName) {
    ComPtr<IHostFields> fields = hostdata::Fields(dataset);
    ComPtr<IHostField> field = hostdata::FieldByName(fields.Get(), fieldName);
    if (!field) return nullptr;
    return hostdata::FieldProperties(field.Get());
}

std::wstring ReadDocumentText(IHostPropertyCollection* set) {
    Variant key(kStyleSettingKey);
    Variant item;
    THROW_IF_FAILED(set->Item(key, item.Put()));
    if (item.vt != VT_BSTR) THROW_IF_FAILED(::VariantChangeType(&item, &item, 0, VT_BSTR));
    return item.bstrVal ? std::wstring(item.bstrVal, ::SysStringLen(item.bstrVal)) : std::wstring();
}

// The root element of the loaded text; null when the text is not a document.
ComPtr<IXMLDOMElement> LoadRoot(IXMLDOMDocument2* document, const std::wstring& text) {
    VARIANT_BOOL loaded = VARIANT_FALSE;
    THROW_IF_FAILED(document->loadXML(Bstr(text).Get(), &loaded));
    ComPtr<IXMLDOMElement> root;
    if (loaded == VARIANT_FALSE) return root;
    THROW_IF_FAILED(document->get_documentElement(root.Put()));
    return root;
}

// The first "StyleSetting" child whose "guid" is exactly `guid`. The children are compared one
// by one rather than through an XPath literal, so that no GUID text can break the query.
ComPtr<IXMLDOMElement> FindSeries(IXMLDOMElement* root, const std::wstring& guid) {
    ComPtr<IXMLDOMNodeList> children;
    THROW_IF_FAILED(root->selectNodes(Bstr(kSeriesElement).Get(), children.Put()));
    long count = 0;
    if (children) children->get_length(&count);
    for (long i = 0; i < count; ++i) {
        ComPtr<IXMLDOMNode> node;
        THROW_IF_FAILED(children->get_item(i, node.Put()));
        ComPtr<IXMLDOMElement> element;
        if (!node || FAILED(node->QueryInterface(IID_IXMLDOMElement, element.PutVoid()))) continue;
        std::wstring value;
        if (platform::GetAttribute(element.Get(), L"guid", value) && value == guid) return element;
    }
    return nullptr;
}

}  // namespace

long LoadStyleSettings(IHostDataset* dataset, const std::wstring& fieldName, const std::wstring& seriesGuid,
                       const std::wstring& fallbackGuid) {
    try {
        if (!dataset) return -1;
        ComPtr<IHostPropertyCollection> set = FieldPropertySet(dataset, fieldName);
        if (!set || !hostdata::HasKey(set.Get(), kStyleSettingKey)) return -1;
        const std::wstring text = ReadDocumentText(set.Get());

        ComPtr<IXMLDOMDocument2> document = platform::CreateXmlDocument();
        ComPtr<IXMLDOMElement> root = LoadRoot(document.Get(), text);
        if (!root) return -1;
        ComPtr<IXMLDOMElement> series = FindSeries(root.Get(), seriesGuid);
        if (!series && !fallbackGuid.empty()) series = FindSeries(root.Get(), fallbackGuid);
        if (!series) return -1;

        Variant value;
        HRESULT hr = series->getAttribute(Bstr(L"stylesetting").Get(), value.Put());
        if (FAILED(hr) || hr == S_FALSE) return -1;
        if (value.vt != VT_I4 && FAILED(::VariantChangeType(&value, &value, 0, VT_I4))) return -1;
        return value.lVal;
    }
    CATCH_SWALLOW("a style setting that cannot be read is none");
    return -1;
}

HRESULT SaveStyleSettings(IHostDataset* dataset, const std::wstring& fieldName, const std::wstring& seriesGuid,
                          long styleSetting) {
    try {
        if (!dataset) return E_POINTER;
        ComPtr<IHostPropertyCollection> set = FieldPropertySet(dataset, fieldName);
        if (!set) return DISP_E_BADINDEX;

        ComPtr<IXMLDOMDocument2> document = platform::CreateXmlDocument();
        ComPtr<IXMLDOMElement> root;
        const bool stored = hostdata::HasKey(set.Get(), kStyleSettingKey);
        if (stored) {
            root = LoadRoot(document.Get(), ReadDocumentText(set.Get()));
            // A stored text that is no document stays as it was: nothing to add to.
            if (!root) return E_FAIL;
        } else {
            root = platform::CreateChildElement(document.Get(), L"RootElement");
        }

        ComPtr<IXMLDOMElement> series = FindSeries(root.Get(), seriesGuid);
        if (!series) series = platform::CreateChildElement(root.Get(), kSeriesElement);
        platform::SetAttribute(series.Get(), L"guid", seriesGuid);
        platform::SetAttribute(series.Get(), L"stylesetting", std::to_wstring(styleSetting));

        Bstr xml;
        THROW_IF_FAILED(document->get_xml(xml.Put()));
        // The old text goes only now that the new one is complete: a failure above keeps every
        // series of the field.
        if (stored) THROW_IF_FAILED(set->Remove(Variant(kStyleSettingKey)));
        const Variant missing = Variant::Missing();
        THROW_IF_FAILED(set->Add(Variant(xml.Wide()), Variant(kStyleSettingKey), missing));
        return S_OK;
    } CATCH_RETURN_QUIET()
}

void FindInHostCollection(IHostField* field, ComPtr<IHostFieldStyle>& element) {
    element = nullptr;
    try {
        if (!field) return;
        ComPtr<IHostPropertyCollection> set = hostdata::FieldProperties(field);
        long count = 0;
        THROW_IF_FAILED(set->get_Count(&count));
        for (long i = 0; i < count; ++i) {
            Variant item;
            THROW_IF_FAILED(set->Item(Variant(i), item.Put()));
            if ((item.vt != VT_DISPATCH && item.vt != VT_UNKNOWN) || !item.punkVal) continue;
            // The first object decides, whether or not it is a style.
            ComPtr<IHostFieldStyle> style;
            if (SUCCEEDED(item.punkVal->QueryInterface(__uuidof(IHostFieldStyle), style.PutVoid()))) element = style;
            return;
        }
    }
    CATCH_SWALLOW("a field whose properties cannot be read has no style");
    element = nullptr;
}

ComPtr<IHostFieldStyle> FindInHostCollection(IHostField* field) {
    ComPtr<IHostFieldStyle> element;
    FindInHostCollection(field, element);
    return element;
}

