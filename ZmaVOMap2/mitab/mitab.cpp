// Reading side of the MITAB interface. A table's rows and their objects are listed in its .ID
// file: one 32-bit little-endian offset into the .MAP file per row, 0 for a row without an object.
// That is all the map control asks of a table here (does it have any feature?).
#include "ZmaVOMap2/mitab/mitab.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Table {
    std::vector<std::uint32_t> objectOffsets;  // per row, from row 1
};

std::string IdFileName(const std::string& tabFile) {
    std::string::size_type dot = tabFile.find_last_of('.');
    std::string::size_type slash = tabFile.find_last_of("\\/");
    std::string base = (dot == std::string::npos || (slash != std::string::npos && dot < slash)) ? tabFile
                                                                                                : tabFile.substr(0, dot);
    return base + ".ID";
}

bool ReadWholeFile(const std::string& path, std::vector<unsigned char>& bytes) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(file, &size) || size.QuadPart > 0x7FFFFFFF) ok = false;
    if (ok) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        ok = bytes.empty() || (::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
                               read == bytes.size());
    }
    ::CloseHandle(file);
    return ok;
}

}  // namespace

extern "C" mitab_handle mitab_c_open(const char* filename) {
    try {
        if (!filename) return nullptr;
        DWORD attributes = ::GetFileAttributesA(filename);
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return nullptr;

        auto table = std::make_unique<Table>();
        std::vector<unsigned char> bytes;
        // A table without an .ID file has no objects (a table of attributes only).
        if (ReadWholeFile(IdFileName(filename), bytes)) {
            for (size_t i = 0; i + 4 <= bytes.size(); i += 4)
                table->objectOffsets.push_back(static_cast<std::uint32_t>(bytes[i]) |
                                               static_cast<std::uint32_t>(bytes[i + 1]) << 8 |
                                               static_cast<std::uint32_t>(bytes[i + 2]) << 16 |
                                               static_cast<std::uint32_t>(bytes[i + 3]) << 24);
        }
        return table.release();
    } catch (...) {
        return nullptr;
    }
}

extern "C" void mitab_c_close(mitab_handle handle) {
    std::unique_ptr<Table> owned(static_cast<Table*>(handle));
}

extern "C" int mitab_c_next_feature_id(mitab_handle handle, int last_feature_id) {
    if (!handle) return -1;
    const auto& offsets = static_cast<Table*>(handle)->objectOffsets;
    size_t row = last_feature_id < 0 ? 1 : static_cast<size_t>(last_feature_id) + 1;
    for (; row <= offsets.size(); ++row)
        if (offsets[row - 1] != 0) return static_cast<int>(row);
    return -1;
}
