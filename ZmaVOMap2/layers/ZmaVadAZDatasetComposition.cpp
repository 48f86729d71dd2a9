#include "ZmaVOMap2/layers/ZmaVadAZDatasetComposition.h"

#include "ZmaVOMap2/layers/ZmaVadAZLabelProperties.h"
#include "ZmaVOMap2/persistence/PersistXml.h"
#include "ZmaVOMap2/persistence/SelectionPersistor.h"
#include "platform/Result.h"
#include "platform/Xml.h"

#include <cfloat>

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

ComPtr<IXMLDOMElement> AppendElement(IXMLDOMDocument* document, IXMLDOMNode* parent, const wchar_t* name) {
    ComPtr<IXMLDOMElement> element;
    THROW_IF_FAILED(document->createElement(Bstr(name).Get(), element.Put()));
    ComPtr<IXMLDOMNode> placed;
    THROW_IF_FAILED(parent->appendChild(element.Get(), placed.Put()));
    return element;
}

ComPtr<IXMLDOMElement> AsElement(IXMLDOMNode* node) {
    ComPtr<IXMLDOMElement> element;
    if (node) node->QueryInterface(IID_IXMLDOMElement, element.PutVoid());
    return element;
}

ComPtr<IXMLDOMElement> DeepClone(IXMLDOMNode* node) {
    ComPtr<IXMLDOMNode> clone;
    THROW_IF_FAILED(node->cloneNode(VARIANT_TRUE, clone.Put()));
    return AsElement(clone.Get());
}

// Puts `child` under `parent`, in place of an existing child of the same name.
void PutChild(IXMLDOMElement* parent, IXMLDOMElement* child, const wchar_t* name) {
    ComPtr<IXMLDOMNode> existing, placed;
    THROW_IF_FAILED(parent->selectSingleNode(Bstr(name).Get(), existing.Put()));
    if (existing)
        THROW_IF_FAILED(parent->replaceChild(child, existing.Get(), placed.Put()));
    else
        THROW_IF_FAILED(parent->appendChild(child, placed.Put()));
}

}  // namespace

CZmaVadAZDatasetComposition::CZmaVadAZDatasetComposition() : document_(platform::CreateXmlDocument()) {
    ComPtr<IXMLDOMElement> root = AppendElement(document_.Get(), document_.Get(), L"root");
    labelProperties_ = AppendElement(document_.Get(), root.Get(), L"LabelProperties");
    selection_ = AppendElement(document_.Get(), root.Get(), L"Selection");
}

bool CZmaVadAZDatasetComposition::Involves(const SeriesId& series) const {
    if (series == seriesGuid_) return true;
    for (const Dimension& d : dimensions_)
        if (d.seriesGuid && series == *d.seriesGuid) return true;
    return false;
}

