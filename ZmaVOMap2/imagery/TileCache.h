// Tiles in the URL cache. The cache is asked directly (the protocol's own "is cached" query is
// not available everywhere), a cached tile is read from its cache file without a request, and a
// download counts only when the server answered with the tile: an error page a server sends
// instead is never kept as a tile.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <string>

namespace imagery {

// The cache file of `address`; false when the cache does not hold it (or cannot be asked).
bool FindCachedTile(const std::wstring& address, std::wstring& cacheFile);

// Downloads `address` into the URL cache and names its cache file. A server answer other than
// 200 fails with INET_E_DOWNLOAD_FAILURE and leaves no cache entry. `credentials` (may be null)
// answers a server's or proxy's demand for authentication on behalf of the download.
HRESULT DownloadTileToCache(const std::wstring& address, std::wstring& cacheFile, IUnknown* credentials = nullptr);

}  // namespace imagery
