#include "ZmaVOMap2/imagery/TileCache.h"

#include "ZmaVOMap2/imagery/ImageryLog.h"
#include "ZmaVOMap2/imagery/TilePicture.h"
#include "platform/Com.h"
#include "platform/Result.h"
#include "platform/UniqueHandle.h"

#include <urlmon.h>
#include <wininet.h>

#include <vector>

namespace imagery {

namespace {

// The extension of the address's file name ("png", "jpeg"), which the cache gives its file.
std::wstring ExtensionOf(const std::wstring& address) {
    const size_t end = address.find_first_of(L"?#");
    const std::wstring path = address.substr(0, end);
    const size_t dot = path.rfind(L'.'), slash = path.rfind(L'/');
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) return std::wstring();
    return path.substr(dot + 1);
}

// Writes `bytes` as the cache's entry for `address`; false when the cache takes nothing.
bool StoreInCache(const std::wstring& address, const std::string& bytes, std::wstring& cacheFile) {
    const std::wstring extension = ExtensionOf(address);
    wchar_t file[MAX_PATH] = {};
    if (!::CreateUrlCacheEntryW(address.c_str(), static_cast<DWORD>(bytes.size()), extension.c_str(), file, 0))
        return false;
    bool written = false;
    {
        platform::UniqueHandle<platform::FileHandleTraits> out(
            ::CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD count = 0;
        written = out && ::WriteFile(out.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &count, nullptr) &&
                  count == bytes.size();
    }
    const FILETIME never = {};
    if (!written || !::CommitUrlCacheEntryW(address.c_str(), file, never, never, NORMAL_CACHE_ENTRY, nullptr, 0,
                                            extension.c_str(), nullptr)) {
        ::DeleteFileW(file);
        return false;
    }
    cacheFile = file;
    return true;
}

}  // namespace

bool FindCachedTile(const std::wstring& address, std::wstring& cacheFile) {
    DWORD size = 0;
    if (::GetUrlCacheEntryInfoW(address.c_str(), nullptr, &size) || ::GetLastError() != ERROR_INSUFFICIENT_BUFFER ||
        size < sizeof(INTERNET_CACHE_ENTRY_INFOW))
        return false;
    std::vector<unsigned char> buffer(size);
    auto* entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer.data());
    entry->dwStructSize = sizeof(INTERNET_CACHE_ENTRY_INFOW);
    if (!::GetUrlCacheEntryInfoW(address.c_str(), entry, &size) || !entry->lpszLocalFileName) return false;
    cacheFile = entry->lpszLocalFileName;
    // An entry whose file went away holds no tile.
    return !cacheFile.empty() && ::GetFileAttributesW(cacheFile.c_str()) != INVALID_FILE_ATTRIBUTES;
}

HRESULT DownloadTileToCache(const std::wstring& address, std::wstring& cacheFile, ProxyCredentialSource* credentials,
                            HWND askFrom, HANDLE stop, const RequestBounds& bounds) {
    HttpRequest request;
    request.address = address;
    request.proxyCredentials = credentials;
    request.askFrom = askFrom;
    request.stop = stop;
    HttpAnswer answer;
    RETURN_IF_FAILED(SendHttpRequest(request, bounds, answer));
    if (answer.status != HTTP_STATUS_OK) {
        Log(platform::kLogLevelError, "Tile not kept: the server answered " + std::to_string(answer.status) + ". URL = " +
                                          WithoutCredentials(platform::ToAnsi(address)));
        return INET_E_DOWNLOAD_FAILURE;
    }
    if (!IsDrawableTile(answer.body)) {
        Log(platform::kLogLevelError, "Tile not kept: an answer of " + std::to_string(answer.body.size()) +
                                          " bytes that is no picture of at most " + std::to_string(kMaxTilePixels) +
                                          " x " + std::to_string(kMaxTilePixels) + " pixels. URL = " +
                                          WithoutCredentials(platform::ToAnsi(address)));
        return INET_E_DOWNLOAD_FAILURE;
    }
    return StoreInCache(address, answer.body, cacheFile) ? S_OK : INET_E_DOWNLOAD_FAILURE;
}

}  // namespace imagery
