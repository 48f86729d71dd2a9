// New files that take the place of earlier ones all together or not at all. Each new file is
// written under a temporary name in its target's folder (the same volume, so it moves in without
// being copied). Commit first moves every earlier file aside (to its new file's temporary name
// with ".old", never over a file of that name), then every new file in, and only
// then deletes the earlier ones: a step that fails puts back what was moved, so the folder keeps
// every earlier file with its bytes. Temporary and set-aside files never outlive the replacement,
// whether it was committed, failed or given up.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class FileSetReplacement {
public:
    FileSetReplacement() = default;
    // Deletes the new files of a replacement that was not committed.
    ~FileSetReplacement();
    FileSetReplacement(const FileSetReplacement&) = delete;
    FileSetReplacement& operator=(const FileSetReplacement&) = delete;

    // A new name in the folder of `target`, made from the first three characters of `prefix`:
    // `base` gets the path without extension. No file "<base>.<anything>" is there but the empty
    // "<base>.tmp" that keeps the name taken until the replacement ends; files "<base>.<any
    // extension>" are the caller's to make, each as a new file (never over one that appeared
    // since). False, with the system's error code (GetLastError), when the folder takes no new
    // file.
    bool ReserveNameBeside(const std::wstring& target, const wchar_t* prefix, std::wstring& base);
    // The file `temporary`, which the caller writes, is to replace `target` (which need not exist).
    void Add(const std::wstring& temporary, const std::wstring& target);
    // The files and names of `other` join this replacement, to be put in place with its own.
    void TakeOver(FileSetReplacement& other);

    // Puts every new file in place. When one cannot be (an earlier file that is read-only or in
    // use by another program, a target no file can be made under), the earlier files are put
    // back, the new ones deleted, and a ComError names the file and says why.
    void Commit();
    // Deletes the new files and gives up the names.
    void Discard() noexcept;

private:
    struct Entry {
        std::wstring temporary, target;
        bool setAside = false, placed = false;
        std::wstring Backup() const { return temporary + L".old"; }
    };
    void SetAside(Entry& entry);
    void PutInPlace(Entry& entry);
    void RollBack() noexcept;
    void ReleaseNames() noexcept;

    std::vector<Entry> entries_;
    std::vector<std::wstring> placeholders_;
};