HRESULT CZmaVadAZDatasetComposition::Save(IXMLDOMElement* parent) {
    using namespace persistxml;
    using platform::SetAttribute;
    try {
        if (!parent) return E_POINTER;
        ComPtr<IXMLDOMDocument> owner;
        if (FAILED(parent->get_ownerDocument(owner.Put())) || !owner) return E_INVALIDARG;
        ComPtr<IXMLDOMElement> element = AppendElement(owner.Get(), parent, L"DatasetComposition");
        SetAttribute(element.Get(), L"datasetguid", seriesGuid_);
        SetAttribute(element.Get(), L"name", platform::ToWide(name_));
        SetAttribute(element.Get(), L"offsetx", DoubleText(offsetX_));
        SetAttribute(element.Get(), L"offsety", DoubleText(offsetY_));
        SetAttribute(element.Get(), L"type", LongText(type_));
        SetAttribute(element.Get(), L"nboridx", LongText(neighbourIndex_));
        SetAttribute(element.Get(), L"nborfieldname", platform::ToWide(neighbourFieldName_));
        SetAttribute(element.Get(), L"nborguid", platform::ToWide(neighbourGuid_));
        SetAttribute(element.Get(), L"visible", BoolText(visible_));
        SetAttribute(element.Get(), L"layerzoommin", DoubleText(zoomMin_));
        SetAttribute(element.Get(), L"layerzoommax", DoubleText(zoomMax_));
        SetAttribute(element.Get(), L"layerzoomlayer", BoolText(zoomLayering_));

        ComPtr<IXMLDOMElement> dimensions = AppendElement(owner.Get(), element.Get(), L"Dimensions");
        for (const Dimension& d : dimensions_) {
            ComPtr<IXMLDOMElement> dimension = AppendElement(owner.Get(), dimensions.Get(), L"Dimension");
            SetAttribute(dimension.Get(), L"fieldname", d.fieldName ? *d.fieldName : L"");
            SetAttribute(dimension.Get(), L"guid", d.seriesGuid ? *d.seriesGuid : L"");
            SetAttribute(dimension.Get(), L"style", LongText(d.code));
        }
        if (XmlNodeHasContent(labelProperties_.Get()))
            PutChild(element.Get(), DeepClone(labelProperties_.Get()).Get(), L"LabelProperties");
        if (XmlNodeHasContent(selection_.Get())) PutChild(element.Get(), DeepClone(selection_.Get()).Get(), L"Selection");
        return S_OK;
    } CATCH_RETURN_QUIET()
}

HRESULT CZmaVadAZDatasetComposition::Load(IXMLDOMNode* node) {
    using namespace persistxml;
    restored_ = true;
    try {
        if (!node) return E_POINTER;
        ComPtr<IXMLDOMElement> element = AsElement(node);
        if (!element) return E_FAIL;
        seriesGuid_ = ReadText(element.Get(), L"datasetguid");
        name_ = platform::ToAnsi(ReadText(element.Get(), L"name"));
        visible_ = ReadLong(element.Get(), L"visible") != 0;
        // An offset or zoom the map cannot use (NaN, an infinity) keeps its default, logged.
        RequireNumberWithin(element.Get(), L"offsetx", -DBL_MAX, DBL_MAX, offsetX_);
        RequireNumberWithin(element.Get(), L"offsety", -DBL_MAX, DBL_MAX, offsetY_);
        type_ = static_cast<int>(ReadLong(element.Get(), L"type"));
        neighbourFieldName_ = platform::ToAnsi(ReadText(element.Get(), L"nborfieldname"));
        neighbourGuid_ = platform::ToAnsi(ReadText(element.Get(), L"nborguid"));
        neighbourIndex_ = ReadLong(element.Get(), L"nboridx");
        // The zoom settings are optional as a block: what was read before a gap stays.
        try {
            RequireNumberWithin(element.Get(), L"layerzoommin", 0.0, DBL_MAX, zoomMin_);
            RequireNumberWithin(element.Get(), L"layerzoommax", 0.0, DBL_MAX, zoomMax_);
            zoomLayering_ = ReadLong(element.Get(), L"layerzoomlayer") != 0;
        }
        CATCH_SWALLOW("the zoom settings are optional as a block: what was read before a gap stays");

        ComPtr<IXMLDOMNode> dimensions;
        THROW_IF_FAILED(element->selectSingleNode(Bstr(L"Dimensions").Get(), dimensions.Put()));
        if (!dimensions) return E_POINTER;
        ComPtr<IXMLDOMNodeList> children;
        THROW_IF_FAILED(dimensions->get_childNodes(children.Put()));
        long count = 0;
        THROW_IF_FAILED(children->get_length(&count));
        std::list<Dimension> loaded;
        for (long i = 0; i < count; ++i) {
            ComPtr<IXMLDOMNode> child;
            THROW_IF_FAILED(children->get_item(i, child.Put()));
            // Comments and white space between the dimensions are no dimensions.
            ComPtr<IXMLDOMElement> dimension = AsElement(child.Get());
            if (!dimension) continue;
            loaded.push_back({std::make_shared<std::wstring>(ReadText(dimension.Get(), L"fieldname")),
                              std::make_shared<std::wstring>(ReadText(dimension.Get(), L"guid")),
                              ReadLong(dimension.Get(), L"style")});
        }
        dimensions_.splice(dimensions_.end(), loaded);

        ComPtr<IXMLDOMNode> labels, selection;
        THROW_IF_FAILED(element->selectSingleNode(Bstr(L"LabelProperties").Get(), labels.Put()));
        if (labels) labelProperties_ = DeepClone(labels.Get());
        THROW_IF_FAILED(element->selectSingleNode(Bstr(L"Selection").Get(), selection.Put()));
        if (selection) selection_ = DeepClone(selection.Get());
        return S_OK;
    } CATCH_RETURN_QUIET()
}

