#include "ZmaVOMap2/layers/FileSetReplacement.h"

#include "ZmaVOMap2/layers/FileNames.h"
#include "platform/Result.h"
#include "platform/UniqueHandle.h"

#include <algorithm>

namespace {

// 0, or the system's error code of a move that failed.
DWORD Move(const std::wstring& from, const std::wstring& to, DWORD flags) {
    return ::MoveFileExW(from.c_str(), to.c_str(), flags) ? 0 : ::GetLastError();
}

[[noreturn]] void Refuse(const wchar_t* what, const std::wstring& path, DWORD error) {
    const bool inUse = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
    const std::wstring file = what + (L" \"" + path + L"\"") + (inUse ? L", which another program has open" : L"");
    throw platform::ComError(HRESULT_FROM_WIN32(error), file + L": " + SystemMessage(static_cast<HRESULT>(error)));
}

// Whether an entry "<base>.<anything>" other than `placeholder` is there.
bool OthersOfName(const std::wstring& base, const std::wstring& placeholder) {
    const size_t slash = placeholder.find_last_of(L"\\/");
    const std::wstring own = placeholder.substr(slash == std::wstring::npos ? 0 : slash + 1);
    const std::vector<std::wstring> names = NamesMatching(base + L".*", false);
    return std::any_of(names.begin(), names.end(), [&own](const std::wstring& name) { return !SameFileName(name, own); });
}

}  // namespace

FileSetReplacement::~FileSetReplacement() { Discard(); }

bool FileSetReplacement::ReserveNameBeside(const std::wstring& target, const wchar_t* prefix, std::wstring& base) {
    const size_t slash = target.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? std::wstring(L".") : target.substr(0, slash + 1);
    // The system makes only the placeholder with care: a name whose other files ("<base>.TAB", the
    // set-aside "<base>.DAT.old") someone already has is passed over. Its placeholder stays until a
    // free name is found, so that the system offers the next one.
    std::vector<std::wstring> passedOver;
    const platform::ScopeExit release([&]() noexcept {
        const DWORD error = ::GetLastError();
        for (const std::wstring& name : passedOver) ::DeleteFileW(name.c_str());
        ::SetLastError(error);
    });
    for (;;) {
        wchar_t name[MAX_PATH] = {};
        if (!::GetTempFileNameW(folder.c_str(), prefix, 0, name)) return false;
        std::wstring reserved = name;
        reserved.resize(reserved.find_last_of(L'.'));
        if (!OthersOfName(reserved, name)) {
            placeholders_.push_back(name);
            base = reserved;
            return true;
        }
        passedOver.push_back(name);
    }
}

void FileSetReplacement::Add(const std::wstring& temporary, const std::wstring& target) {
    entries_.push_back({temporary, target});
}

void FileSetReplacement::TakeOver(FileSetReplacement& other) {
    entries_.insert(entries_.end(), other.entries_.begin(), other.entries_.end());
    placeholders_.insert(placeholders_.end(), other.placeholders_.begin(), other.placeholders_.end());
    other.entries_.clear();
    other.placeholders_.clear();
}

void FileSetReplacement::Commit() {
    bool placed = false;
    // Left by a failure, the earlier files are put back and the new ones deleted.
    const platform::ScopeExit undo([&]() noexcept {
        if (placed) return;
        RollBack();
        Discard();
    });
    for (Entry& entry : entries_) SetAside(entry);
    for (Entry& entry : entries_) PutInPlace(entry);
    placed = true;
    for (const Entry& entry : entries_)
        if (entry.setAside) ::DeleteFileW(entry.Backup().c_str());
    ReleaseNames();
    entries_.clear();
}

void FileSetReplacement::Discard() noexcept {
    for (const Entry& entry : entries_)
        if (!entry.placed) ::DeleteFileW(entry.temporary.c_str());
    ReleaseNames();
    entries_.clear();
}

void FileSetReplacement::SetAside(Entry& entry) {
    const DWORD attributes = ::GetFileAttributesW(entry.target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    // A read-only file is kept from being replaced; set aside, it could not be deleted either.
    const DWORD error = attributes & FILE_ATTRIBUTE_READONLY
                            ? ERROR_ACCESS_DENIED
                            : Move(entry.target, entry.Backup(), 0);
    if (error) Refuse(L"Cannot replace", entry.target, error);
    entry.setAside = true;
}

void FileSetReplacement::PutInPlace(Entry& entry) {
    if (const DWORD error = Move(entry.temporary, entry.target, 0)) Refuse(L"Cannot write", entry.target, error);
    entry.placed = true;
}

void FileSetReplacement::RollBack() noexcept {
    for (Entry& entry : entries_) {
        if (entry.placed && Move(entry.target, entry.temporary, MOVEFILE_REPLACE_EXISTING) == 0) entry.placed = false;
        if (entry.setAside && Move(entry.Backup(), entry.target, 0) == 0) entry.setAside = false;
    }
}

void FileSetReplacement::ReleaseNames() noexcept {
    // A name whose placeholder became a new file and moved in is no longer ours to delete.
    for (const std::wstring& name : placeholders_) {
        const bool movedIn = std::any_of(entries_.begin(), entries_.end(), [&](const Entry& entry) {
            return entry.placed && entry.temporary == name;
        });
        if (!movedIn) ::DeleteFileW(name.c_str());
    }
    placeholders_.clear();
}
