#include "ZmaVOMap2/imagery/TileAddress.h"

#include <cwchar>

namespace imagery {

namespace {

constexpr wchar_t kQuadKeyPlace[] = L"{quadkey}";
constexpr wchar_t kSubdomainPlace[] = L"{subdomain}";

// The server number goes where the configured address has "%d"; it is placed by hand, so that a
// configured address is never used as a format.
std::wstring PlaceServerNumber(const std::wstring& server, int number) {
    std::wstring address = server;
    const size_t at = address.find(L"%d");
    if (at != std::wstring::npos) address.replace(at, 2, std::to_wstring(number));
    return address;
}

}  // namespace

bool UsesAlternativeServer(const TokenAddressParts& parts) {
    return parts.imageryType == kRoad && parts.alternativeServer;
}

std::wstring TokenTileAddress(const TokenAddressParts& parts, const std::wstring& quadkey, int server) {
    const bool alternative = UsesAlternativeServer(parts);
    std::wstring address = alternative ? parts.alternativeTileServer : PlaceServerNumber(parts.tileServer, server);
    switch (parts.imageryType) {
    case kRoad: address += L"r" + quadkey + L".png"; break;
    case kAerial: address += L"a" + quadkey + L".jpeg"; break;
    case kAerialWithLabels: address += L"h" + quadkey + L".jpeg"; break;
    default: break;
    }
    address += alternative ? L"?g=66" : L"?g=138";
    if (!parts.culture.empty()) address += L"&mkt=" + parts.culture;
    if (!parts.token.empty()) address += L"&token=" + EncodeQueryValue(parts.token);
    return address;
}

std::wstring EncodeQueryValue(const std::wstring& value) {
    std::wstring encoded;
    for (wchar_t c : value) {
        switch (c) {
        case L' ': encoded += L"%20"; break;
        case L'#': encoded += L"%23"; break;
        case L'&': encoded += L"%26"; break;
        case L'+': encoded += L"%2B"; break;
        default: encoded += c;
        }
    }
    return encoded;
}

bool HoldsControlCharacter(const std::wstring& text) {
    for (wchar_t c : text)
        if (c < 0x20 || c == 0x7F) return true;
    return false;
}

bool HasSubdomainPlace(const std::wstring& addressTemplate) {
    return addressTemplate.find(kSubdomainPlace) != std::wstring::npos;
}

std::wstring KeyTileAddress(const std::wstring& addressTemplate, const std::wstring& quadkey,
                            const std::wstring& subdomain) {
    std::wstring address = addressTemplate;
    const size_t quadkeyAt = address.find(kQuadKeyPlace);
    const size_t subdomainAt = address.find(kSubdomainPlace);
    const size_t quadkeyLength = std::wcslen(kQuadKeyPlace), subdomainLength = std::wcslen(kSubdomainPlace);
    // The later place first, so that the earlier one's position still holds.
    auto replaceQuadKey = [&] {
        if (quadkeyAt != std::wstring::npos) address.replace(quadkeyAt, quadkeyLength, quadkey);
    };
    auto replaceSubdomain = [&] {
        if (subdomainAt != std::wstring::npos) address.replace(subdomainAt, subdomainLength, subdomain);
    };
    if (subdomainAt != std::wstring::npos && (quadkeyAt == std::wstring::npos || subdomainAt > quadkeyAt)) {
        replaceSubdomain();
        replaceQuadKey();
    } else {
        replaceQuadKey();
        replaceSubdomain();
    }
    return address;
}

std::wstring AlternativeKeyTileAddress(const std::wstring& alternativeTileServer, const std::wstring& quadkey) {
    return alternativeTileServer + L"r" + quadkey + L".png?g=77";
}

std::wstring HResultMessage(HRESULT hr) {
    wchar_t* text = nullptr;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, static_cast<DWORD>(hr), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                         reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length && text ? std::wstring(text, length) : std::wstring();
    if (text) ::LocalFree(text);
    if (message.size() >= 2 && message.compare(message.size() - 2, 2, L"\r\n") == 0) message.resize(message.size() - 2);
    if (!message.empty()) return message;

    wchar_t buffer[64];
    const unsigned long code = static_cast<unsigned long>(hr);
    if (code >= 0x80040200UL && code <= 0x8004FFFFUL && (code & 0xFFFFUL) != 0x0200UL)
        std::swprintf(buffer, 64, L"IDispatch error #%d", static_cast<int>((code & 0xFFFFUL) - 0x200UL));
    else
        std::swprintf(buffer, 64, L"Unknown error 0x%0lX", code);
    return buffer;
}

}  // namespace imagery
