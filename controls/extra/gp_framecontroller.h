// TGpFrameController: one set of frame and colour settings pushed to every
// control attached to it; TGpRegIniFile: where settings are stored.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "controls/extra/gp_drawing.h"
#include "platform/classlib/classes_ext.h"
#include "platform/classlib/controls.h"

enum TGpFrameControllerPropertyConnection {
    fcpColor,
    fcpFocusColor,
    fcpDisabledColor,
    fcpReadOnlyColor,
    fcpReadOnlyColorOnFocus,
    fcpParentColor,
    fcpFlatButtonColor,
    fcpFlatButtons,
    fcpFrameColor,
    fcpFrameHotColor,
    fcpFrameHotTrack,
    fcpFrameHotStyle,
    fcpFrameSides,
    fcpFrameStyle,
    fcpFrameVisible,
    fcpFramingPreference
};
using TGpFrameControllerNotifications = TSet<TGpFrameControllerPropertyConnection>;
inline TGpFrameControllerNotifications AllFrameControllerNotifications() {
    return TGpFrameControllerNotifications::FromBits(0xFFFF);
}
// The set's member names as form files write them.
extern const std::initializer_list<const char*> FrameControllerNotificationNames;

// Code 16 pushes every setting.
constexpr int fcAllSettings = 16;

enum TFramingPreference { fpCustomFraming, fpXPThemes };

class TGpFrameController;

// Controls that take the controller's settings themselves (the panel and the
// progress bar); any other control gets its published properties written.
class IGpFrameNotify {
public:
    virtual ~IGpFrameNotify() = default;
    virtual void UpdateFrame(TGpFrameController& Controller, int Code) = 0;
    virtual TGpFrameControllerNotifications FrameControllerNotifications() const = 0;
};

enum TGpPathType { ptIniFile, ptRegistry };
enum TGpRegKey {
    hkeyClassesRoot,
    hkeyCurrentUser,
    hkeyLocalMachine,
    hkeyUsers,
    hkeyPerformanceData,
    hkeyCurrentConfig,
    hkeyDynData
};
enum TGpRegAccessItem {
    keyQueryValue,
    keySetValue,
    keyCreateSubKey,
    keyEnumerateSubKeys,
    keyNotify,
    keyCreateLink,
    keyRead,
    keyWrite,
    keyExecute,
    keyAllAccess
};
using TGpRegAccess = TSet<TGpRegAccessItem>;
enum TGpSpecialFolder { sfNone, sfUserAppDataRoaming, sfUserAppDataLocal, sfUserDocuments, sfProgramData };

class TGpRegIniFile : public TComponent {
    TESSARO_CLASSINFO
public:
    explicit TGpRegIniFile(TComponent* AOwner) : TComponent(AOwner) {}
    const std::string& Path() const { return FPath; }
    TGpPathType PathType() const { return FPathType; }
    TGpRegKey RegKey() const { return FRegKey; }
    TGpRegAccess RegAccess() const { return FRegAccess; }
    TGpSpecialFolder SpecialFolder() const { return FSpecialFolder; }
    virtual void SetPath(const std::string& Value);
    virtual void SetPathType(TGpPathType Value);
    virtual void SetRegKey(TGpRegKey Value);
    virtual void SetRegAccess(TGpRegAccess Value);
    virtual void SetSpecialFolder(TGpSpecialFolder Value);
    // A changed setting means the store must be opened again.
    bool NeedsReopen() const { return FNeedsReopen; }

private:
    std::string FPath;
    TGpPathType FPathType = ptIniFile;
    TGpRegKey FRegKey = hkeyCurrentUser;
    TGpRegAccess FRegAccess{keyAllAccess};
    TGpSpecialFolder FSpecialFolder = sfNone;
    bool FNeedsReopen = true;
};

class TGpFrameController : public TComponent {
    TESSARO_CLASSINFO
public:
    explicit TGpFrameController(TComponent* AOwner) : TComponent(AOwner) {}
    ~TGpFrameController() override;