HRESULT CZmaVadAZDatasetComposition::SaveLabelProperties(CZmaVadAZLabelProperties* labels, long distanceUnit) {
    if (!labels) return E_POINTER;
    if (!labelProperties_) return E_UNEXPECTED;
    return SaveLayerSettings(labelProperties_.Get(), labels, distanceUnit);
}

HRESULT CZmaVadAZDatasetComposition::SaveSelectionHr(IDispatch* selection) {
    if (!selection) return E_POINTER;
    if (!selection_) return E_UNEXPECTED;
    return CZmaVOMapXSelectionPersistor().Save(selection_.Get(), selection);
}

void CZmaVadAZDatasetComposition::RemoveMissingDimensions(IHostFields* fields) {
    platform::ThrowIfNull(fields, E_POINTER);
    for (auto it = dimensions_.begin(); it != dimensions_.end();) {
        long index = -1;
        THROW_IF_FAILED(fields->IndexOf(Bstr(it->fieldName ? *it->fieldName : L"").Get(), &index));
        it = index == -1 ? dimensions_.erase(it) : std::next(it);
    }
}

void AppendLayerEntry(CZmaVadAZDatasetComposition& composition, std::shared_ptr<std::wstring> fieldName,
                      std::shared_ptr<std::wstring> seriesGuid, long code) {
    composition.dimensions_.push_back({std::move(fieldName), std::move(seriesGuid), code});
}

void SetLayerEntryName(CZmaVadAZDatasetComposition& composition, const wchar_t* text, long id) {
    auto& dimensions = composition.dimensions_;
    for (auto it = dimensions.begin(); it != dimensions.end(); ++it) {
        if (it->code != id) continue;
        if (text && *text)
            it->fieldName = std::make_shared<std::wstring>(text);
        else
            dimensions.erase(it);
        return;
    }
}

bool XmlNodeHasContent(IXMLDOMNode* node) {
    platform::ThrowIfNull(node, E_POINTER);
    ComPtr<IXMLDOMNamedNodeMap> attributes;
    THROW_IF_FAILED(node->get_attributes(attributes.Put()));
    long count = 0;
    if (attributes) THROW_IF_FAILED(attributes->get_length(&count));
    if (count > 0) return true;
    ComPtr<IXMLDOMNodeList> children;
    THROW_IF_FAILED(node->get_childNodes(children.Put()));
    platform::ThrowIfNull(children.Get(), E_POINTER);
    THROW_IF_FAILED(children->get_length(&count));
    return count > 0;
}

HRESULT SaveLayerSettings(IXMLDOMElement* element, CZmaVadAZLabelProperties* labels, long distanceUnit) {
    if (!element || !labels) return E_POINTER;
    try {
        return labels->Save(element, distanceUnit);
    } CATCH_RETURN_QUIET()
}

HRESULT LoadLayerSettings(IXMLDOMElement* element, CZmaVadAZLabelProperties* labels, long version) {
    if (!element || !labels) return E_POINTER;
    try {
        return labels->Load(element, version);
    } CATCH_RETURN_QUIET()
}
