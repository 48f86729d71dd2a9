#include "ZmaVOMap2/imagery/ImageryProcess.h"

#include "ZmaVOMap2/imagery/ImageryLog.h"
#include "ZmaVOMap2/imagery/ImageryWebServices.h"
#include "ZmaVOMap2/imagery/TileAddress.h"
#include "ZmaVOMap2/services/NumberInput.h"
#include "platform/Com.h"
#include "platform/Result.h"

#include <cwchar>

namespace imagery {

namespace {
ImageryServices* g_services = &WebServices();
}  // namespace

ProcessState& Process() {
    static ProcessState state;
    return state;
}

void SetImageryServices(ImageryServices* services) noexcept { g_services = services; }

ImageryServices* Services() noexcept { return g_services; }

std::wstring ProxyAddressFault(const std::wstring& address) {
    if (!HoldsControlCharacter(address)) return std::wstring();
    return L"The proxy address must not hold a control character (such as a tab or a line break).";
}

std::wstring ProxyPortFault(const std::wstring& port) {
    const NumberRange ports = NumberRange::Whole(1, 65535);
    double number = 0;
    if (port.empty() || ReadNumber(platform::ToAnsi(port), ports, number)) return std::wstring();
    return RangeMessage(L"The proxy port", ports);
}

bool ReadAddressSetting(HKEY key, const wchar_t* name, std::wstring& value) {
    DWORD size = 0, type = 0;
    if (::RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ || size < 2)
        return false;
    std::wstring text(size / sizeof(wchar_t), L'\0');
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&text[0]), &size) != ERROR_SUCCESS)
        return false;
    text.resize(wcsnlen(text.c_str(), text.size()));
    if (text.empty()) return false;
    // Addresses are made from it: a value that would write lines into a request is none.
    if (HoldsControlCharacter(text)) {
        Log(platform::kLogLevelError,
            "Refused " + platform::ToAnsi(name) + " holding a control character : " + LoggedAddress(text));
        return false;
    }
    value = text;
    return true;
}

}  // namespace imagery
