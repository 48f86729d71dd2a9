#include "ZmaVOMap2/persistence/SelectionPersistor.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "platform/Result.h"
#include "platform/Xml.h"

using platform::Variant;

namespace {

DISPID IdOf(IDispatch* object, const wchar_t* name) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    THROW_IF_FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
    return id;
}

void AppendEscaped(std::wstring& text, const std::wstring& key) {
    for (wchar_t c : key) {
        if (c == L'^' || c == L'\\') text.push_back(L'\\');
        text.push_back(c);
    }
}

}  // namespace

HRESULT CZmaVOMapXSelectionPersistor::Save(IXMLDOMElement* element, IDispatch* selection) {
    try {
        if (!element || !selection) return E_POINTER;
        EngineDispatch features(selection);
        const long count = features.Get(IdOf(selection, L"Count")).ToLong();
        const DISPID item = IdOf(selection, L"Item");
        std::wstring keys;
        for (long i = 1; i <= count; ++i) {
            // The selection's Item is an indexed property, which a call as a method does not reach.
            Variant feature = features.Get(item, {Variant(i)});
            if (feature.vt != VT_DISPATCH || !feature.pdispVal) return E_POINTER;
            keys.push_back(L'^');
            AppendEscaped(keys, EngineDispatch(feature.pdispVal).Get(Engine::Feature::kKey).ToWide());
        }
        if (count > 0) platform::SetAttribute(element, L"featurekeys", keys);
        return S_OK;
    } CATCH_RETURN_QUIET()
}
