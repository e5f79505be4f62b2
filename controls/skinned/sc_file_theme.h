// The theme component a form holds: it loads a theme file and answers the
// style keys from it for the skinned controls that point to it.
#pragma once

#include <memory>
#include <string>

#include "controls/skinned/sc_style_table.h"
#include "controls/skinned/sc_theme_file_reader.h"
#include "platform/classlib/classes_ext.h"

// Looks keys up by number in one loaded theme file.
class TscFileThemeMgr {
public:
    // False for a missing file (the old file stays); a file that cannot be
    // read raises and the old one stays too.
    bool LoadThemeFile(const std::string& FileName);
    // Loads the key's picture into Graphic; nothing without a file or entry.
    void GetImage(int Key, TGraphic* Graphic);
    bool GetBool(int Key) const;
    // 0 without a file, -1 without the entry.
    TColor GetColor(int Key) const;
    int GetInteger(int Key) const;
    TscThemeFileReader* Reader() const { return FThemeReader.get(); }

private:
    std::unique_ptr<TscThemeFileReader> FThemeReader;
};

class TscFileTheme : public TComponent {
    TESSARO_CLASSINFO
public:
    explicit TscFileTheme(TComponent* AOwner);
    ~TscFileTheme() override;
    const std::string& ThemeFile() const { return FThemeFile; }
    // Finds the file (as given, then by its name in the program folder), and
    // loads it; "Invalid skin file for SCPack!" for a file that is not one.
    void SetThemeFile(const std::string& Value);
    bool CanUse() const { return FFileLoaded; }
    static bool CheckThemeFile(const std::string& FileName) { return IsValidThemeFile(FileName); }
    void GetImage(int Key, TGraphic* Graphic) { FMgr->GetImage(Key, Graphic); }
    // Frame Index (from 1) of Count frames of the key's picture.
    void GetImageFrame(int Key, TBitmap* Graphic, int Count, int Index);
    bool GetBool(int Key) const { return FMgr->GetBool(Key); }
    TColor GetColor(int Key) const { return FMgr->GetColor(Key); }
    int GetInteger(int Key) const { return FMgr->GetInteger(Key); }
    TscFileThemeMgr& Mgr() { return *FMgr; }

    // True when a control of this look is to read Theme's file; otherwise
    // Effective is the built-in look to read (DeepBlue for a theme look
    // without a loaded theme).
    static bool ResolveUIStyle(TscFileTheme* Theme, TscUIStyle Style, TscUIStyle& Effective);

private:
    std::string FThemeFile;
    std::unique_ptr<TscFileThemeMgr> FMgr;
    bool FFileLoaded = false;
};

// The Windows and system folders (the program folder here), ending in a delimiter.
std::string GetWindowsFolder();
std::string GetSystemFolder();

