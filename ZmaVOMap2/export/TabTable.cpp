#include "ZmaVOMap2/export/TabTable.h"

#include "ZmaVOMap2/layers/FileNames.h"
#include "platform/Com.h"
#include "platform/UniqueHandle.h"
#include "platform/Result.h"

#include <windows.h>

#include <algorithm>
#include <cctype>

namespace tabexport {

namespace {

// Longitude and latitude on WGS 84; all four bounds 0 leave them to the library.
const char kCoordSys[] = "CoordSys Earth Projection 1, 104";
const UINT kLatin1 = 1252;

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

// The companion files of a table, with the extension case of its .TAB.
std::vector<std::wstring> TableFiles(const std::wstring& path) {
    const size_t dot = path.find_last_of(L'.');
    const std::wstring base = dot == std::wstring::npos ? path : path.substr(0, dot);
    const bool lower = dot != std::wstring::npos && dot + 1 < path.size() && path[dot + 1] >= L'a' && path[dot + 1] <= L'z';
    std::vector<std::wstring> files;
    for (const wchar_t* ext : {L"TAB", L"DAT", L"MAP", L"ID"}) {
        std::wstring extension = ext;
        if (lower)
            for (wchar_t& c : extension) c = static_cast<wchar_t>(c - L'A' + L'a');
        files.push_back(base + L"." + extension);
    }
    return files;
}

// 0 when a file can be made under `path` (or one is there), else the system's reason why not:
// the table is written under another name, and would otherwise fail only once it was complete.
DWORD RefusalOfName(const std::wstring& path) {
    if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return 0;
    platform::UniqueFile probe(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                             FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return probe ? 0 : ::GetLastError();
}

std::wstring ReasonOfLastFailure() {
    const char* reason = mitab_c_getlasterrormsg();
    return reason && *reason ? L": " + platform::ToWide(reason) : std::wstring();
}

}  // namespace

std::string MakeFieldName(const std::wstring& displayName) {
    std::string name;
    for (wchar_t c : displayName) {
        const bool keep = (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9');
        name += keep ? static_cast<char>(c) : '_';
        if (name.size() == static_cast<size_t>(TabTable::kMaxFieldName)) break;
    }
    return name;
}

std::string ToTableText(const std::wstring& text, bool* changed) { return platform::ToAnsiStrict(text, kLatin1, changed); }

TabTable::TabTable(const std::wstring& path) : path_(path) {
    const std::wstring cannot = L"Cannot create the table \"" + path + L"\"";
    if (const DWORD error = RefusalOfName(path))
        throw platform::ComError(E_ACCESSDENIED, cannot + L": " + SystemMessage(error));
    std::wstring base;
    if (!files_.ReserveNameBeside(path, L"tab", base)) {
        const DWORD error = ::GetLastError();
        throw platform::ComError(E_ACCESSDENIED, cannot + L": " + SystemMessage(error));
    }
    const std::wstring temporary = base + FileExtensionOf(path);
    const std::vector<std::wstring> written = TableFiles(temporary), replaced = TableFiles(path);
    for (size_t i = 0; i < written.size(); ++i) files_.Add(written[i], replaced[i]);
    handle_ = mitab_c_create_w(temporary.c_str(), "tab", kCoordSys, 0.0, 0.0, 0.0, 0.0);
    if (!handle_) throw platform::ComError(E_ACCESSDENIED, cannot + ReasonOfLastFailure());
}

TabTable::~TabTable() { Abandon(); }

int TabTable::AddField(const std::string& wanted, int fieldType, int width, int precision) {
    std::string name = wanted.empty() ? std::string("_") : wanted.substr(0, kMaxFieldName);
    auto taken = [this](const std::string& n) {
        return std::any_of(names_.begin(), names_.end(), [&](const std::string& other) { return SameName(n, other); });
    };
    for (int n = 2; taken(name); ++n) {
        const std::string suffix = "_" + std::to_string(n);
        name = wanted.substr(0, kMaxFieldName - suffix.size()) + suffix;
    }
    const int index = mitab_c_add_field(handle_, name.c_str(), fieldType, width, precision);
    if (index < 0) Fail("Cannot add the field \"" + name + "\" to");
    names_.push_back(name);
    types_.push_back(fieldType);
    return index;
}

mitab_feature TabTable::CreateFeature(int featureType) {
    mitab_c_destroy_feature(feature_);
    feature_ = mitab_c_create_feature(handle_, featureType);
    if (!feature_) Fail("Cannot make a feature for");
    return feature_;
}

void TabTable::Write() {
    if (!mitab_c_write_feature(handle_, feature_)) Fail("Cannot write a row of");
}

void TabTable::Close() {
    mitab_c_destroy_feature(feature_);
    feature_ = nullptr;
    mitab_handle handle = handle_;
    handle_ = nullptr;
    mitab_c_close(handle);
    if (mitab_c_getlasterrorno() != 0) {
        const std::wstring reason = ReasonOfLastFailure();
        files_.Discard();
        throw platform::ComError(E_FAIL, L"Cannot complete the table \"" + path_ + L"\"" + reason);
    }
}

void TabTable::Fail(const std::string& what) {
    throw platform::ComError(E_FAIL, platform::ToWide(what) + L" the table \"" + path_ + L"\"" + ReasonOfLastFailure());
}

void TabTable::Abandon() noexcept {
    if (!handle_ && !feature_) return;
    mitab_c_destroy_feature(feature_);
    feature_ = nullptr;
    if (handle_) {
        mitab_c_close(handle_);
        handle_ = nullptr;
        files_.Discard();
    }
}

void CloseTogether(const std::vector<TabTable*>& tables) {
    // Left early by a failure, the tables closed so far go with it.
    FileSetReplacement together;
    for (TabTable* table : tables) {
        table->Close();
        together.TakeOver(table->files_);
    }
    together.Commit();
}

}  // namespace tabexport
