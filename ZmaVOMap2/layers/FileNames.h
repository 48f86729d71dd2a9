// File names for the layers' temporary tables and exports.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Writes into `result` (MAX_PATH characters) a new file name with `prefix` and `extension` in
// `folder`, or in the user's temporary folder when `folder` is null or does not exist. The system
// makes the name unique and leaves an empty ".tmp" file of the same base name behind, which keeps
// the name taken. Nothing is reported when the system gives no name: `result` is then empty.
void MakeUniqueTempFileName(const char* folder, const char* prefix, const char* extension, char* result);

// Deletes the empty ".tmp" file that MakeUniqueTempFileName left for `tablePath` (same folder and
// base name), for a name that no table took. The system's unique names look only at such files:
// a table whose placeholder went could be given its name again, in this process or another, and
// be written over.
void RemoveNamePlaceholder(const std::string& tablePath);
// Deletes the files of a table at `tablePath` (.TAB, .DAT, .MAP, .ID, .IND) and its placeholder.
void RemoveTableFiles(const std::string& tablePath);
// The names of the folder entries that `pattern` (a path whose name may hold wildcards) finds:
// files only when `filesOnly`, else folders too.
std::vector<std::wstring> NamesMatching(const std::wstring& pattern, bool filesOnly);
// The names of the files of the table whose base name (its name without ".TAB") is `base` in
// `folder` (ending in a separator): each file whose name without its last extension is the base
// name, compared without regard to case, but no ".tmp" placeholder. A table "<base>.<more>" beside
// it, or a file "<base>.notes.txt", is not part of it.
std::vector<std::wstring> TableFileNames(const std::wstring& folder, const std::wstring& base);
// Whether two names are the same to the file system: compared without regard to case.
bool SameFileName(const std::wstring& a, const std::wstring& b);
// Whether a file's identity (its volume's serial number and its file index, as
// GetFileInformationByHandle gives them) is a real one: some network file systems give every file
// a zero serial number or a zero index, and such a number tells no file from another.
bool HasRealFileIdentity(const BY_HANDLE_FILE_INFORMATION& file);
// Whether two files' identities show them to be one file: a real identity, the same in both, and,
// since some file systems give one index to several files, the same size and times.
bool SameFileIdentity(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b);

// Whether `path` can only name a plain file, judged from the text alone (nothing is opened) and
// as the system reads it before opening (separators of either kind, a run of them as one, each
// name without its trailing dots and blanks, "." and ".." followed): not empty and not ending in
// a separator; no device name (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, CONIN$, CONOUT$,
// CLOCK$) as its last part, with or without folder or extension; no device or object namespace
// ("\\.\", "\\?\", "\??\"); a network path names a server, a share and a file, the share not a
// server's pipes, its IPC$ share or its mailslots ("\\server\pipe\...", "\\server\IPC$\..."); no
// colon but a drive's, so no alternate data stream; no wildcard and no control character.
bool IsPlainFilePath(const std::string& path);
bool IsPlainFilePath(const std::wstring& path);
// Whether the path ends in ".tab", in any case.
bool HasTableExtension(const std::string& path);
// Logs, as an error, that a layer's file was left out and why.
void LogLeftOutFile(const std::string& path, const char* reason);

// Whether a folder is given in full: a drive with its root ("C:\maps") or a network share
// ("\\server\share"); not "", "\maps" (on whichever drive is current), "C:maps" (in the drive's
// current folder) nor "maps", which would put files where nobody looks for them.
bool IsFullFolderPath(const std::wstring& folder);
// Judges the path of a file an export is about to write, as every path the control writes is
// judged: raises a ComError that says why when its folder is not given in full, is no folder of
// files (a server's pipes, its IPC$ share or its mailslots, judged from the text before the folder
// is asked anything) or does not exist, when its file name is empty before the extension, names a device ("NUL.TAB") or holds characters
// no file name may hold.
void JudgeExportFile(const std::wstring& path);

// The extension of a file's name or path with its dot ("roads.TAB" -> ".TAB"), "" when it has none.
std::wstring FileExtensionOf(const std::wstring& path);

// A name as messages and log lines show it: control characters escaped ("\t", "\n", "\x01") and
// cut to `most` characters, with "..." after.
std::wstring ShownName(const std::wstring& name, size_t most = 60);

// The system's words for a failure code (a Win32 error or an HRESULT), "" when it has none.
std::wstring SystemMessage(HRESULT hr);

// The text with each character that a file name cannot hold (\ / * : ? " < >) replaced by '_'.
std::string SanitizeFileName(const std::string& text);
