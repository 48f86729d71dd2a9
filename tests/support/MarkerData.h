// A drag source's data as the host puts it on a marker drop: "ZemroMarker" bytes, a message
// number, a stationary flag and a label.
#pragma once

#include "platform/ComObject.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace testsupport {

// A drag source's data: "ZemroMarker" bytes as the host puts them on a drop.
class MarkerData : public platform::ComObject<MarkerData, IDataObject> {
public:
    explicit MarkerData(std::vector<unsigned char> bytes, bool offered = true)
        : bytes_(std::move(bytes)), offered_(offered) {}
    static std::vector<unsigned char> Payload(long number, unsigned char stationary, const char* label) {
        const size_t length = std::strlen(label) + 1;
        std::vector<unsigned char> b(5 + length);
        std::memcpy(b.data(), &number, 4);
        b[4] = stationary;
        std::memcpy(b.data() + 5, label, length);
        return b;
    }

    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
        HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, bytes_.size());
        std::memcpy(::GlobalLock(block), bytes_.data(), bytes_.size());
        ::GlobalUnlock(block);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = block;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC* format) override {
        const CLIPFORMAT marker = static_cast<CLIPFORMAT>(::RegisterClipboardFormatW(L"ZemroMarker"));
        return offered_ && format && format->cfFormat == marker && (format->tymed & TYMED_HGLOBAL) ? S_OK
                                                                                                   : DV_E_FORMATETC;
    }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP DUnadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

private:
    std::vector<unsigned char> bytes_;
    bool offered_;
};

}  // namespace testsupport
