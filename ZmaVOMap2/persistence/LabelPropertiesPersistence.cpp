#include "ZmaVOMap2/persistence/LabelPropertiesPersistence.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineMembers.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/persistence/PersistXml.h"
#include "ZmaVOMap2/persistence/PersistentStyle.h"
#include "platform/Result.h"
#include "platform/Xml.h"

using namespace persistxml;
using platform::Bstr;
using platform::ComPtr;
using platform::Variant;
namespace L = Engine::Labels;

namespace {

ComPtr<IDispatch> DispatchOf(IUnknown* object) {
    ComPtr<IDispatch> dispatch;
    HRESULT hr = object->QueryInterface(IID_IDispatch, dispatch.PutVoid());
    if (FAILED(hr) && hr != E_NOINTERFACE) platform::ThrowHr(hr);
    if (!dispatch) platform::ThrowHr(E_NOINTERFACE);
    return dispatch;
}

struct Key {
    const wchar_t* name;
    DISPID id;
    enum Kind { kBool, kShort, kDouble, kLowWordBool } kind;
};

// Saving order.
const Key kSaved[] = {{L"duplicate", L::kDuplicate, Key::kBool},      {L"labelmax", L::kLabelMax, Key::kShort},
                      {L"labelzoom", L::kLabelZoom, Key::kBool},      {L"labelzoommax", L::kLabelZoomMax, Key::kDouble},
                      {L"labelzoommin", L::kLabelZoomMin, Key::kDouble}, {L"linetype", L::kLineType, Key::kShort},
                      {L"offset", L::kOffset, Key::kShort},           {L"overlap", L::kOverlap, Key::kBool},
                      {L"parallel", L::kParallel, Key::kBool},        {L"partialsegments", L::kPartialSegments, Key::kBool},
                      {L"position", L::kPosition, Key::kShort},       {L"visible", L::kVisible, Key::kBool}};

// Loading order: the zoom maximum before the minimum, and the zoom range switched last of the
// three, so that a range never passes through min > max.
const Key kLoaded[] = {{L"visible", L::kVisible, Key::kLowWordBool},   {L"duplicate", L::kDuplicate, Key::kBool},
                       {L"labelmax", L::kLabelMax, Key::kShort},        {L"labelzoommax", L::kLabelZoomMax, Key::kDouble},
                       {L"labelzoommin", L::kLabelZoomMin, Key::kDouble}, {L"labelzoom", L::kLabelZoom, Key::kLowWordBool},
                       {L"linetype", L::kLineType, Key::kShort},        {L"offset", L::kOffset, Key::kShort},
                       {L"overlap", L::kOverlap, Key::kBool},           {L"parallel", L::kParallel, Key::kBool},
                       {L"partialsegments", L::kPartialSegments, Key::kBool}, {L"position", L::kPosition, Key::kShort}};

std::wstring ValueText(EngineDispatch& labels, const Key& key) {
    Variant value = labels.Get(key.id);
    switch (key.kind) {
    case Key::kDouble: return DoubleText(value.ToDouble());
    case Key::kShort: return LongText(value.ToLong());
    default: return BoolText(value.ToBool());
    }
}

void Apply(EngineDispatch& labels, IXMLDOMElement* element, const Key& key) {
    switch (key.kind) {
    case Key::kDouble: labels.Put(key.id, Variant(ReadDouble(element, key.name))); break;
    case Key::kShort: labels.Put(key.id, Variant(static_cast<short>(ReadLong(element, key.name)))); break;
    case Key::kBool: labels.Put(key.id, Variant(ReadBool(element, key.name))); break;
    case Key::kLowWordBool: {
        // The low 16 bits go to the engine as its boolean, whatever number the text holds.
        Variant flag;
        flag.vt = VT_BOOL;
        flag.boolVal = static_cast<VARIANT_BOOL>(ReadLong(element, key.name) & 0xFFFF);
        labels.Put(key.id, flag);
        break;
    }
    }
}

}  // namespace

HRESULT SaveLabelProperties(IUnknown* labelProperties, IXMLDOMElement* element) {
    try {
        if (!labelProperties || !element) return E_POINTER;
        ComPtr<IXMLDOMDocument> owner;
        THROW_IF_FAILED(element->get_ownerDocument(owner.Put()));
        if (!owner) return E_INVALIDARG;
        EngineDispatch labels(DispatchOf(labelProperties).Get());

        ComPtr<IDispatch> field = platform::DispatchOf(labels.Get(L::kDataField));
        platform::SetAttribute(element, L"datafield",
                               field ? EngineDispatch(field.Get()).Get(Engine::Field::kName).ToWide() : L"");
        for (const Key& key : kSaved) platform::SetAttribute(element, key.name, ValueText(labels, key));

        ComPtr<IXMLDOMElement> style = ReplaceChildElement(element, L"Style");

        ComPtr<IDispatch> textStyle = platform::DispatchOf(labels.Get(L::kStyle));
        return CZmaVOMapXPersistentTextStyle().Save(platform::ThrowIfNull(textStyle.Get(), E_POINTER), style.Get());
    } CATCH_RETURN_QUIET()
}

HRESULT LoadLabelProperties(IUnknown* labelProperties, IXMLDOMElement* element) {
    try {
        if (!labelProperties || !element) return E_POINTER;
        EngineDispatch labels(DispatchOf(labelProperties).Get());
        for (const Key& key : kLoaded) Apply(labels, element, key);

        const std::wstring fieldName = ReadText(element, L"datafield");
        if (!fieldName.empty()) {
            // A name the dataset does not have leaves the data field as it was.
            try {
                if (ComPtr<IDispatch> dataset = platform::DispatchOf(labels.Get(L::kDataset))) {
                    ComPtr<IDispatch> fields = platform::DispatchOf(EngineDispatch(dataset.Get()).Get(Engine::Collection::kDatasetFields));
                    ComPtr<IDispatch> field =
                        fields ? platform::DispatchOf(EngineDispatch(fields.Get()).Call(Engine::Collection::kFieldItem, {Variant(fieldName)}))
                               : nullptr;
                    if (field) labels.Put(L::kDataField, Variant(field.Get()));
                }
            }
            CATCH_SWALLOW("a name the dataset does not have leaves the data field as it was");
        }

        // The saver always writes "Style"; without it the attributes above stay applied.
        ComPtr<IXMLDOMNode> styleNode;
        THROW_IF_FAILED(element->selectSingleNode(Bstr(L"Style").Get(), styleNode.Put()));
        ComPtr<IXMLDOMElement> styleElement;
        if (!styleNode || FAILED(styleNode->QueryInterface(IID_IXMLDOMElement, styleElement.PutVoid()))) return S_OK;
        ComPtr<IDispatch> textStyle = platform::DispatchOf(labels.Get(L::kStyle));
        RETURN_IF_FAILED(CZmaVOMapXPersistentTextStyle().Load(platform::ThrowIfNull(textStyle.Get(), E_POINTER),
                                                              styleElement.Get()));
        labels.Put(L::kStyle, Variant(textStyle.Get()));
        return S_OK;
    } CATCH_RETURN_QUIET()
}
