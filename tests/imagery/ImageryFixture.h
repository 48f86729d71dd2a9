// What the imagery tests share: the local tile server this program runs beside (started by
// tile_server.py on a free port) with its imagery services and options, the colour it gives each
// tile, the tile that covers a pixel of a view by the web map tiling's own arithmetic, and the
// imagery registry values.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace imagerytest {

// "http://127.0.0.1:<port>", empty when the program runs without the server.
// The server listens on the same port of 127.0.0.2 too, as another host.
std::wstring TileServer();
// The paths (with queries) the server was asked for since the last ClearRequests, in order.
std::vector<std::string> Requests();
void ClearRequests();
// The same requests whole (Basic credentials in headers decoded: "Basic user:password").
struct ServedRequest {
    std::string method, path, body;
    std::map<std::string, std::string> headers;
};
std::vector<ServedRequest> Served();
// The head of each of these requests as it came, every byte outside printable ASCII and the
// backslash written "\xNN" ("\x0d\x0a" ends a line).
std::vector<std::string> RequestHeads();
// The large answers (tile_server.py's "huge", "vast" and "flood") the server stopped sending since
// the last ClearRequests: how many bytes of each went out, whole or cut off by the client, and how
// many it holds. Waits up to five seconds for `answers` of them.
struct LargeAnswer {
    size_t sent, size;
};
std::vector<LargeAnswer> LargeAnswersSent(size_t answers);
// Sets one of the server's options (see tile_server.py); ClearServerOptions drops them all.
void SetServerOption(const std::string& name, const std::string& value);
void ClearServerOptions();

// The lines of the host's log (the control's included), in order; whether one is `line`.
std::vector<std::wstring> LogLines();
bool Logged(const std::wstring& line);
// How many of them start with `start`.
size_t LinesStartingWith(const std::wstring& start);

// The server's colour for a tile.
COLORREF TileColour(const std::wstring& quadkey);
// The quadkey of the tile under pixel (x, y) of a view whose north-west corner (west, north) is
// its top-left pixel, at `level`.
std::wstring QuadKeyUnder(double west, double north, int level, int x, int y);
// The quadkey named by a requested path: the digits between its last '/' + letter and the dot.
std::wstring QuadKeyOf(const std::string& path);

// Colours equal within `tolerance` per channel (JPEG tiles are not exact).
bool SameColour(COLORREF a, COLORREF b, int tolerance = 0);

// The imagery values under the control's registry key; ClearImageryRegistry removes every one
// but the services' addresses, which go back to the closed port the test prefix gives them.
void SetImageryString(const wchar_t* name, const std::wstring& value);
void SetImageryDword(const wchar_t* name, DWORD value);
void ClearImageryRegistry();

// Works the next dialog box that opens with `work` (which ends it), from a timer of the dialog's
// own modal loop once it has settled. Called again before that dialog opens, it works the
// dialogs after it in turn (one opened by another's button too); a dialog beyond them is
// answered with its default button.
void WorkNextDialog(std::function<void(HWND dialog)> work);
// Sets a check box or radio button the way a click does, and tells the dialog.
void Choose(HWND dialog, int id, bool on);
void Press(HWND dialog, int id);

}  // namespace imagerytest
