#include "standins/mapengine/Faults.h"

#include <cwchar>
#include <cwctype>

namespace mapengine {

namespace {

std::wstring Environment(const wchar_t* name) {
    wchar_t buf[512];
    DWORD n = ::GetEnvironmentVariableW(name, buf, 512);
    return n > 0 && n < 512 ? std::wstring(buf, n) : std::wstring();
}

std::wstring Trimmed(const std::wstring& s) {
    size_t a = 0, b = s.size();
    while (a < b && std::iswspace(s[a])) ++a;
    while (b > a && std::iswspace(s[b - 1])) --b;
    return s.substr(a, b - a);
}

}  // namespace

FaultSwitches FaultSwitches::Parse(const std::wstring& text) {
    FaultSwitches f;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(L',', start);
        std::wstring item = Trimmed(text.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start));
        if (item == L"no-viewobjectex") f.noViewObjectEx = true;
        else if (item == L"no-oleobject") f.noOleObject = true;
        else if (item == L"no-persiststreaminit") f.noPersistStreamInit = true;
        else if (item == L"fail-create") f.failCreate = E_FAIL;
        else if (item == L"fail-export") f.failExport = true;
        else if (item == L"fail-addfeature") f.failAddFeature = true;
        else if (item == L"fail-deletefeature") f.failDeleteFeature = true;
        else if (item == L"fail-zoom") f.failZoom = true;
        else if (item == L"fail-printmap") f.failPrintMap = true;
        else if (item == L"fail-bounds") f.failBounds = true;
        else if (item == L"fail-userdraw") f.failUserDraw = true;
        else if (item.compare(0, 12, L"fail-create=") == 0) {
            HRESULT hr = static_cast<HRESULT>(std::wcstoul(item.c_str() + 12, nullptr, 0));
            f.failCreate = FAILED(hr) ? hr : E_FAIL;
        }
        if (comma == std::wstring::npos) break;
        start = comma + 1;
    }
    return f;
}

FaultSwitches FaultSwitches::FromEnvironment() { return Parse(Environment(L"VADAZ_ENGINE_FAULTS")); }

bool DialogsAnswerOk() { return Environment(L"VADAZ_ENGINE_DIALOGS") != L"cancel"; }

}  // namespace mapengine
