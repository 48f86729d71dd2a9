#include "ZmaVOMap2/printing/QuickPrintUnits.h"

#include "ZmaVOMap2/printing/MapPageLayout.h"
#include "platform/Result.h"

#include <olectl.h>

#include <algorithm>
#include <cmath>

using platform::ComPtr;

QuickPrintUnits::QuickPrintUnits() {
    ComPtr<IUnknown> object;
    if (FAILED(::CoCreateInstance(CLSID_HostUnitConverter, nullptr, CLSCTX_ALL, IID_IUnknown, object.PutVoid())) ||
        FAILED(::OleRun(object.Get())) ||
        FAILED(object->QueryInterface(IID_IHostUnitConverter, converter_.PutVoid())))
        converter_ = nullptr;
}

long QuickPrintUnits::PaperUnit() { return UsesUsMeasure() ? kUnitInch : kUnitCentimetre; }

double QuickPrintUnits::Convert(double value, long from, long to) const {
    if (!converter_)
        throw platform::ComError(E_POINTER, L"The host's unit converter is not available: printed lengths cannot be converted",
                                 L"VadAZ");
    double result = 0.0;
    THROW_IF_FAILED(converter_->Convert(value, from, to, &result));
    return result;
}

std::wstring QuickPrintUnits::UnitName(long unit) const {
    platform::Bstr name;
    if (!converter_ || FAILED(converter_->UnitName(unit, name.Put()))) return L"";
    return name.Wide();
}

long QuickPrintUnits::FromPaper(double paper) const {
    const double hundredths = std::floor(Convert(paper, PaperUnit(), kUnitHundredthMillimetre) + 0.5);
    return static_cast<long>(std::clamp(hundredths, -2147483648.0, 2147483647.0));
}

bool MeetsMinimum(SIZE size) {
    const SIZE smallest = GetDefaultSize();
    return size.cx >= smallest.cx && size.cy >= smallest.cy;
}

SIZE EnlargeToMinimum(SIZE size) {
    if (size.cx <= 0 || size.cy <= 0) return size;
    const SIZE smallest = GetDefaultSize();
    // The larger of the two factors brings both sides up; the other one would leave one short.
    const double factor = std::max(static_cast<double>(smallest.cx) / size.cx, static_cast<double>(smallest.cy) / size.cy);
    if (factor <= 1.0) return size;
    return {std::max<long>(smallest.cx, static_cast<long>(std::floor(size.cx * factor))),
            std::max<long>(smallest.cy, static_cast<long>(std::floor(size.cy * factor)))};
}

SIZE FitShape(double aspect, SIZE box) {
    if (box.cx <= 0 || box.cy <= 0) return {0, 0};
    if (aspect <= static_cast<double>(box.cx) / box.cy) return {static_cast<long>(std::trunc(aspect * box.cy)), box.cy};
    return {box.cx, static_cast<long>(std::trunc(box.cx / aspect))};
}
