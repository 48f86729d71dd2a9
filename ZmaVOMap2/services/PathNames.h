// Paths that one file gives for another (a workspace naming its tables, a print template naming
// its maps): made absolute against the naming file's folder, and split into folder and name.
// Paths of any length are handled; nothing is copied into fixed buffers.
#pragma once

#include <string>

// `path` unchanged when it is already absolute (a drive letter, or a network path "\\server\...").
// Otherwise, when `base` is a folder (it ends in a separator, so it has no file name part), the
// path is taken inside that folder and normalised ("..\x" climbs out of it); a path that begins
// with a separator is taken on the folder's drive. When `base` names a file, `path` is answered
// unchanged. A result the system cannot normalise (longer than MAX_PATH) is answered joined as it
// is, so that whoever opens it reports it under its whole name.
std::string MakeAbsolutePath(const std::string& base, const std::string& path);

// The drive and folder of a path with its trailing separator ("C:\maps\" of "C:\maps\roads.tab");
// empty when the path names no folder.
std::string GetFolderOfPath(const std::string& path);

// The file name with its extension ("roads.tab" of "C:\maps\roads.tab").
std::string GetFileNameOfPath(const std::string& path);
