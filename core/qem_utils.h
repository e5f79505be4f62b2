// Small shared routines: file names, trailing separators, language-file
// escaping, folder removal and special folders.
#pragma once

#include <cstdint>
#include <string>

// The file name without folder and without its last extension:
// "/a/b.c.ini" -> "b.c", "/a/noext" -> "noext", "/a/.ini" -> "".
std::string ExtractFileBaseName(const std::string& Path);

// Between a text in memory and its value in a language file. Both ways trim
// characters up to the blank at both ends. Decode turns every "#13" into
// CR LF; encode writes each CR LF, lone LF and lone CR as "#13".
std::string ConvertLineBreaks(const std::string& Value, bool Decode);

// The folder routines keep their historical names; the separator is '/'.
// An empty path stays empty, so that no caller ends up at the root.
std::string AddTrailingBackslash(const std::string& Path);
std::string RemoveTrailingBackslash(const std::string& Path);

// Deletes the folder's files and subfolders, then the folder. Stops at the
// first failure; answers whether the folder itself was removed. A symbolic
// link is removed as a link: what it points to is never touched.
bool DeleteFolderRecursive(const std::string& Folder);

// The path of a special folder (CSIDL_*), made when Create is set and it is
// missing; empty when the system cannot name it.
std::string GetSpecialFolderPath(int32_t Csidl, bool Create);
