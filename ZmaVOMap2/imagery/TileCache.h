// Tiles in the URL cache. The cache is asked directly (the protocol's own "is cached" query is
// not available everywhere), a cached tile is read from its cache file without a request, and a
// download counts only when the server answered with a drawable tile within the bounds of a tile
// request: an error page a server sends instead, a body that is no picture or was cut off, or a
// request given up, is never kept as a tile.
#pragma once

#include "ZmaVOMap2/imagery/HttpExchange.h"

#include <windows.h>

#include <string>

namespace imagery {

// The cache file of `address`; false when the cache does not hold it (or cannot be asked).
bool FindCachedTile(const std::wstring& address, std::wstring& cacheFile);

// Downloads `address` into the URL cache and names its cache file. A server answer other than
// 200 fails with INET_E_DOWNLOAD_FAILURE and leaves no cache entry; so does a request that
// exceeds its bounds (HttpExchange.h), and an answer that is no drawable tile (TilePicture.h),
// which is logged. `credentials` (may be null) answers a proxy's demand for authentication on
// behalf of the download, asking the user from `askFrom`; a tile for which it gives none ends with
// kProxyCredentialsWithheld (the source of the credentials says why), one whose proxy refuses
// every answer given with E_ACCESSDENIED. When `stop` is set the download ends at once with
// E_ABORT.
HRESULT DownloadTileToCache(const std::wstring& address, std::wstring& cacheFile,
                            ProxyCredentialSource* credentials = nullptr, HWND askFrom = nullptr, HANDLE stop = nullptr,
                            const RequestBounds& bounds = kTileRequestBounds);

}  // namespace imagery
