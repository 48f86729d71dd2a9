// The host's two legends: the screen legend (series with their text and check box) and the print
// legend, which also measures and draws itself as a block of series lines.
#include "standins/host/Classes.h"
#include "standins/host/StandIn.h"

#include "platform/ClassFactory.h"
#include "platform/Com.h"
#include "platform/Result.h"
#include "platform/UniqueHandle.h"

#include <algorithm>
#include <cstdlib>

namespace hoststandin {

using platform::ComPtr;

namespace {

// A series is present while the legend shows it; a series only mentioned (a check box set, a text
// given) is remembered too, so that tests see every call's effect.
struct Series {
    std::wstring guid;
    std::wstring text;
    bool present = false;
    bool checked = true;
    long visibility = 1;
};

class SeriesList {
public:
    Series& Find(const wchar_t* guid) {
        std::wstring key = guid ? guid : L"";
        for (Series& s : series_) {
            if (s.guid == key) return s;
        }
        Series s;
        s.guid = key;
        s.text = key;
        series_.push_back(s);
        return series_.back();
    }
    const Series* Get(const wchar_t* guid) const {
        std::wstring key = guid ? guid : L"";
        for (const Series& s : series_) {
            if (s.guid == key) return &s;
        }
        return nullptr;
    }
    std::vector<const Series*> Shown() const {
        std::vector<const Series*> shown;
        for (const Series& s : series_) {
            if (s.present) shown.push_back(&s);
        }
        return shown;
    }
    const std::vector<Series>& All() const { return series_; }

private:
    std::vector<Series> series_;
};

// IHostLegendTest over a series list; shared by both legends.
class LegendTestDual : public platform::DualImpl<IHostLegendTest> {
public:
    STDMETHODIMP AddSeries(BSTR seriesGuid, BSTR text) override {
        if (!seriesGuid) return E_INVALIDARG;
        COM_TRY {
            Series& s = series_.Find(seriesGuid);
            s.present = true;
            s.text = text ? text : L"";
            return S_OK;
        }
        COM_CATCH_RETURN();
    }
    STDMETHODIMP get_SeriesCount(long* count) override {
        if (!count) return E_POINTER;
        *count = static_cast<long>(series_.All().size());
        return S_OK;
    }
    STDMETHODIMP SeriesAt(long index, BSTR* seriesGuid) override {
        if (!seriesGuid) return E_POINTER;
        *seriesGuid = nullptr;
        if (index < 0 || static_cast<size_t>(index) >= series_.All().size()) return E_INVALIDARG;
        return CopyOut(series_.All()[index].guid, seriesGuid);
    }
    STDMETHODIMP GetSeries(BSTR seriesGuid, VARIANT_BOOL* present, VARIANT_BOOL* checked, long* visibility,
                           BSTR* text) override {
        if (!present || !checked || !visibility || !text) return E_POINTER;
        *text = nullptr;
        const Series* s = series_.Get(seriesGuid);
        *present = s && s->present ? VARIANT_TRUE : VARIANT_FALSE;
        *checked = s && s->checked ? VARIANT_TRUE : VARIANT_FALSE;
        *visibility = s ? s->visibility : 0;
        return CopyOut(s ? s->text : std::wstring(), text);
    }
    STDMETHODIMP get_Arrangement(long* arrangement) override {
        if (!arrangement) return E_POINTER;
        *arrangement = arrangement_;
        return S_OK;
    }

protected:
    SeriesList series_;
    long arrangement_ = 0;
};

}  // namespace
}  // namespace hoststandin

template <>
struct platform::InterfaceIdOf<hoststandin::LegendTestDual> {
    static const IID& Get() { return IID_IHostLegendTest; }
};

