#include "ZmaVOMap2/workspaces/TextLines.h"


#include <cstdio>
#include <memory>

namespace workspaces {

namespace {

struct FileCloser {
    void operator()(FILE* file) const noexcept { std::fclose(file); }
};

char Upper(char c) noexcept { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

bool ReadTextLines(const std::string& path, TextLines& text) {
    text = TextLines();
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return false;
    std::string line;
    bool open = false;  // characters read since the last line end
    auto finish = [&] {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        text.lines.push_back(std::move(line));
        line.clear();
        open = false;
    };
    char buffer[16384];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        for (size_t i = 0; i < count; ++i) {
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
    return true;
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
