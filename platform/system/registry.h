// The registry: keys and values kept in one per-user store file in INI syntax,
// $XDG_CONFIG_HOME/tessaro/registry.ini (default ~/.config/tessaro/registry.ini),
// holding the HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER trees. A section is a full
// key path ("[HKEY_LOCAL_MACHINE\Software\BurnLib\Log]"), a line one value
// (name=sz:text, name=dword:0000000a, name=hex:01,02, name=hex(7):...; "@" is the
// default value). Key and value names are matched without regard to case.
//
// Every change takes a lock file beside the store, reads the store again, changes
// it and writes it through a temporary file that is renamed over it, so two
// processes or threads writing at once lose nothing. Reads take the file as it is.
// The store's location is read from the environment at each call.
#pragma once

#include <string>

#include "platform/rtl/windef.h"
#include "platform/system/sysdefs.h"

#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000000u)))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000002u)))
#define HKEY_USERS (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000003u)))

using REGSAM = DWORD;
using LSTATUS = LONG;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_READ = 0x00020019;
constexpr REGSAM KEY_WRITE = 0x00020006;
constexpr REGSAM KEY_EXECUTE = 0x00020019;
constexpr REGSAM KEY_ALL_ACCESS = 0x000F003F;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0x0000;
constexpr DWORD REG_CREATED_NEW_KEY = 0x0001;
constexpr DWORD REG_OPENED_EXISTING_KEY = 0x0002;

// Results are system error numbers: ERROR_SUCCESS, ERROR_FILE_NOT_FOUND (no such key
// or value), ERROR_MORE_DATA (buffer too small; *lpcbData gets the size needed),
// ERROR_INVALID_HANDLE, ERROR_ACCESS_DENIED (writing through a key opened for
// reading only), ERROR_CANTWRITE (the store cannot be written), ERROR_INVALID_PARAMETER.
// Subkey paths use '\' (a '/' is taken as '\' too).
LSTATUS RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, HKEY* phkResult);
LSTATUS RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                        REGSAM samDesired, LPSECURITY_ATTRIBUTES lpSecurityAttributes, HKEY* phkResult,
                        DWORD* lpdwDisposition);
// REG_SZ data is stored as given up to its first NUL and read back with its NUL
// counted in *lpcbData, as the old platform does.
LSTATUS RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, DWORD* lpReserved, DWORD* lpType, BYTE* lpData,
                         DWORD* lpcbData);
LSTATUS RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                       DWORD cbData);
LSTATUS RegDeleteValueA(HKEY hKey, LPCSTR lpValueName);
// Deletes a key without subkeys (ERROR_ACCESS_DENIED when it has some).
LSTATUS RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey);
// Subkey names (one level) and value names, in the store's order.
LSTATUS RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD* lpcchName, DWORD* lpReserved, LPSTR lpClass,
                      DWORD* lpcchClass, void* lpftLastWriteTime);
LSTATUS RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, DWORD* lpcchValueName, DWORD* lpReserved,
                      DWORD* lpType, BYTE* lpData, DWORD* lpcbData);
LSTATUS RegFlushKey(HKEY hKey);  // every change is already in the file
LSTATUS RegCloseKey(HKEY hKey);

// Where the store is for the current environment.
std::string RegistryStoreFile();
