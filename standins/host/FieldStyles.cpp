// What the host attaches to a field and hands around with it: the field's style object (which
// is also its value formatter and value table) and the field configuration tree given to
// CreateMultiDMapping.
#include "standins/host/Classes.h"
#include "standins/host/StandIn.h"

#include "platform/ClassFactory.h"
#include "platform/Com.h"
#include "platform/Number.h"
#include "platform/Result.h"

#include <algorithm>
#include <cwchar>
#include <limits>
#include <memory>
#include <vector>

namespace hoststandin {

using platform::ComPtr;
using platform::Variant;

namespace {

bool IsMissing(const VARIANT& v) {
    return v.vt == VT_EMPTY || v.vt == VT_NULL || (v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND);
}

bool ToDouble(const VARIANT& v, double* out) {
    if (v.vt == VT_BSTR || IsMissing(v)) return false;
    Variant d;
    if (FAILED(::VariantChangeType(d.Put(), const_cast<VARIANT*>(&v), 0, VT_R8))) return false;
    *out = d.dblVal;
    return true;
}

// ---------------------------------------------------------------------------------------------

class HostFieldStyle
    : public platform::ComObject<HostFieldStyle, platform::DualImpl<IHostFieldStyle>,
                                 platform::DualImpl<IHostFieldStyleSetup>, CallLogDual,
                                 platform::Also<IDispatch, platform::DualImpl<IHostFieldStyleSetup>>> {
public:
    HostFieldStyle() : faults_(L"fieldstyle") { BindLog(log_); }

    HRESULT FinalConstruct() { return faults_.Check(L"create"); }

    // IHostFieldStyle -----------------------------------------------------------------------

    STDMETHODIMP FormatValue(long format, VARIANT source, VARIANT options, BSTR* formatted) override {
        Log().Add(CallLine(L"FormatValue", format, source, options));
        RETURN_IF_FAILED(faults_.Check(L"FormatValue"));
        COM_TRY { return CopyOut(Format(source), formatted); }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP ClassOf(VARIANT source, long* classIndex) override {
        Log().Add(CallLine(L"ClassOf", source));
        if (!classIndex) return E_POINTER;
        *classIndex = -1;
        RETURN_IF_FAILED(faults_.Check(L"ClassOf"));
        *classIndex = Find(source);
        return S_OK;
    }

    STDMETHODIMP get_StyleFlags(long* bits) override {
        Log().Add(CallLine(L"get_StyleFlags"));
        if (!bits) return E_POINTER;
        RETURN_IF_FAILED(faults_.Check(L"get_StyleFlags"));
        *bits = flags_;
        return S_OK;
    }

    STDMETHODIMP StyleProperty(long classIndex, long property, VARIANT* setting) override {
        Log().Add(CallLine(L"StyleProperty", classIndex, property));
        if (!setting) return E_POINTER;
        ::VariantInit(setting);
        RETURN_IF_FAILED(faults_.Check(L"StyleProperty"));
        static const long kColumnOfProperty[] = {4, 5, 2, 3};  // character, size, text, colour
        if (property < 0 || property > 3) return DISP_E_BADINDEX;
        return Column(classIndex, kColumnOfProperty[property], setting);
    }

    STDMETHODIMP get_DefaultFontName(BSTR* fontName) override {
        Log().Add(CallLine(L"get_DefaultFontName"));
        COM_TRY { return CopyOut(fontName_, fontName); }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP get_DefaultColor(long* color) override {
        Log().Add(CallLine(L"get_DefaultColor"));
        if (!color) return E_POINTER;
        *color = color_;
        return S_OK;
    }

    STDMETHODIMP get_DefaultSize(double* symbolSize) override {
        Log().Add(CallLine(L"get_DefaultSize"));
        if (!symbolSize) return E_POINTER;
        *symbolSize = size_;
        return S_OK;
    }

    STDMETHODIMP get_DefaultCharacter(short* character) override {
        Log().Add(CallLine(L"get_DefaultCharacter"));
        if (!character) return E_POINTER;
        *character = character_;
        return S_OK;
    }

    STDMETHODIMP get_ReferenceValue(VARIANT* reference) override {
        Log().Add(CallLine(L"get_ReferenceValue"));
        if (!reference) return E_POINTER;
        ::VariantInit(reference);
        return ::VariantCopy(reference, &reference_);
    }

    STDMETHODIMP Reserved16() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved17() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved18() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved19() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved20() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved21() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved22() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved23() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved24() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved25() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved26() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved27() override { return E_NOTIMPL; }

    STDMETHODIMP IndexOf(VARIANT source, long* position) override {
        Log().Add(CallLine(L"IndexOf", source));
        if (!position) return E_POINTER;
        *position = -1;
        RETURN_IF_FAILED(faults_.Check(L"IndexOf"));
        *position = Find(source);
        return S_OK;
    }

    STDMETHODIMP Reserved29() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved30() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved31() override { return E_NOTIMPL; }

    STDMETHODIMP ItemValue(long position, long column, VARIANT* setting) override {
        Log().Add(CallLine(L"ItemValue", position, column));
        if (!setting) return E_POINTER;
        ::VariantInit(setting);
        RETURN_IF_FAILED(faults_.Check(L"ItemValue"));
        return Column(position, column, setting);
    }

    // A value's entry caption when it has one, else the formatted value.
    STDMETHODIMP ValueText(VARIANT source, VARIANT options, BSTR* formatted) override {
        Log().Add(CallLine(L"ValueText", source, options));
        RETURN_IF_FAILED(faults_.Check(L"ValueText"));
        COM_TRY {
            long at = Find(source);
            if (at >= 0 && !classes_[at].caption.empty()) return CopyOut(classes_[at].caption, formatted);
            return CopyOut(Format(source), formatted);
        }
        COM_CATCH_RETURN();
    }

#define RESERVED(n) \
    STDMETHODIMP Reserved##n() override { return E_NOTIMPL; }
    RESERVED(34) RESERVED(35) RESERVED(36) RESERVED(37) RESERVED(38) RESERVED(39) RESERVED(40) RESERVED(41)
    RESERVED(42) RESERVED(43) RESERVED(44) RESERVED(45) RESERVED(46) RESERVED(47) RESERVED(48) RESERVED(49)
    RESERVED(50) RESERVED(51) RESERVED(52) RESERVED(53) RESERVED(54) RESERVED(55) RESERVED(56) RESERVED(57)
    RESERVED(58) RESERVED(59) RESERVED(60) RESERVED(61) RESERVED(62) RESERVED(63) RESERVED(64) RESERVED(65)
#undef RESERVED

    STDMETHODIMP get_AttributeCode(long* code) override {
        Log().Add(CallLine(L"get_AttributeCode"));
        if (!code) return E_POINTER;
        RETURN_IF_FAILED(faults_.Check(L"get_AttributeCode"));
        *code = attributeCode_;
        return S_OK;
    }

    // IHostFieldStyleSetup ------------------------------------------------------------------

    STDMETHODIMP AddClass(VARIANT lower, VARIANT upper, BSTR caption, long character, double symbolSize, long color,
                          long* position) override {
        if (!position) return E_POINTER;
        COM_TRY {
            Entry e;
            e.lower = Variant(lower);
            e.upper = Variant(upper);
            e.caption = caption ? caption : L"";
            e.character = character;
            e.size = symbolSize;
            e.color = color;
            classes_.push_back(std::move(e));
            *position = static_cast<long>(classes_.size() - 1);
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP get_ClassCount(long* classes) override {
        if (!classes) return E_POINTER;
        *classes = static_cast<long>(classes_.size());
        return S_OK;
    }

    STDMETHODIMP put_StyleFlags(long bits) override {
        flags_ = bits;
        return S_OK;
    }

    STDMETHODIMP put_AttributeCode(long code) override {
        attributeCode_ = code;
        return S_OK;
    }

    STDMETHODIMP get_Decimals(long* digits) override {
        if (!digits) return E_POINTER;
        *digits = decimals_;
        return S_OK;
    }

    STDMETHODIMP put_Decimals(long digits) override {
        if (digits < 0 || digits > 15) return E_INVALIDARG;
        decimals_ = digits;
        return S_OK;
    }

    STDMETHODIMP SetDefaults(BSTR fontName, long color, double symbolSize, short character) override {
        COM_TRY {
            fontName_ = fontName ? fontName : L"";
            color_ = color;
            size_ = symbolSize;
            character_ = character;
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP put_ReferenceValue(VARIANT reference) override {
        COM_TRY {
            reference_ = Variant(reference);
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

private:
    struct Entry {
        Variant lower, upper;
        std::wstring caption;
        long character = 0;
        double size = 0;
        long color = 0;
    };

    // Texts match a text entry exactly; numbers fall into [lower, upper) of a number entry (a
    // missing bound is open).
    long Find(const VARIANT& value) const {
        if (IsMissing(value)) return -1;
        for (size_t i = 0; i < classes_.size(); ++i) {
            const Entry& e = classes_[i];
            if (value.vt == VT_BSTR) {
                if (e.lower.vt == VT_BSTR &&
                    std::wcscmp(e.lower.bstrVal ? e.lower.bstrVal : L"", value.bstrVal ? value.bstrVal : L"") == 0)
                    return static_cast<long>(i);
                continue;
            }
            double v = 0;
            if (!ToDouble(value, &v)) return -1;
            if (e.lower.vt == VT_BSTR) continue;
            double lo = -std::numeric_limits<double>::infinity(), hi = std::numeric_limits<double>::infinity();
            if (!IsMissing(e.lower) && !ToDouble(e.lower, &lo)) continue;
            if (!IsMissing(e.upper) && !ToDouble(e.upper, &hi)) continue;
            if (lo <= v && v < hi) return static_cast<long>(i);
        }
        return -1;
    }

    HRESULT Column(long position, long column, VARIANT* out) const {
        if (position < 0 || static_cast<size_t>(position) >= classes_.size()) return DISP_E_BADINDEX;
        const Entry& e = classes_[position];
        COM_TRY {
            switch (column) {
            case 0: return ::VariantCopy(out, const_cast<Variant*>(&e.lower));
            case 1: return ::VariantCopy(out, const_cast<Variant*>(&e.upper));
            case 2: *out = Variant(e.caption).Detach(); return S_OK;
            case 3: *out = Variant(e.color).Detach(); return S_OK;
            case 4: *out = Variant(e.character).Detach(); return S_OK;
            case 5: *out = Variant(e.size).Detach(); return S_OK;
            default: return DISP_E_BADINDEX;
            }
        }
        COM_CATCH_RETURN();
    }

    // Texts unchanged, numbers with the set number of decimals (always a point, whatever the
    // user's locale), nothing for no value.
    std::wstring Format(const VARIANT& value) const {
        if (IsMissing(value)) return std::wstring();
        if (value.vt == VT_BSTR) return value.bstrVal ? value.bstrVal : L"";
        double v = 0;
        if (!ToDouble(value, &v)) return Variant(value).ToWide();
        return platform::ToWide(platform::FormatFixed(v, static_cast<int>(decimals_)));
    }

    CallLog log_;
    Faults faults_;
    std::vector<Entry> classes_;
    long flags_ = 0;
    long attributeCode_ = 3;
    long decimals_ = 1;
    std::wstring fontName_ = L"Arial";
    long color_ = 0x0000FF;
    double size_ = 8.0;
    short character_ = 35;
    Variant reference_;
};

// ---------------------------------------------------------------------------------------------
// Field configuration: a tree of named nodes with values. The nodes of one tree share the log
// of its root, each line led by the node's name.

class HostConfigNode
    : public platform::ComObject<HostConfigNode, platform::DualImpl<IHostConfigNode>, CallLogDual,
                                 platform::Also<IDispatch, platform::DualImpl<IHostConfigNode>>> {
public:
    HostConfigNode() : HostConfigNode(std::make_shared<CallLog>(), L"Configuration") {}
    HostConfigNode(std::shared_ptr<CallLog> log, std::wstring name)
        : log_(std::move(log)), faults_(L"fieldconfiguration"), name_(std::move(name)) {
        BindLog(*log_);
    }

    HRESULT FinalConstruct() { return faults_.Check(L"create"); }

    STDMETHODIMP get_NodeName(BSTR* result) override {
        Log().Add(Line(CallLine(L"get_NodeName")));
        COM_TRY { return CopyOut(name_, result); }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP get_NodeValue(VARIANT* result) override {
        Log().Add(Line(CallLine(L"get_NodeValue")));
        if (!result) return E_POINTER;
        ::VariantInit(result);
        RETURN_IF_FAILED(faults_.Check(L"get_NodeValue"));
        return ::VariantCopy(result, &value_);
    }

    STDMETHODIMP Child(BSTR childName, IHostConfigNode** node) override {
        Log().Add(Line(CallLine(L"Child", childName)));
        if (!node) return E_POINTER;
        *node = nullptr;
        RETURN_IF_FAILED(faults_.Check(L"Child"));
        std::wstring wanted = childName ? childName : L"";
        for (const ComPtr<HostConfigNode>& c : children_) {
            if (c->name_ == wanted) return c->QueryInterface(IID_IHostConfigNode, reinterpret_cast<void**>(node));
        }
        return Fail(DISP_E_BADINDEX, L"No child " + wanted, L"FieldConfiguration");
    }

    STDMETHODIMP get_ChildCount(long* children) override {
        Log().Add(Line(CallLine(L"get_ChildCount")));
        if (!children) return E_POINTER;
        RETURN_IF_FAILED(faults_.Check(L"get_ChildCount"));
        *children = static_cast<long>(children_.size());
        return S_OK;
    }

    STDMETHODIMP ChildAt(long position, IHostConfigNode** node) override {
        Log().Add(Line(CallLine(L"ChildAt", position)));
        if (!node) return E_POINTER;
        *node = nullptr;
        RETURN_IF_FAILED(faults_.Check(L"ChildAt"));
        if (position < 0 || static_cast<size_t>(position) >= children_.size()) return DISP_E_BADINDEX;
        return children_[position]->QueryInterface(IID_IHostConfigNode, reinterpret_cast<void**>(node));
    }

    STDMETHODIMP AddChild(BSTR childName, VARIANT content, IHostConfigNode** node) override {
        if (!node) return E_POINTER;
        *node = nullptr;
        COM_TRY {
            auto child = platform::MakeObject<HostConfigNode>(log_, std::wstring(childName ? childName : L""));
            child->value_ = Variant(content);
            children_.push_back(child);
            return child->QueryInterface(IID_IHostConfigNode, reinterpret_cast<void**>(node));
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP SetNodeValue(VARIANT content) override {
        COM_TRY {
            value_ = Variant(content);
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

private:
    std::wstring Line(const std::wstring& call) const { return name_ + L": " + call; }

    std::shared_ptr<CallLog> log_;
    Faults faults_;
    std::wstring name_;
    Variant value_;
    std::vector<ComPtr<HostConfigNode>> children_;
};

}  // namespace

HRESULT CreateFieldStyleClass(REFIID iid, void** out) {
    return platform::CreateDefaultClassObject<HostFieldStyle>(iid, out);
}

HRESULT CreateFieldConfigurationClass(REFIID iid, void** out) {
    return platform::CreateDefaultClassObject<HostConfigNode>(iid, out);
}

}  // namespace hoststandin
