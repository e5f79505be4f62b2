// Small shared routines: file names, trailing separators, language-file
// escaping, folder browsing and removal, the busy cursor, message dialogs with
// own button captions and special folders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/classlib/dialogs.h"
#include "platform/rtl/windef.h"

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

// The folder browser, started on Folder (through BrowseFolderCallback). True
// with Folder = the chosen path when the user confirms a folder that has a
// file-system path, else False with Folder unchanged. An empty Root browses
// the whole tree.
bool BrowseForFolder(HWND Owner, std::string& Folder, const std::string& Title, UINT Flags,
                     const std::string& Root = "");
// Browser callback; Data is the start folder as a C string. Selects it at
// start, shows each selection's path as the status text and disables OK for an
// item without one. Always answers 0.
int BrowseFolderCallback(HWND Wnd, UINT Msg, LPARAM Param, LPARAM Data);

// Nested busy sections: the first Begin shows the hourglass on the whole
// screen, the matching last End brings the default cursor back. An End
// without a Begin does nothing.
void BeginBusyCursor();
void EndBusyCursor();

// A standard message dialog whose buttons carry Captions (one per button, in
// the dialog's own order), all as wide as the widest caption (at least 88),
// side by side and centred. Answers the modal result, 0 on an error.
TModalResult ShowCustomMessageDialog(const std::string& Msg, const std::string& Title, TMsgDlgType DlgType,
                                     TMsgDlgButtons Buttons, const std::vector<std::string>& Captions);
