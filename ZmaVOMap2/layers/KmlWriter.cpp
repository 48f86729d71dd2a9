#include "ZmaVOMap2/layers/KmlWriter.h"

#include "platform/Result.h"
#include "platform/Com.h"

namespace {

// Written to the file whenever this much is waiting.
constexpr size_t kFlushSize = 64 * 1024;

void AppendUtf8(std::string& out, unsigned long c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendEscaped(std::string& out, const std::wstring& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned long c = text[i];
        switch (c) {
        case L'&': out += "&amp;"; continue;
        case L'<': out += "&lt;"; continue;
        case L'>': out += "&gt;"; continue;
        case L'\r': out += "&#13;"; continue;
        case L'\t':
        case L'\n': out += static_cast<char>(c); continue;
        default: break;
        }
        if (c < 0x20 || c == 0xFFFE || c == 0xFFFF) continue;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, c);
        }
    }
}

}  // namespace

KmlWriter::KmlWriter(const std::wstring& path) : path_(path) {
    std::wstring base;
    if (!replacement_.ReserveNameBeside(path, L"kml", base))
        throw platform::ComError(E_FAIL, L"Cannot write \"" + path + L"\"");
    // The name's placeholder is the temporary file itself.
    const std::wstring temporary = base + L".tmp";
    replacement_.Add(temporary, path);
    file_ = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) throw platform::ComError(E_FAIL, L"Cannot write \"" + path + L"\"");
    buffer_.reserve(kFlushSize + 4096);
    buffer_ += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
}

KmlWriter::~KmlWriter() {
    if (file_ != INVALID_HANDLE_VALUE) ::CloseHandle(file_);
}

void KmlWriter::Open(const char* name, const char* attribute, const std::string& value) {
    buffer_ += '<';
    buffer_ += name;
    if (attribute) {
        buffer_ += ' ';
        buffer_ += attribute;
        buffer_ += "=\"";
        buffer_ += value;
        buffer_ += '"';
    }
    buffer_ += '>';
    open_.push_back(name);
}

void KmlWriter::Close() {
    buffer_ += "</";
    buffer_ += open_.back();
    buffer_ += '>';
    open_.pop_back();
    if (buffer_.size() >= kFlushSize) Flush();
}

void KmlWriter::Element(const char* name, const std::wstring& text) {
    buffer_ += '<';
    buffer_ += name;
    buffer_ += '>';
    AppendEscaped(buffer_, text);
    buffer_ += "</";
    buffer_ += name;
    buffer_ += '>';
}

void KmlWriter::Element(const char* name, const char* text) {
    buffer_ += '<';
    buffer_ += name;
    buffer_ += '>';
    buffer_ += text;
    buffer_ += "</";
    buffer_ += name;
    buffer_ += '>';
}

void KmlWriter::Flush() {
    if (buffer_.empty() || failed_) return;
    DWORD written = 0;
    if (!::WriteFile(file_, buffer_.data(), static_cast<DWORD>(buffer_.size()), &written, nullptr) ||
        written != buffer_.size())
        failed_ = true;
    buffer_.clear();
}

HRESULT KmlWriter::Finish() {
    while (!open_.empty()) Close();
    buffer_ += '\n';
    Flush();
    const bool closed = ::CloseHandle(file_) != FALSE;
    file_ = INVALID_HANDLE_VALUE;
    const bool placed = !failed_ && closed && SUCCEEDED(platform::ResultOf([this] {
                            replacement_.Commit();
                            return S_OK;
                        }));
    if (!placed) {
        // The reason stays with the thread for whoever reports the failure.
        platform::ComError(E_FAIL, L"Cannot write \"" + path_ + L"\"").Restore();
        return E_FAIL;
    }
    return S_OK;
}
