// Tile addresses. In token mode an address is made of fixed pieces on a tile server chosen by
// number; in key mode it comes from the address template the imagery service hands out, with its
// "{quadkey}" and "{subdomain}" places filled. Pure functions.
#pragma once

#include <windows.h>

#include <string>

namespace imagery {

// Imagery types, as saved in "MapType".
enum ImageryType : int { kRoad = 0, kAerial = 1, kAerialWithLabels = 2 };

// The longest tile address asked for: the longest address the system's requests take. A longer
// one (from a template or a token of any length) is refused, never cut.
constexpr size_t kMaxTileAddress = 2083;

// The default tile servers: "%d" stands for the server number (0 to 3); the alternative road
// server has none.
constexpr const wchar_t* kDefaultTileServer = L"http://r%d.tiles.imagery.zemro.net/tiles/";
constexpr const wchar_t* kDefaultAlternativeTileServer = L"http://r2.tiles.imagery.zemro.cn/tiles/";

// What a token-mode address is made of, apart from the tile and the server number.
struct TokenAddressParts {
    int imageryType = kRoad;
    bool alternativeServer = false;  // road tiles come from the alternative server
    std::wstring culture;            // "&mkt=" when not empty
    std::wstring token;              // "&token=" when not empty
    std::wstring tileServer = kDefaultTileServer;
    std::wstring alternativeTileServer = kDefaultAlternativeTileServer;
};
// Whether the address comes from the alternative server (which has no server numbers).
bool UsesAlternativeServer(const TokenAddressParts& parts);
// The token goes in as one query argument: whatever would end it (see EncodeQueryValue) is encoded.
std::wstring TokenTileAddress(const TokenAddressParts& parts, const std::wstring& quadkey, int server);
// `value` with the characters that would end a query argument, or start a new one in the
// server's reading ('&', '#', a blank, and '+', which servers read as a blank), percent-encoded.
std::wstring EncodeQueryValue(const std::wstring& value);

// Whether `text` holds a control character (below 0x20, or 0x7F). Such text never goes into an
// address: in a request's head it would start lines of its own.
bool HoldsControlCharacter(const std::wstring& text);

// Key mode: the template with its first "{quadkey}" and first "{subdomain}" replaced, wherever
// they stand. A template without "{subdomain}" ignores `subdomain`.
std::wstring KeyTileAddress(const std::wstring& addressTemplate, const std::wstring& quadkey,
                            const std::wstring& subdomain);
bool HasSubdomainPlace(const std::wstring& addressTemplate);
// Key mode's road tiles on the alternative server.
std::wstring AlternativeKeyTileAddress(const std::wstring& alternativeTileServer, const std::wstring& quadkey);

// The text logged for a failed HRESULT: the system's message without its line end, else
// "IDispatch error #n" for the dispatch range, else "Unknown error 0x...".
std::wstring HResultMessage(HRESULT hr);

}  // namespace imagery
