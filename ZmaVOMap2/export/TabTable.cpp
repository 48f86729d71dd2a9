#include "ZmaVOMap2/export/TabTable.h"

#include "platform/Com.h"
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
std::vector<std::string> TableFiles(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    const std::string base = dot == std::string::npos ? path : path.substr(0, dot);
    const bool lower = dot != std::string::npos && dot + 1 < path.size() && std::islower(static_cast<unsigned char>(path[dot + 1]));
    std::vector<std::string> files;
    for (const char* ext : {"TAB", "DAT", "MAP", "ID"}) {
        files.push_back(base + "." + (lower ? platform::ToLower(ext) : std::string(ext)));
    }
    return files;
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

std::string ToTableText(const std::wstring& text) { return platform::ToAnsi(text, kLatin1); }

TabTable::TabTable(const std::string& path) : path_(path) {
    handle_ = mitab_c_create(path.c_str(), "tab", kCoordSys, 0.0, 0.0, 0.0, 0.0);
    if (!handle_) {
        const char* reason = mitab_c_getlasterrormsg();
        throw platform::ComError(E_ACCESSDENIED,
                                 platform::ToWide("Cannot create the table \"" + path + "\"" +
                                                  (reason && *reason ? std::string(": ") + reason : std::string())));
    }
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
        const std::string reason = mitab_c_getlasterrormsg() ? mitab_c_getlasterrormsg() : "";
        for (const std::string& file : TableFiles(path_)) ::DeleteFileA(file.c_str());
        throw platform::ComError(E_FAIL, platform::ToWide("Cannot complete the table \"" + path_ + "\": " + reason));
    }
}

void TabTable::Fail(const std::string& what) {
    const std::string reason = mitab_c_getlasterrormsg() ? mitab_c_getlasterrormsg() : "";
    throw platform::ComError(E_FAIL, platform::ToWide(what + " the table \"" + path_ + "\"" +
                                                      (reason.empty() ? std::string() : ": " + reason)));
}

void TabTable::Abandon() noexcept {
    if (!handle_ && !feature_) return;
    mitab_c_destroy_feature(feature_);
    feature_ = nullptr;
    if (handle_) {
        mitab_c_close(handle_);
        handle_ = nullptr;
        for (const std::string& file : TableFiles(path_)) ::DeleteFileA(file.c_str());
    }
}

}  // namespace tabexport