namespace hoststandin {
namespace {

class HostLegend
    : public platform::ComObject<HostLegend, platform::DualImpl<IHostVOLegend>, platform::DualImpl<IHostLegendSeries>,
                                 platform::DualImpl<IHostLegendText>, LegendTestDual, CallLogDual,
                                 platform::Also<IDispatch, platform::DualImpl<IHostVOLegend>>> {
public:
    HostLegend() : faults_(L"legend") { BindLog(log_); }

    HRESULT FinalConstruct() { return faults_.Check(L"create"); }

    // IHostLegendSeries
    STDMETHODIMP RemoveSeries(BSTR seriesGuid, VARIANT notify) override {
        Log().Add(CallLine(L"RemoveSeries", seriesGuid, notify));
        RETURN_IF_FAILED(faults_.Check(L"RemoveSeries"));
        COM_TRY {
            series_.Find(seriesGuid).present = false;
            return S_OK;
        }
        COM_CATCH_RETURN();
    }
    STDMETHODIMP Reserved8() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved9() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved10() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved11() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved12() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved13() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved14() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved15() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved16() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved17() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved18() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved19() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved20() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved21() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved22() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved23() override { return E_NOTIMPL; }
    STDMETHODIMP SetCheckBox(BSTR seriesGuid, VARIANT_BOOL checked) override {
        Log().Add(CallLine(L"SetCheckBox", seriesGuid, checked));
        RETURN_IF_FAILED(faults_.Check(L"SetCheckBox"));
        COM_TRY {
            series_.Find(seriesGuid).checked = checked != VARIANT_FALSE;
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    // IHostLegendText
    STDMETHODIMP GetSeriesText(BSTR seriesKey, BSTR* text) override {
        Log().Add(CallLine(L"GetSeriesText", seriesKey));
        if (!text) return E_POINTER;
        *text = nullptr;
        RETURN_IF_FAILED(faults_.Check(L"GetSeriesText"));
        const Series* s = series_.Get(seriesKey);
        if (!s || !s->present) return Fail(E_INVALIDARG, L"The legend does not show this series", L"Legend");
        return CopyOut(s->text, text);
    }

private:
    CallLog log_;
    Faults faults_;
};

// Lines of the print legend, in hundredths of a millimetre.
constexpr long kLineHeight = 500;
constexpr long kColumnWidth = 4000;
// The print legend's fill, for pictures of printed pages to find.
const COLORREF kPrintLegendColour = RGB(255, 200, 0);

class HostPrintLegend
    : public platform::ComObject<HostPrintLegend, IHostPrintLegend, IViewObjectEx,
                                 platform::Also<IViewObject2, IViewObjectEx>, platform::Also<IViewObject, IViewObjectEx>,
                                 LegendTestDual, CallLogDual, platform::Also<IDispatch, LegendTestDual>> {
public:
    HostPrintLegend() : faults_(L"printlegend") { BindLog(log_); }

    HRESULT FinalConstruct() { return faults_.Check(L"create"); }

    STDMETHODIMP RemoveSeries(BSTR seriesGuid, VARIANT notify) override {
        Log().Add(CallLine(L"RemoveSeries", seriesGuid, notify));
        RETURN_IF_FAILED(faults_.Check(L"RemoveSeries"));
        COM_TRY {
            series_.Find(seriesGuid).present = false;
            return S_OK;
        }
        COM_CATCH_RETURN();
    }
    STDMETHODIMP Reserved4() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved5() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved6() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved7() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved8() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved9() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved10() override { return E_NOTIMPL; }
    STDMETHODIMP AddSeries(IDispatch* dataset, BSTR seriesGuid, IDispatch* fieldConfiguration) override {
        Log().Add(CallLine(L"AddSeries", dataset, seriesGuid, fieldConfiguration));
        RETURN_IF_FAILED(faults_.Check(L"AddSeries"));
        if (!seriesGuid) return E_INVALIDARG;
        COM_TRY {
            series_.Find(seriesGuid).present = true;
            return S_OK;
        }
        COM_CATCH_RETURN();
    }
    STDMETHODIMP Reserved12() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved13() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved14() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved15() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved16() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved17() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved18() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved19() override { return E_NOTIMPL; }
    STDMETHODIMP SetCheckBox(BSTR seriesGuid, VARIANT_BOOL checked) override {
        Log().Add(CallLine(L"SetCheckBox", seriesGuid, checked));
        RETURN_IF_FAILED(faults_.Check(L"SetCheckBox"));
        COM_TRY {
            series_.Find(seriesGuid).checked = checked != VARIANT_FALSE;
            return S_OK;
        }
        COM_CATCH_RETURN();
    }
    STDMETHODIMP Reserved21() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved22() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved23() override { return E_NOTIMPL; }
    STDMETHODIMP SetLegendText(BSTR seriesKey, BSTR text) override {
        Log().Add(CallLine(L"SetLegendText", seriesKey, text));
        RETURN_IF_FAILED(faults_.Check(L"SetLegendText"));
        COM_TRY {
            series_.Find(seriesKey).text = text ? text : L"";
            return S_OK;
        }
        COM_CATCH_RETURN();
    }
    STDMETHODIMP Reserved25() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved26() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved27() override { return E_NOTIMPL; }
    STDMETHODIMP SetVisibility(BSTR seriesGuid, short visible) override {
        Log().Add(CallLine(L"SetVisibility", seriesGuid, visible));
        RETURN_IF_FAILED(faults_.Check(L"SetVisibility"));
        COM_TRY {
            series_.Find(seriesGuid).visibility = visible;
            return S_OK;
        }
        COM_CATCH_RETURN();
    }
    STDMETHODIMP Draw(HDC hdc, long left, long top, long width, long height) override {
        Log().Add(CallLine(L"Draw", hdc, left, top, width, height));
        RETURN_IF_FAILED(faults_.Check(L"Draw"));
        return Paint(hdc, left, top, width, height);
    }
    STDMETHODIMP Measure(HDC hdc, long* width, long* height) override {
        Log().Add(CallLine(L"Measure", hdc, width ? *width : 0L, height ? *height : 0L));
        if (!width || !height) return E_POINTER;
        RETURN_IF_FAILED(faults_.Check(L"Measure"));
        MeasureInto(*width, *height);
        return S_OK;
    }
    STDMETHODIMP Reserved31() override { return E_NOTIMPL; }
    STDMETHODIMP SetArrangement(int arrangement) override {
        Log().Add(CallLine(L"SetArrangement", arrangement));
        RETURN_IF_FAILED(faults_.Check(L"SetArrangement"));
        arrangement_ = arrangement;
        return S_OK;
    }
    STDMETHODIMP DrawFixed(HDC hdc, long left, long top, long width, long height, long widthFixed, long heightFixed,
                           int arrangement) override {
        Log().Add(CallLine(L"DrawFixed", hdc, left, top, width, height, widthFixed, heightFixed, arrangement));
        RETURN_IF_FAILED(faults_.Check(L"DrawFixed"));
        return Paint(hdc, left, top, width, height);
    }

    // IViewObjectEx: the legend drawn into the bounds it is given.
    STDMETHODIMP Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC hdcDraw, LPCRECTL bounds, LPCRECTL,
                      BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override {
        Log().Add(CallLine(L"IViewObject::Draw", static_cast<unsigned long>(aspect)));
        if (!hdcDraw || !bounds) return E_INVALIDARG;
        return Paint(hdcDraw, bounds->left, bounds->top, bounds->right - bounds->left, bounds->bottom - bounds->top);
    }
    STDMETHODIMP GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colorSet) override {
        if (colorSet) *colorSet = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Unfreeze(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override {
        adviseAspects_ = aspects;
        adviseFlags_ = flags;
        advise_ = sink;
        return S_OK;
    }
    STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override {
        if (aspects) *aspects = adviseAspects_;
        if (flags) *flags = adviseFlags_;
        if (sink) advise_.CopyTo(sink);
        return S_OK;
    }
    STDMETHODIMP GetExtent(DWORD, LONG, DVTARGETDEVICE*, LPSIZEL size) override {
        if (!size) return E_POINTER;
        long width = 0, height = 0;
        MeasureInto(width, height);
        size->cx = width;
        size->cy = height;
        return S_OK;
    }
    STDMETHODIMP GetRect(DWORD, LPRECTL) override { return E_NOTIMPL; }
    STDMETHODIMP GetViewStatus(DWORD* status) override {
        if (!status) return E_POINTER;
        *status = VIEWSTATUS_OPAQUE;
        return S_OK;
    }
    STDMETHODIMP QueryHitPoint(DWORD, LPCRECT, POINT, LONG, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryHitRect(DWORD, LPCRECT, LPCRECT, LONG, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP GetNaturalExtent(DWORD, LONG, DVTARGETDEVICE*, HDC, DVEXTENTINFO*, LPSIZEL) override {
        return E_NOTIMPL;
    }

private:
    // The caller fixes one dimension; the other follows from the shown series: a column layout
    // wraps into more columns when the height is short, a row layout wraps into more rows (and
    // narrows to the columns it uses).
    void MeasureInto(long& width, long& height) const {
        long count = std::max<long>(1, static_cast<long>(series_.Shown().size()));
        if (height > 0 && width <= 0) {
            long perColumn = std::max<long>(1, height / kLineHeight);
            width = (count + perColumn - 1) / perColumn * kColumnWidth;
        } else if (width > 0 && height <= 0) {
            long perRow = std::max<long>(1, width / kColumnWidth);
            height = (count + perRow - 1) / perRow * kLineHeight;
            // The rows are no wider than the columns they use.
            width = std::min(width, std::min(count, perRow) * kColumnWidth);
        } else if (width <= 0 && height <= 0) {
            width = kColumnWidth;
            height = count * kLineHeight;
        }
    }

    // An amber block with a frame and one line per shown series, in whatever direction the
    // mapping mode runs (MM_HIMETRIC heights are negative).
    HRESULT Paint(HDC hdc, long left, long top, long width, long height) {
        if (!hdc) return E_INVALIDARG;
        COM_TRY {
            RECT frame = {left, top, left + width, top + height};
            RECT fill = {std::min(frame.left, frame.right), std::min(frame.top, frame.bottom),
                         std::max(frame.left, frame.right), std::max(frame.top, frame.bottom)};
            platform::UniqueHBrush amber(::CreateSolidBrush(kPrintLegendColour));
            ::FillRect(hdc, &fill, amber.Get());
            ::MoveToEx(hdc, frame.left, frame.top, nullptr);
            ::LineTo(hdc, frame.right, frame.top);
            ::LineTo(hdc, frame.right, frame.bottom);
            ::LineTo(hdc, frame.left, frame.bottom);
            ::LineTo(hdc, frame.left, frame.top);
            std::vector<const Series*> shown = series_.Shown();
            long lines = static_cast<long>(shown.size());
            if (lines == 0) return S_OK;
            long step = height / lines;
            const long lineHeight = std::min(std::labs(step), kLineHeight);
            platform::UniqueHFont font(::CreateFontW(-lineHeight * 2 / 3, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                                     DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"));
            platform::SelectObjectRestorer useFont(hdc, font.Get());
            int oldMode = ::SetBkMode(hdc, TRANSPARENT);
            for (long i = 0; i < lines; ++i) {
                const Series& s = *shown[i];
                std::wstring text = (s.checked ? L"[x] " : L"[ ] ") + s.text;
                ::TextOutW(hdc, left + 2, top + i * step, text.c_str(), static_cast<int>(text.size()));
            }
            ::SetBkMode(hdc, oldMode);
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    CallLog log_;
    Faults faults_;
    DWORD adviseAspects_ = 0;
    DWORD adviseFlags_ = 0;
    ComPtr<IAdviseSink> advise_;
};

}  // namespace

HRESULT CreateLegendClass(REFIID iid, void** out) { return platform::CreateDefaultClassObject<HostLegend>(iid, out); }

HRESULT CreatePrintLegendClass(REFIID iid, void** out) {
    return platform::CreateDefaultClassObject<HostPrintLegend>(iid, out);
}

}  // namespace hoststandin
