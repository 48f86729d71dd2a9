// The host's symbol-drawing classes (measurement points, points with enhanced drawing, cell
// sites) and the field renderer. The control makes a renderer for every frame, so each class
// keeps one log, its drawing counters and its symbol geometry for the whole process.
//
// A symbol is a filled circle of radius 3 pixels in one colour per drawing code, drawn with
// plain GDI so that tests can look for exact pixels.
#include "standins/host/Classes.h"
#include "standins/host/Dataset.h"
#include "standins/host/StandIn.h"

#include "platform/ClassFactory.h"
#include "platform/Com.h"
#include "platform/Number.h"
#include "platform/Result.h"

#include <cwchar>
#include <map>

namespace hoststandin {

using platform::ComPtr;
using platform::Variant;

namespace {

constexpr long kSymbolRadius = 3;

struct Geometry {
    long hitRadius;
    long offsetX, offsetY;
    long labelWidth, labelHeight;
};

// What one renderer class shares between its objects.
struct RendererClassState {
    const wchar_t* standIn;
    Geometry defaults;
    Geometry geometry;
    bool logging = true;
    long symbols = 0;
    long labels = 0;

    void Reset() {
        geometry = defaults;
        logging = true;
        symbols = 0;
        labels = 0;
    }
};

enum RendererKind { kPoints = 0, kEnhancedPoints = 1, kCellSites = 2 };

RendererClassState& StateOf(RendererKind kind) {
    // Cell-site symbols stand above the site, so their hit radius reaches round the offset.
    static RendererClassState states[3] = {
        {L"pointrenderer", {3, 0, 0, 40, 12}, {3, 0, 0, 40, 12}},
        {L"enhancedrenderer", {3, 0, 0, 40, 12}, {3, 0, 0, 40, 12}},
        {L"cellsiterenderer", {9, 0, -6, 40, 12}, {9, 0, -6, 40, 12}},
    };
    return states[kind];
}

COLORREF SymbolColorOf(long code) {
    switch (code) {
    case 0: return RGB(255, 0, 0);      // normal
    case 1: return RGB(0, 255, 0);      // selected
    case 2: return RGB(0, 0, 255);
    case 6: return RGB(255, 0, 255);    // normal, filtering style
    case 7: return RGB(0, 255, 255);    // selected, filtering style
    default: return RGB(128, 128, 128);
    }
}

std::wstring NumberText(double v) { return platform::ToWide(platform::FormatGeneral(v, 15)); }

std::wstring FieldNameOf(IHostField* field) {
    platform::Bstr name;
    if (!field || FAILED(field->get_FieldName(name.Put()))) return L"<object>";
    return name.Wide();
}

// The field's style object: the first object in its property set, when it is one.
ComPtr<IHostFieldStyle> StyleOf(IHostField* field) {
    ComPtr<IHostPropertyCollection> properties;
    ComPtr<IHostFieldStyle> style;
    long count = 0;
    if (FAILED(field->get_Properties(properties.Put())) || !properties || FAILED(properties->get_Count(&count)))
        return style;
    for (long i = 0; i < count; ++i) {
        Variant index(i), item;
        if (FAILED(properties->Item(index, item.Put()))) return style;
        if ((item.vt == VT_DISPATCH || item.vt == VT_UNKNOWN) && item.punkVal) {
            item.punkVal->QueryInterface(IID_IHostFieldStyle, style.PutVoid());
            return style;
        }
    }
    return style;
}

// ---------------------------------------------------------------------------------------------

template <RendererKind Kind>
class HostRenderer
    : public platform::ComObject<HostRenderer<Kind>, platform::DualImpl<IHostRenderer>,
                                 platform::DualImpl<IHostRendererTest>, CallLogDual,
                                 platform::Also<IDispatch, platform::DualImpl<IHostRenderer>>> {
public:
    HostRenderer() : state_(StateOf(Kind)), faults_(StateOf(Kind).standIn) { this->BindLog(ClassLog(state_.standIn)); }

    ~HostRenderer() {
        for (auto& b : brushes_) ::DeleteObject(b.second);
        for (auto& p : pens_) ::DeleteObject(p.second);
    }

    HRESULT FinalConstruct() { return faults_.Check(L"create"); }

    // IHostRenderer -------------------------------------------------------------------------

    STDMETHODIMP AddFieldRenderer(IHostFieldRenderer* fieldRenderer) override {
        COM_TRY {
            if (state_.logging) {
                std::wstring field = L"<null>";
                long code = -1;
                if (fieldRenderer) {
                    ComPtr<IHostField> f;
                    fieldRenderer->get_RenderedField(f.Put());
                    field = FieldNameOf(f.Get());
                    fieldRenderer->get_AttributeCode(&code);
                }
                Write(CallLine(L"AddFieldRenderer", field, code));
            }
            RETURN_IF_FAILED(faults_.Check(L"AddFieldRenderer"));
            if (!fieldRenderer) return E_POINTER;
            fieldRenderers_.push_back(ComPtr<IHostFieldRenderer>(fieldRenderer));
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP DrawSymbol(HDC hdc, long x, long y, long code) override {
        if (state_.logging) Write(CallLine(L"DrawSymbol", hdc, x, y, code));
        RETURN_IF_FAILED(faults_.Check(L"DrawSymbol"));
        if (!hdc) return E_INVALIDARG;
        COM_TRY {
            COLORREF color = SymbolColorOf(code);
            HGDIOBJ oldBrush = ::SelectObject(hdc, BrushOf(color));
            HGDIOBJ oldPen = ::SelectObject(hdc, PenOf(color));
            long cx = x + state_.geometry.offsetX, cy = y + state_.geometry.offsetY;
            ::Ellipse(hdc, cx - kSymbolRadius, cy - kSymbolRadius, cx + kSymbolRadius + 1, cy + kSymbolRadius + 1);
            ::SelectObject(hdc, oldPen);
            ::SelectObject(hdc, oldBrush);
            ++state_.symbols;
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP GetHitRadius(int* radius) override {
        if (state_.logging) Write(CallLine(L"GetHitRadius"));
        if (!radius) return E_POINTER;
        RETURN_IF_FAILED(faults_.Check(L"GetHitRadius"));
        *radius = static_cast<int>(state_.geometry.hitRadius);
        return S_OK;
    }

    STDMETHODIMP HitTest(long dx, long dy, VARIANT_BOOL* covered) override {
        if (state_.logging) Write(CallLine(L"HitTest", dx, dy));
        if (!covered) return E_POINTER;
        *covered = VARIANT_FALSE;
        RETURN_IF_FAILED(faults_.Check(L"HitTest"));
        long ex = dx - state_.geometry.offsetX, ey = dy - state_.geometry.offsetY;
        *covered = ex * ex + ey * ey <= kSymbolRadius * kSymbolRadius ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }

    STDMETHODIMP GetSymbolOffset(long* offsetX, long* offsetY) override {
        if (state_.logging) Write(CallLine(L"GetSymbolOffset"));
        if (!offsetX || !offsetY) return E_POINTER;
        RETURN_IF_FAILED(faults_.Check(L"GetSymbolOffset"));
        *offsetX = state_.geometry.offsetX;
        *offsetY = state_.geometry.offsetY;
        return S_OK;
    }

    STDMETHODIMP SetLabelField(IHostField* labelField, short formatted) override {
        COM_TRY {
            if (state_.logging) Write(CallLine(L"SetLabelField", labelField ? FieldNameOf(labelField) : L"<null>", formatted));
            RETURN_IF_FAILED(faults_.Check(L"SetLabelField"));
            labelField_ = labelField;
            formatted_ = formatted != 0;
            fromText_ = false;
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    // Every label has the class's fixed size; a row without a label text takes no room.
    STDMETHODIMP GetLabelSize(HDC hdc, SIZE* extent) override {
        if (state_.logging) Write(CallLine(L"GetLabelSize", hdc));
        if (!extent) return E_POINTER;
        extent->cx = extent->cy = 0;
        RETURN_IF_FAILED(faults_.Check(L"GetLabelSize"));
        COM_TRY {
            std::wstring text;
            if (!CurrentLabel(&text)) return S_FALSE;
            extent->cx = state_.geometry.labelWidth;
            extent->cy = state_.geometry.labelHeight;
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP DrawLabel(HDC hdc, long x, long y) override {
        if (state_.logging) Write(CallLine(L"DrawLabel", hdc, x, y));
        RETURN_IF_FAILED(faults_.Check(L"DrawLabel"));
        if (!hdc) return E_INVALIDARG;
        COM_TRY {
            std::wstring text;
            if (!CurrentLabel(&text)) return S_FALSE;
            long lx = x + labelOffsetX_, ly = y + labelOffsetY_;
            if (labelStyle_) {
                platform::Bstr b(text);
                THROW_IF_FAILED(labelStyle_->DrawText(static_cast<OLE_HANDLE>(reinterpret_cast<UINT_PTR>(hdc)), lx, ly,
                                                      0.0, b.Get()));
            } else {
                ::TextOutW(hdc, lx, ly, text.c_str(), static_cast<int>(text.size()));
            }
            ++state_.labels;
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP GetLabelText(BSTR* label) override {
        if (state_.logging) Write(CallLine(L"GetLabelText"));
        if (!label) return E_POINTER;
        *label = nullptr;
        RETURN_IF_FAILED(faults_.Check(L"GetLabelText"));
        COM_TRY {
            std::wstring text;
            if (!CurrentLabel(&text)) return S_FALSE;
            return CopyOut(text, label);
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP Reserved16() override { return E_NOTIMPL; }

    STDMETHODIMP SetLabelStyle(IDispatch* labelStyle) override {
        if (state_.logging) Write(CallLine(L"SetLabelStyle", labelStyle));
        RETURN_IF_FAILED(faults_.Check(L"SetLabelStyle"));
        labelStyle_.Reset();
        if (labelStyle) {
            HRESULT hr = labelStyle->QueryInterface(IID_IHostLabelStyle, labelStyle_.PutVoid());
            if (FAILED(hr)) return hr;
        }
        return S_OK;
    }

    STDMETHODIMP SetLabelPlacement(long position, long alignment, long offsetX, long offsetY) override {
        if (state_.logging) Write(CallLine(L"SetLabelPlacement", position, alignment, offsetX, offsetY));
        RETURN_IF_FAILED(faults_.Check(L"SetLabelPlacement"));
        position_ = position;
        alignment_ = alignment;
        labelOffsetX_ = offsetX;
        labelOffsetY_ = offsetY;
        return S_OK;
    }

    STDMETHODIMP SetLabelText(BSTR label) override {
        COM_TRY {
            if (state_.logging) Write(CallLine(L"SetLabelText", label));
            RETURN_IF_FAILED(faults_.Check(L"SetLabelText"));
            labelText_ = label ? label : L"";
            fromText_ = true;
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP SetEnhancedDrawing(VARIANT_BOOL enhanced) override {
        if (state_.logging) Write(CallLine(L"SetEnhancedDrawing", static_cast<long>(enhanced)));
        RETURN_IF_FAILED(faults_.Check(L"SetEnhancedDrawing"));
        enhanced_ = enhanced != VARIANT_FALSE;
        return S_OK;
    }

    // IHostRendererTest ---------------------------------------------------------------------

    STDMETHODIMP get_Logging(VARIANT_BOOL* enabled) override {
        if (!enabled) return E_POINTER;
        *enabled = state_.logging ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }

    STDMETHODIMP put_Logging(VARIANT_BOOL enabled) override {
        state_.logging = enabled != VARIANT_FALSE;
        return S_OK;
    }

    STDMETHODIMP get_SymbolsDrawn(long* symbols) override {
        if (!symbols) return E_POINTER;
        *symbols = state_.symbols;
        return S_OK;
    }

    STDMETHODIMP get_LabelsDrawn(long* labels) override {
        if (!labels) return E_POINTER;
        *labels = state_.labels;
        return S_OK;
    }

    STDMETHODIMP ResetCounters() override {
        state_.symbols = 0;
        state_.labels = 0;
        return S_OK;
    }

    STDMETHODIMP SymbolColor(long code, OLE_COLOR* color) override {
        if (!color) return E_POINTER;
        *color = SymbolColorOf(code);
        return S_OK;
    }

    STDMETHODIMP SetGeometry(long radius, long offsetX, long offsetY, long labelWidth, long labelHeight) override {
        if (radius < 0 || labelWidth < 0 || labelHeight < 0) return E_INVALIDARG;
        state_.geometry = Geometry{radius, offsetX, offsetY, labelWidth, labelHeight};
        return S_OK;
    }

    STDMETHODIMP GetGeometry(long* radius, long* offsetX, long* offsetY, long* labelWidth, long* labelHeight) override {
        if (!radius || !offsetX || !offsetY || !labelWidth || !labelHeight) return E_POINTER;
        const Geometry& g = state_.geometry;
        *radius = g.hitRadius;
        *offsetX = g.offsetX;
        *offsetY = g.offsetY;
        *labelWidth = g.labelWidth;
        *labelHeight = g.labelHeight;
        return S_OK;
    }

    STDMETHODIMP ResetSettings() override {
        state_.Reset();
        return S_OK;
    }

private:
    void Write(std::wstring line) { this->Log().Add(std::move(line)); }

    // The current row's label: the text last set, else the label field's value (through the
    // field's style when formatted labels are asked for). False when there is none.
    bool CurrentLabel(std::wstring* text) {
        if (fromText_) {
            *text = labelText_;
            return !text->empty();
        }
        if (!labelField_) return false;
        Variant value;
        THROW_IF_FAILED(labelField_->get_CurrentValue(value.Put()));
        if (value.vt == VT_EMPTY || value.vt == VT_NULL) return false;
        ComPtr<IHostFieldStyle> style = formatted_ ? StyleOf(labelField_.Get()) : ComPtr<IHostFieldStyle>();
        if (style) {
            platform::Bstr formatted;
            Variant missing;
            missing.vt = VT_ERROR;
            missing.scode = DISP_E_PARAMNOTFOUND;
            THROW_IF_FAILED(style->FormatValue(0, value, missing, formatted.Put()));
            *text = formatted.Wide();
        } else if (value.vt == VT_R8) {
            *text = NumberText(value.dblVal);
        } else {
            *text = value.ToWide();
        }
        return !text->empty();
    }

    HBRUSH BrushOf(COLORREF color) {
        HBRUSH& b = brushes_[color];
        if (!b) b = ::CreateSolidBrush(color);
        if (!b) platform::ThrowHr(E_OUTOFMEMORY);
        return b;
    }

    HPEN PenOf(COLORREF color) {
        HPEN& p = pens_[color];
        if (!p) p = ::CreatePen(PS_SOLID, 1, color);
        if (!p) platform::ThrowHr(E_OUTOFMEMORY);
        return p;
    }

    RendererClassState& state_;
    FastFaults faults_;
    std::vector<ComPtr<IHostFieldRenderer>> fieldRenderers_;
    ComPtr<IHostField> labelField_;
    bool formatted_ = false;
    bool fromText_ = false;
    std::wstring labelText_;
    ComPtr<IHostLabelStyle> labelStyle_;
    long position_ = 0, alignment_ = 0, labelOffsetX_ = 0, labelOffsetY_ = 0;
    bool enhanced_ = false;
    std::map<COLORREF, HBRUSH> brushes_;
    std::map<COLORREF, HPEN> pens_;
};

// ---------------------------------------------------------------------------------------------

class HostFieldRenderer
    : public platform::ComObject<HostFieldRenderer, platform::DualImpl<IHostFieldRenderer>, CallLogDual,
                                 platform::Also<IDispatch, platform::DualImpl<IHostFieldRenderer>>> {
public:
    HostFieldRenderer() : faults_(L"fieldrenderer") { BindLog(ClassLog(L"fieldrenderer")); }

    HRESULT FinalConstruct() { return faults_.Check(L"create"); }

    STDMETHODIMP SetField(IHostField* styledField, long code) override {
        COM_TRY {
            Log().Add(CallLine(L"SetField", styledField ? FieldNameOf(styledField) : L"<null>", code));
            RETURN_IF_FAILED(faults_.Check(L"SetField"));
            field_ = styledField;
            code_ = code;
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP get_RenderedField(IHostField** styledField) override {
        if (!styledField) return E_POINTER;
        return field_.CopyTo(styledField);
    }

    STDMETHODIMP get_AttributeCode(long* code) override {
        if (!code) return E_POINTER;
        *code = code_;
        return S_OK;
    }

private:
    Faults faults_;
    ComPtr<IHostField> field_;
    long code_ = -1;
};

}  // namespace

HRESULT CreatePointRendererClass(REFIID iid, void** out) {
    return platform::CreateDefaultClassObject<HostRenderer<kPoints>>(iid, out);
}

HRESULT CreateEnhancedRendererClass(REFIID iid, void** out) {
    return platform::CreateDefaultClassObject<HostRenderer<kEnhancedPoints>>(iid, out);
}

HRESULT CreateCellSiteRendererClass(REFIID iid, void** out) {
    return platform::CreateDefaultClassObject<HostRenderer<kCellSites>>(iid, out);
}

HRESULT CreateFieldRendererClass(REFIID iid, void** out) {
    return platform::CreateDefaultClassObject<HostFieldRenderer>(iid, out);
}

}  // namespace hoststandin
