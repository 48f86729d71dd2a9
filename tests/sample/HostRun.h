// Running the sample host program and reading what it leaves behind.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace sampletest {

struct HostRun {
    int exitCode = -1;
    std::string output;  // standard output and error, as printed
    bool Printed(const std::string& text) const { return output.find(text) != std::string::npos; }
};

// Runs VadAZHost.exe with `arguments` and waits for it (at most a minute). With `closeFrame`, waits
// for its frame window and closes it as a user would.
HostRun RunHost(const std::wstring& arguments, bool closeFrame = false);

// A file in the test's scratch folder (created on first use), as Wine sees it.
std::wstring ScratchFile(const wchar_t* name);

// Whether a class is registered for the ProgID or "{class id}".
bool IsRegistered(const std::wstring& progIdOrClsid);

struct DecodedImage {
    bool decoded = false;
    UINT width = 0, height = 0;
    size_t colours = 0;
    std::vector<UINT32> pixels;  // 0x00RRGGBB, rows from the top
    UINT32 At(UINT x, UINT y) const { return pixels.at(y * width + x); }
};
// Decodes an image file with GDI+ and counts its distinct colours.
DecodedImage DecodeImage(const std::wstring& path);

std::vector<char> ReadFileBytes(const std::wstring& path);

}  // namespace sampletest
