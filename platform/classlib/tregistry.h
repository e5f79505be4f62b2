// TRegistry: the class library's registry object over the registry store.
#pragma once

#include <string>

#include "platform/classlib/classes_ext.h"
#include "platform/system/registry.h"

TESSARO_DECLARE_EXCEPTION(ERegistryException, Exception)

class TRegistry : public TObject {
public:
    explicit TRegistry(REGSAM Access = KEY_ALL_ACCESS) : FAccess(Access) {}
    ~TRegistry() override { CloseKey(); }
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    HKEY RootKey = HKEY_CURRENT_USER;
    REGSAM Access() const { return FAccess; }
    void SetAccess(REGSAM Value) { FAccess = Value; }
    HKEY CurrentKey() const { return FCurrentKey; }
    const std::string& CurrentPath() const { return FCurrentPath; }

    // Key is relative to the current key, or to RootKey when it starts with '\'
    // or no key is open. False when the key cannot be opened (or made).
    bool OpenKey(const std::string& Key, bool CanCreate);
    bool OpenKeyReadOnly(const std::string& Key);
    void CloseKey();
    bool KeyExists(const std::string& Key);
    bool DeleteKey(const std::string& Key);
    bool ValueExists(const std::string& Name);
    bool DeleteValue(const std::string& Name);
    void GetKeyNames(TStrings& Strings);
    void GetValueNames(TStrings& Strings);

    // Reading a missing value gives "" / raises as the class library does:
    // ReadString of a missing value is "", ReadInteger and ReadBool raise
    // ERegistryException "Invalid data type for '%s'" for another type and
    // "Failed to get data for '%s'" for a missing value.
    std::string ReadString(const std::string& Name);
    int ReadInteger(const std::string& Name);
    bool ReadBool(const std::string& Name) { return ReadInteger(Name) != 0; }
    // ERegistryException "Failed to set data for '%s'" when the store refuses.
    void WriteString(const std::string& Name, const std::string& Value);
    void WriteExpandString(const std::string& Name, const std::string& Value);
    void WriteInteger(const std::string& Name, int Value);
    void WriteBool(const std::string& Name, bool Value) { WriteInteger(Name, Value ? 1 : 0); }

private:
    HKEY BaseFor(const std::string& Key, std::string& Sub) const;
    REGSAM FAccess;
    HKEY FCurrentKey = nullptr;
    std::string FCurrentPath;
};
