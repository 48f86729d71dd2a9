// Range checks of the geographic and drawing arguments of automation methods. A failed check
// sets error information with a fixed English text and fails the method with E_FAIL.
#pragma once

#include <windows.h>

// What a failed check raises: not a COM error, so the entry point answers E_FAIL through its
// catch-all branch while the error information set by the check stays for the caller.
struct InputRangeError {};

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
