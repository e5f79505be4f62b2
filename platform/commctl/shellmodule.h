// The built-in "shell32.dll": LoadLibraryA/W find it and GetProcAddress gives
// SHFileOperationW, SHBrowseForFolderW, SHGetPathFromIDListW and SHGetFileInfoW.
#pragma once

// Registers the module; once per process, later calls do nothing.
void RegisterShellModule();
