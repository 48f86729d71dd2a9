// The text files the readers take apart, as lines. Line ends of any kind are removed (a last line
// without one keeps all its characters), and a line longer than kMaxLineLength is cut there: no
// line a reader looks at can grow without bound, whatever the file holds.
//
// A file of statements may be reached by many names: a folder that links to itself spells one
// file in endless ways. The file's identity on its volume tells them apart from other files.
#pragma once

#include "platform/UniqueHandle.h"

#include <string>
#include <vector>

namespace workspaces {

constexpr size_t kMaxLineLength = 8192;

struct TextLines {
    std::vector<std::string> lines;
    size_t cutLines = 0;  // how many lines were longer than the limit
};

// The same for every name the file is reached by: through folder links, hard links or short names.
struct FileIdentity {
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    // Where a file system gives one index to several files, their sizes and times still differ.
    ULONGLONG size = 0;
    ULONGLONG created = 0;
    ULONGLONG written = 0;
    bool operator<(const FileIdentity& other) const noexcept;
};

// The file at `path` opened for reading (shared with writers); invalid when it cannot be opened.
platform::UniqueFile OpenTextFile(const std::string& path);
// False when the file system does not tell it, or gives no real one (a zero serial number or index).
bool IdentityOf(HANDLE file, FileIdentity& identity);
// The lines of an open file from its current position.
void ReadTextLines(HANDLE file, TextLines& text);
// False when the file cannot be opened.
bool ReadTextLines(const std::string& path, TextLines& text);

// How many white-space characters a line begins with.
size_t Indentation(const std::string& line);
std::string Trimmed(const std::string& text);
std::string UpperCase(std::string text);
// Whether `text` begins with `prefix`, letters compared without case.
bool StartsWithNoCase(const std::string& text, size_t at, const std::string& prefix);
bool EqualNoCase(const std::string& a, const std::string& b);

// Compares texts without case: the workspace language and unit names ignore it.
struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const;
};

}  // namespace workspaces
