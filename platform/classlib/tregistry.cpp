#include "platform/classlib/tregistry.h"

#include <vector>

#include "platform/system/sysdefs.h"

HKEY TRegistry::BaseFor(const std::string& Key, std::string& Sub) const {
    bool Absolute = !Key.empty() && (Key[0] == '\\' || Key[0] == '/');
    Sub = Absolute ? Key.substr(1) : Key;
    if (Absolute || !FCurrentKey) return RootKey;
    return FCurrentKey;
}

bool TRegistry::OpenKey(const std::string& Key, bool CanCreate) {
    std::string Sub;
    HKEY Base = BaseFor(Key, Sub);
    HKEY Result = nullptr;
    LSTATUS R = CanCreate ? RegCreateKeyExA(Base, Sub.c_str(), 0, /*lpClass=*/nullptr, REG_OPTION_NON_VOLATILE, FAccess,
                                            /*lpSecurityAttributes=*/nullptr, &Result, /*lpdwDisposition=*/nullptr)
                          : RegOpenKeyExA(Base, Sub.c_str(), 0, FAccess, &Result);
    if (R != ERROR_SUCCESS) return false;
    bool Relative = Base == FCurrentKey && FCurrentKey;
    std::string Path = Relative ? (FCurrentPath.empty() ? Sub : FCurrentPath + "\\" + Sub) : Sub;
    CloseKey();
    FCurrentKey = Result;
    FCurrentPath = Path;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& Key) {
    REGSAM Saved = FAccess;
    FAccess = KEY_READ;
    bool Ok = OpenKey(Key, /*CanCreate=*/false);
    if (!Ok) FAccess = Saved;
    return Ok;
}

void TRegistry::CloseKey() {
    if (FCurrentKey) RegCloseKey(FCurrentKey);
    FCurrentKey = nullptr;
    FCurrentPath.clear();
}

bool TRegistry::KeyExists(const std::string& Key) {
    std::string Sub;
    HKEY Base = BaseFor(Key, Sub);
    HKEY K = nullptr;
    if (RegOpenKeyExA(Base, Sub.c_str(), 0, KEY_READ, &K) != ERROR_SUCCESS) return false;
    RegCloseKey(K);
    return true;
}

bool TRegistry::DeleteKey(const std::string& Key) {
    std::string Sub;
    HKEY Base = BaseFor(Key, Sub);
    return RegDeleteKeyA(Base, Sub.c_str()) == ERROR_SUCCESS;
}

bool TRegistry::ValueExists(const std::string& Name) {
    if (!FCurrentKey) return false;
    DWORD Type = 0, Size = 0;
    LSTATUS R = RegQueryValueExA(FCurrentKey, Name.c_str(), /*lpReserved=*/nullptr, &Type, /*lpData=*/nullptr, &Size);
    return R == ERROR_SUCCESS || R == ERROR_MORE_DATA;
}

bool TRegistry::DeleteValue(const std::string& Name) {
    return FCurrentKey && RegDeleteValueA(FCurrentKey, Name.c_str()) == ERROR_SUCCESS;
}

void TRegistry::GetKeyNames(TStrings& Strings) {
    Strings.Clear();
    if (!FCurrentKey) return;
    for (DWORD I = 0;; ++I) {
        char Name[1024];
        DWORD Len = sizeof Name;
        if (RegEnumKeyExA(FCurrentKey, I, Name, &Len, /*lpReserved=*/nullptr, /*lpClass=*/nullptr,
                          /*lpcchClass=*/nullptr, /*lpftLastWriteTime=*/nullptr) != ERROR_SUCCESS)
            break;
        Strings.Add(std::string(Name, Len));
    }
}

void TRegistry::GetValueNames(TStrings& Strings) {
    Strings.Clear();
    if (!FCurrentKey) return;
    for (DWORD I = 0;; ++I) {
        char Name[1024];
        DWORD Len = sizeof Name;
        LSTATUS R = RegEnumValueA(FCurrentKey, I, Name, &Len, /*lpReserved=*/nullptr, /*lpType=*/nullptr,
                                  /*lpData=*/nullptr, /*lpcbData=*/nullptr);
        if (R != ERROR_SUCCESS && R != ERROR_MORE_DATA) break;
        Strings.Add(std::string(Name, Len));
    }
}

std::string TRegistry::ReadString(const std::string& Name) {
    if (!FCurrentKey) return "";
    DWORD Type = 0, Size = 0;
    LSTATUS R = RegQueryValueExA(FCurrentKey, Name.c_str(), /*lpReserved=*/nullptr, &Type, /*lpData=*/nullptr, &Size);
    if (R != ERROR_SUCCESS && R != ERROR_MORE_DATA) return "";
    if (Type != REG_SZ && Type != REG_EXPAND_SZ) throw ERegistryException("Invalid data type for '" + Name + "'");
    std::vector<BYTE> Buf(Size + 1);
    Size = static_cast<DWORD>(Buf.size());
    if (RegQueryValueExA(FCurrentKey, Name.c_str(), /*lpReserved=*/nullptr, &Type, Buf.data(), &Size) != ERROR_SUCCESS)
        throw ERegistryException("Failed to get data for '" + Name + "'");
    std::string S(reinterpret_cast<char*>(Buf.data()), Size);
    auto Nul = S.find('\0');
    if (Nul != std::string::npos) S.erase(Nul);
    return S;
}

int TRegistry::ReadInteger(const std::string& Name) {
    DWORD Type = 0, Value = 0, Size = sizeof Value;
    LSTATUS R = FCurrentKey ? RegQueryValueExA(FCurrentKey, Name.c_str(), /*lpReserved=*/nullptr, &Type,
                                               reinterpret_cast<BYTE*>(&Value), &Size)
                            : ERROR_INVALID_HANDLE;
    if (R == ERROR_SUCCESS && Type == REG_DWORD) return static_cast<int>(Value);
    if (R == ERROR_SUCCESS || R == ERROR_MORE_DATA) throw ERegistryException("Invalid data type for '" + Name + "'");
    throw ERegistryException("Failed to get data for '" + Name + "'");
}

void TRegistry::WriteString(const std::string& Name, const std::string& Value) {
    if (!FCurrentKey || RegSetValueExA(FCurrentKey, Name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(Value.c_str()),
                                       static_cast<DWORD>(Value.size() + 1)) != ERROR_SUCCESS)
        throw ERegistryException("Failed to set data for '" + Name + "'");
}

void TRegistry::WriteExpandString(const std::string& Name, const std::string& Value) {
    if (!FCurrentKey ||
        RegSetValueExA(FCurrentKey, Name.c_str(), 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(Value.c_str()),
                       static_cast<DWORD>(Value.size() + 1)) != ERROR_SUCCESS)
        throw ERegistryException("Failed to set data for '" + Name + "'");
}

void TRegistry::WriteInteger(const std::string& Name, int Value) {
    DWORD V = static_cast<DWORD>(Value);
    if (!FCurrentKey || RegSetValueExA(FCurrentKey, Name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&V),
                                       sizeof V) != ERROR_SUCCESS)
        throw ERegistryException("Failed to set data for '" + Name + "'");
}
