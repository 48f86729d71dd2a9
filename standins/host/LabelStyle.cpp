// The host's label style: an OLE font, a text and a background colour, five flags, and drawing
// a label text at a point with a rotation.
#include "standins/host/Classes.h"
#include "standins/host/StandIn.h"

#include "platform/ClassFactory.h"
#include "platform/Com.h"
#include "platform/Result.h"
#include "platform/UniqueHandle.h"

#include <olectl.h>

#include <cmath>
#include <cwctype>

namespace hoststandin {

using platform::ComPtr;

namespace {

COLORREF ToColorRef(OLE_COLOR c) {
    COLORREF result = 0;
    return SUCCEEDED(::OleTranslateColor(c, nullptr, &result)) ? result : RGB(0, 0, 0);
}

class HostLabelStyle
    : public platform::ComObject<HostLabelStyle, platform::DualImpl<IHostLabelStyle>, CallLogDual,
                                 platform::Also<IDispatch, platform::DualImpl<IHostLabelStyle>>> {
public:
    HostLabelStyle() : faults_(L"labelstyle") { BindLog(log_); }

    HRESULT FinalConstruct() {
        RETURN_IF_FAILED(faults_.Check(L"create"));
        FONTDESC desc = {};
        desc.cbSizeofstruct = sizeof desc;
        desc.lpstrName = const_cast<LPOLESTR>(L"Arial");
        desc.cySize.int64 = 80000;  // 8 points
        desc.sWeight = FW_NORMAL;
        desc.sCharset = DEFAULT_CHARSET;
        return ::OleCreateFontIndirect(&desc, IID_IFont, font_.PutVoid());
    }

    STDMETHODIMP get_Font(IFont** font) override {
        Log().Add(CallLine(L"get_Font"));
        if (!font) return E_POINTER;
        *font = nullptr;
        RETURN_IF_FAILED(faults_.Check(L"get_Font"));
        return font_.CopyTo(font);
    }
    STDMETHODIMP putref_Font(IFont* font) override {
        Log().Add(CallLine(L"putref_Font", font));
        if (!font) return E_POINTER;
        RETURN_IF_FAILED(faults_.Check(L"putref_Font"));
        font_ = font;
        return S_OK;
    }

#define STYLE_PROPERTY(Name, Type, member)                                                          \
    STDMETHODIMP get_##Name(Type* value) override {                                                \
        Log().Add(CallLine(L"get_" #Name));                                                          \
        if (!value) return E_POINTER;                                                                 \
        RETURN_IF_FAILED(faults_.Check(L"get_" #Name));                                              \
        *value = member;                                                                              \
        return S_OK;                                                                                  \
    }                                                                                                 \
    STDMETHODIMP put_##Name(Type value) override {                                                 \
        Log().Add(CallLine(L"put_" #Name, value));                                                   \
        RETURN_IF_FAILED(faults_.Check(L"put_" #Name));                                              \
        member = value;                                                                               \
        return S_OK;                                                                                  \
    }

    STYLE_PROPERTY(TextColor, OLE_COLOR, textColor_)
    STYLE_PROPERTY(BackColor, OLE_COLOR, backColor_)
    STYLE_PROPERTY(Opaque, VARIANT_BOOL, opaque_)
    STYLE_PROPERTY(Halo, VARIANT_BOOL, halo_)
    STYLE_PROPERTY(Shadow, VARIANT_BOOL, shadow_)
    STYLE_PROPERTY(AllCaps, VARIANT_BOOL, allCaps_)
    STYLE_PROPERTY(DoubleSpace, VARIANT_BOOL, doubleSpace_)
#undef STYLE_PROPERTY

    // Draws with the device context's own text alignment, so that the caller's choice of anchor
    // holds. Halo and shadow are drawn in the background colour under the text.
    STDMETHODIMP DrawText(OLE_HANDLE hdcHandle, long x, long y, double angle, BSTR text) override {
        Log().Add(CallLine(L"DrawText", x, y, angle, text));
        RETURN_IF_FAILED(faults_.Check(L"DrawText"));
        HDC hdc = reinterpret_cast<HDC>(static_cast<UINT_PTR>(hdcHandle));
        if (!hdc) return E_INVALIDARG;
        COM_TRY {
            std::wstring s = text ? text : L"";
            if (allCaps_ != VARIANT_FALSE) {
                for (wchar_t& c : s) c = static_cast<wchar_t>(std::towupper(c));
            }
            if (doubleSpace_ != VARIANT_FALSE && s.size() > 1) {
                std::wstring spaced;
                for (size_t i = 0; i < s.size(); ++i) {
                    if (i) spaced += L' ';
                    spaced += s[i];
                }
                s = spaced;
            }
            HFONT base = nullptr;
            THROW_IF_FAILED(font_->get_hFont(reinterpret_cast<HFONT*>(&base)));
            LOGFONTW lf = {};
            if (!::GetObjectW(base, sizeof lf, &lf)) platform::ThrowHr(E_FAIL);
            long tenths = static_cast<long>(std::lround(angle * 10.0));
            lf.lfEscapement = lf.lfOrientation = tenths;
            HFONT rotated = ::CreateFontIndirectW(&lf);
            if (!rotated) platform::ThrowHr(E_OUTOFMEMORY);
            HGDIOBJ old = ::SelectObject(hdc, rotated);
            int oldMode = ::SetBkMode(hdc, opaque_ != VARIANT_FALSE ? OPAQUE : TRANSPARENT);
            COLORREF oldBack = ::SetBkColor(hdc, ToColorRef(backColor_));
            COLORREF oldText = ::GetTextColor(hdc);
            int length = static_cast<int>(s.size());
            if (halo_ != VARIANT_FALSE || shadow_ != VARIANT_FALSE) {
                ::SetTextColor(hdc, ToColorRef(backColor_));
                int oldInner = ::SetBkMode(hdc, TRANSPARENT);
                if (halo_ != VARIANT_FALSE) {
                    for (int dx = -1; dx <= 1; ++dx)
                        for (int dy = -1; dy <= 1; ++dy)
                            if (dx || dy) ::TextOutW(hdc, x + dx, y + dy, s.c_str(), length);
                }
                if (shadow_ != VARIANT_FALSE) ::TextOutW(hdc, x + 2, y + 2, s.c_str(), length);
                ::SetBkMode(hdc, oldInner);
            }
            ::SetTextColor(hdc, ToColorRef(textColor_));
            ::TextOutW(hdc, x, y, s.c_str(), length);
            ::SetTextColor(hdc, oldText);
            ::SetBkColor(hdc, oldBack);
            ::SetBkMode(hdc, oldMode);
            ::SelectObject(hdc, old);
            ::DeleteObject(rotated);
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

private:
    CallLog log_;
    Faults faults_;
    ComPtr<IFont> font_;
    OLE_COLOR textColor_ = 0x000000;
    OLE_COLOR backColor_ = 0xFFFFFF;
    VARIANT_BOOL opaque_ = VARIANT_FALSE;
    VARIANT_BOOL halo_ = VARIANT_FALSE;
    VARIANT_BOOL shadow_ = VARIANT_FALSE;
    VARIANT_BOOL allCaps_ = VARIANT_FALSE;
    VARIANT_BOOL doubleSpace_ = VARIANT_FALSE;
};

}  // namespace

HRESULT CreateLabelStyleClass(REFIID iid, void** out) {
    return platform::CreateDefaultClassObject<HostLabelStyle>(iid, out);
}

}  // namespace hoststandin
