#include "ZmaVOMap2/control/InputValidator.h"

#include "platform/Result.h"

#include <oleauto.h>

void InputValidator::ValidateLatitude(double value) const {
    Check(value, -90.0, 90.0, L"Latitude out of range, must be in the range -90 to +90");
}

void InputValidator::ValidateLongitude(double value) const {
    Check(value, -180.0, 180.0, L"Longitude out of range, must be in the range -180 to +180");
}

void InputValidator::ValidateAngle(double value) const {
    Check(value, 0.0, 360.0, L"Angle out of range, must be in the range 0 to 360");
}

void InputValidator::ValidateOpacity(double value) const {
    Check(value, 0.0, 1.0, L"Opacity out of range, must be in the range 0 to 1");
}

void InputValidator::Check(double value, double low, double high, const wchar_t* text) const {
    // Written so that a NaN, which compares false with everything, fails too.
    if (value >= low && value <= high) return;
    std::wstring source;
    LPOLESTR progId = nullptr;
    if (SUCCEEDED(::ProgIDFromCLSID(*source_, &progId))) {
        source = progId;
        ::CoTaskMemFree(progId);
    }
    throw platform::ComError(E_FAIL, text, source);
}