    void AttachControl(TControl* Control);
    void DetachControl(TControl* Control);
    const std::vector<TControl*>& Controls() const { return FControls; }
    void BeginSettingsUpdate() { ++FUpdateCount; }
    void EndSettingsUpdate();
    void Loaded() override;
    void Assign(TPersistent* Source) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

    virtual void PushSettingToControl(TControl* Control, int Code);
    virtual void PushSetting(int Code);

    TColor Color() const { return FColor; }
    bool ParentColor() const { return FParentColor; }
    TColor FlatButtonColor() const { return FFlatButtonColor; }
    bool FlatButtons() const { return FFlatButtons; }
    TColor DisabledColor() const { return FDisabledColor; }
    TColor ReadOnlyColor() const { return FReadOnlyColor; }
    bool ReadOnlyColorOnFocus() const { return FReadOnlyColorOnFocus; }
    TColor FocusColor() const { return FFocusColor; }
    TColor FrameColor() const { return FFrameColor; }
    TColor FrameHotColor() const { return FFrameHotColor; }
    bool FrameHotTrack() const { return FFrameHotTrack; }
    TFrameStyle FrameHotStyle() const { return FFrameHotStyle; }
    TSides FrameSides() const { return FFrameSides; }
    TFrameStyle FrameStyle() const { return FFrameStyle; }
    bool FrameVisible() const { return FFrameVisible; }
    TFramingPreference FramingPreference() const { return FFramingPreference; }
    TGpRegIniFile* RegIniFile() const { return FRegIniFile; }

    virtual void SetColor(TColor Value);
    virtual void SetParentColor(bool Value);
    virtual void SetFlatButtonColor(TColor Value);
    virtual void SetFlatButtons(bool Value);
    virtual void SetDisabledColor(TColor Value);
    virtual void SetReadOnlyColor(TColor Value);
    virtual void SetReadOnlyColorOnFocus(bool Value);
    virtual void SetFocusColor(TColor Value);
    virtual void SetFrameColor(TColor Value);
    virtual void SetFrameHotColor(TColor Value);
    virtual void SetFrameHotTrack(bool Value);
    virtual void SetFrameHotStyle(TFrameStyle Value);
    virtual void SetFrameSides(TSides Value);
    virtual void SetFrameStyle(TFrameStyle Value);
    virtual void SetFrameVisible(bool Value);
    virtual void SetFramingPreference(TFramingPreference Value);
    virtual void SetRegIniFile(TGpRegIniFile* Value);

private:
    void WriteProperty(TControl* Control, TGpFrameControllerNotifications Mask, int Code);

    std::vector<TControl*> FControls;
    int FUpdateCount = 0;
    TColor FColor = clWindow;
    bool FParentColor = false;
    TColor FFlatButtonColor = clBtnFace;
    bool FFlatButtons = true;
    TColor FDisabledColor = clBtnFace;
    TColor FReadOnlyColor = SysColor(0x18);
    bool FReadOnlyColorOnFocus = false;
    TColor FFocusColor = clWindow;
    TColor FFrameColor = clBtnShadow;
    TColor FFrameHotColor = clBtnShadow;
    bool FFrameHotTrack = false;
    TFrameStyle FFrameHotStyle = fsFlatBold;
    TSides FFrameSides = AllSides();
    TFrameStyle FFrameStyle = fsFlat;
    bool FFrameVisible = false;
    TFramingPreference FFramingPreference = fpXPThemes;
    TGpRegIniFile* FRegIniFile = nullptr;
};

// Readers of obsolete stored properties: each reads its kind of value and drops it.
struct TGpOldPropReader {
    static void SkipBooleanValue(TFormReader& Reader, const TFormValue& Value);
    static void SkipIdentValue(TFormReader& Reader, const TFormValue& Value);
    static void SkipSetValue(TFormReader& Reader, const TFormValue& Value);
};

// Names of the frame styles as form files write them.
extern const std::initializer_list<const char*> FrameStyleNames;

void RegisterGpFrameController();
