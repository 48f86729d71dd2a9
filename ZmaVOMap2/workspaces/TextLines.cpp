#include "ZmaVOMap2/workspaces/TextLines.h"

#include "ZmaVOMap2/layers/FileNames.h"

#include <tuple>

namespace workspaces {

namespace {

char Upper(char c) noexcept { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

bool FileIdentity::operator<(const FileIdentity& other) const noexcept {
    return std::tie(volume, indexHigh, indexLow, size, created, written) <
           std::tie(other.volume, other.indexHigh, other.indexLow, other.size, other.created, other.written);
}

platform::UniqueFile OpenTextFile(const std::string& path) {
    return platform::UniqueFile(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool IdentityOf(HANDLE file, FileIdentity& identity) {
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!::GetFileInformationByHandle(file, &information) || !HasRealFileIdentity(information)) return false;
    const auto wide = [](DWORD high, DWORD low) { return (static_cast<ULONGLONG>(high) << 32) | low; };
    identity.volume = information.dwVolumeSerialNumber;
    identity.indexHigh = information.nFileIndexHigh;
    identity.indexLow = information.nFileIndexLow;
    identity.size = wide(information.nFileSizeHigh, information.nFileSizeLow);
    identity.created = wide(information.ftCreationTime.dwHighDateTime, information.ftCreationTime.dwLowDateTime);
    identity.written = wide(information.ftLastWriteTime.dwHighDateTime, information.ftLastWriteTime.dwLowDateTime);
    return true;
}

bool ReadTextLines(const std::string& path, TextLines& text) {
    text = TextLines();
    platform::UniqueFile file = OpenTextFile(path);
    if (!file) return false;
    ReadTextLines(file.Get(), text);
    return true;
}

void ReadTextLines(HANDLE file, TextLines& text) {
    text = TextLines();
    std::string line;
    bool open = false;  // characters read since the last line end
    auto finish = [&] {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        text.lines.push_back(std::move(line));
        line.clear();
        open = false;
    };
    char buffer[16384];
    DWORD count = 0;
    for (;;) {
        // A read that fails ends the file as its end does: the lines read so far count.
        if (!::ReadFile(file, buffer, sizeof buffer, &count, nullptr) || count == 0) break;
        for (DWORD i = 0; i < count; ++i) {
            const char c = buffer[i];
            if (c == '\n') {
                finish();
                continue;
            }
            open = true;
            // One character over the limit is kept, so that a cut line is counted once.
            if (line.size() < kMaxLineLength + 1) line.push_back(c);
        }
    }
    if (open) finish();
    for (std::string& l : text.lines) {
        if (l.size() <= kMaxLineLength) continue;
        l.resize(kMaxLineLength);
        ++text.cutLines;
    }
}

size_t Indentation(const std::string& line) {
    size_t n = 0;
    while (n < line.size() && (line[n] == ' ' || line[n] == '\t')) ++n;
    return n;
}

std::string Trimmed(const std::string& text) {
    const char* blanks = " \t\r\n";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::string UpperCase(std::string text) {
    for (char& c : text) c = Upper(c);
    return text;
}

bool StartsWithNoCase(const std::string& text, size_t at, const std::string& prefix) {
    if (at > text.size() || text.size() - at < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (Upper(text[at + i]) != Upper(prefix[i])) return false;
    return true;
}

bool EqualNoCase(const std::string& a, const std::string& b) { return a.size() == b.size() && StartsWithNoCase(a, 0, b); }

bool NoCaseLess::operator()(const std::string& a, const std::string& b) const {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const char x = Upper(a[i]), y = Upper(b[i]);
        if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    return a.size() < b.size();
}

}  // namespace workspaces
