// Whether what a tile server answered can be drawn as a tile. A server, a captive portal or a
// proxy may answer 200 with an error page, an empty or cut-off body, bytes of no picture, or a
// picture far too large to draw; none of these is kept or announced as a tile, so that it is not
// drawn, failed and fetched again without end.
#pragma once

#include <string>

namespace imagery {

// A tile is 256 pixels square; servers of high-resolution screens send larger ones. A picture
// wider or taller than this is no tile.
constexpr unsigned kMaxTilePixels = 1024;

// Whether `bytes` decode whole as a picture of at most kMaxTilePixels on each side. Decodes on
// the calling thread, which has COM initialised; the size is read before anything is decoded.
bool IsDrawableTile(const std::string& bytes);

}  // namespace imagery
