// Range checks of the geographic and drawing arguments of automation methods. A failed check
// raises E_FAIL with a fixed English text, named as the error of the class given.
#pragma once

#include <windows.h>

class InputValidator {
public:
    explicit InputValidator(const CLSID& source) noexcept : source_(&source) {}
    virtual ~InputValidator() = default;

    void ValidateLatitude(double value) const;   // -90 to +90
    void ValidateLongitude(double value) const;  // -180 to +180
    void ValidateAngle(double value) const;      // 0 to 360
    void ValidateOpacity(double value) const;    // 0 to 1

private:
    void Check(double value, double low, double high, const wchar_t* text) const;

    const CLSID* source_;
};
