// A KML document written to its file while it is made, element by element, so that a layer of a
// million rows exports through the same 64 KB buffer as a layer of ten. The bytes are those of a
// document model saved in one piece: UTF-8, the declaration on a line of its own, no whitespace
// between elements, a line feed at the end; in texts "&", "<" and ">" become entities and a
// carriage return "&#13;"; characters XML cannot carry (controls other than tab, line feed and
// carriage return, U+FFFE and U+FFFF) are left out, and half a surrogate pair becomes U+FFFD.
//
// The document goes to a temporary file in the target folder, which Finish moves over the target:
// a document left unfinished (a failure while it was written) is deleted, and the file a former
// export wrote stays as it was.
#pragma once

#include "ZmaVOMap2/layers/FileSetReplacement.h"

#include <windows.h>

#include <string>
#include <vector>

class KmlWriter {
public:
    // E_FAIL (raised) when no file can be made in the folder of `path`.
    explicit KmlWriter(const std::wstring& path);
    ~KmlWriter();
    KmlWriter(const KmlWriter&) = delete;
    KmlWriter& operator=(const KmlWriter&) = delete;

    // Starts an element; the attribute, when named, has a value that needs no escaping.
    void Open(const char* name, const char* attribute = nullptr, const std::string& value = std::string());
    void Close();
    // An element holding `text` (escaped here).
    void Element(const char* name, const std::wstring& text);
    void Element(const char* name, const char* text);
    // Closes what is open, writes the rest and puts the file in place; the HRESULT of a failure.
    HRESULT Finish();

private:
    void Flush();

    std::wstring path_;
    FileSetReplacement replacement_;  // the temporary file, and the target it replaces
    HANDLE file_ = INVALID_HANDLE_VALUE;
    std::string buffer_;
    std::vector<const char*> open_;
    bool failed_ = false;
};
