// INI files with the class library's semantics: sections and keys are matched
// case-blind, blanks around '=' and around values are dropped, a value in
// matching quotes loses them, the first of duplicate keys wins, lines starting
// with ';' are comments, and every write of TIniFile reaches the file at once
// (other lines, comments and their order are kept; the file is written with CR LF).
#pragma once

#include <string>
#include <vector>

#include "platform/rtl/classes.h"

class TCustomIniFile : public TObject {
public:
    explicit TCustomIniFile(std::string FileName) : FFileName(std::move(FileName)) {}
    const std::string& FileName() const { return FFileName; }

    virtual std::string ReadString(const std::string& Section, const std::string& Ident,
                                   const std::string& Default) = 0;
    virtual void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) = 0;
    virtual void ReadSection(const std::string& Section, TStrings& Strings) = 0;        // the keys
    virtual void ReadSections(TStrings& Strings) = 0;
    virtual void ReadSectionValues(const std::string& Section, TStrings& Strings) = 0;  // Name=Value lines
    virtual void EraseSection(const std::string& Section) = 0;
    virtual void DeleteKey(const std::string& Section, const std::string& Ident) = 0;
    virtual void UpdateFile() = 0;

    int ReadInteger(const std::string& Section, const std::string& Ident, int Default);
    void WriteInteger(const std::string& Section, const std::string& Ident, int Value);
    bool ReadBool(const std::string& Section, const std::string& Ident, bool Default);  // "0" false, other numbers true
    void WriteBool(const std::string& Section, const std::string& Ident, bool Value);   // "1" / "0"
    double ReadFloat(const std::string& Section, const std::string& Ident, double Default);
    void WriteFloat(const std::string& Section, const std::string& Ident, double Value);
    bool SectionExists(const std::string& Section);
    bool ValueExists(const std::string& Section, const std::string& Ident);

protected:
    std::string FFileName;
};

// Reads the file at each call and writes it back at each write. A refused
// write raises EIniFileException "Unable to write to %s" with the file name.
class TIniFile : public TCustomIniFile {
public:
    explicit TIniFile(const std::string& FileName);
    std::string ReadString(const std::string& Section, const std::string& Ident, const std::string& Default) override;
    void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) override;
    void ReadSection(const std::string& Section, TStrings& Strings) override;
    void ReadSections(TStrings& Strings) override;
    void ReadSectionValues(const std::string& Section, TStrings& Strings) override;
    void EraseSection(const std::string& Section) override;
    void DeleteKey(const std::string& Section, const std::string& Ident) override;
    void UpdateFile() override {}
};

// Holds the whole file in memory; UpdateFile writes it.
class TMemIniFile : public TCustomIniFile {
public:
    explicit TMemIniFile(const std::string& FileName);
    std::string ReadString(const std::string& Section, const std::string& Ident, const std::string& Default) override;
    void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) override;
    void ReadSection(const std::string& Section, TStrings& Strings) override;
    void ReadSections(TStrings& Strings) override;
    void ReadSectionValues(const std::string& Section, TStrings& Strings) override;
    void EraseSection(const std::string& Section) override;
    void DeleteKey(const std::string& Section, const std::string& Ident) override;
    void UpdateFile() override;
    void Clear();
    void Rename(const std::string& FileName, bool Reload);

private:
    std::vector<std::string> FLines;  // the file's lines as read, changed in place
};
