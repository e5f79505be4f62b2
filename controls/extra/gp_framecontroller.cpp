#include "controls/extra/gp_framecontroller.h"

#include <algorithm>

#include "platform/classlib/formload.h"
#include "platform/rtl/scope.h"

const std::initializer_list<const char*> FrameControllerNotificationNames = {
    "fcpColor",         "fcpFocusColor",    "fcpDisabledColor", "fcpReadOnlyColor",  "fcpReadOnlyColorOnFocus",
    "fcpParentColor",   "fcpFlatButtonColor", "fcpFlatButtons", "fcpFrameColor",     "fcpFrameHotColor",
    "fcpFrameHotTrack", "fcpFrameHotStyle", "fcpFrameSides",    "fcpFrameStyle",     "fcpFrameVisible",
    "fcpFramingPreference"};

const std::initializer_list<const char*> FrameStyleNames = {
    "fsNone",   "fsFlat",      "fsGroove", "fsBump",  "fsLowered",  "fsButtonDown",
    "fsRaised", "fsButtonUp",  "fsStatus", "fsPopup", "fsFlatBold", "fsFlatRounded"};

namespace {
const char* const SideNames[] = {"sdLeft", "sdTop", "sdRight", "sdBottom"};

std::string BoolText(bool B) { return B ? "True" : "False"; }
std::string SidesText(TSides S) {
    std::string T;
    for (int I = 0; I < 4; ++I)
        if (S.Contains(static_cast<TSide>(I))) T += std::string(T.empty() ? "" : ",") + SideNames[I];
    return "[" + T + "]";
}
std::string StyleText(TFrameStyle S) { return *(FrameStyleNames.begin() + S); }
}  // namespace

// ---- TGpRegIniFile ----------------------------------------------------------------
void TGpRegIniFile::SetPath(const std::string& Value) {
    if (Value == FPath) return;
    FPath = Value;
    FNeedsReopen = true;
}
void TGpRegIniFile::SetPathType(TGpPathType Value) {
    if (Value == FPathType) return;
    FPathType = Value;
    FNeedsReopen = true;
}
void TGpRegIniFile::SetRegKey(TGpRegKey Value) {
    if (Value == FRegKey) return;
    FRegKey = Value;
    FNeedsReopen = true;
}
void TGpRegIniFile::SetRegAccess(TGpRegAccess Value) {
    if (Value == FRegAccess) return;
    FRegAccess = Value;
    FNeedsReopen = true;
}
void TGpRegIniFile::SetSpecialFolder(TGpSpecialFolder Value) {
    if (Value == FSpecialFolder) return;
    FSpecialFolder = Value;
    FNeedsReopen = true;
}

// ---- TGpFrameController -----------------------------------------------------------
TGpFrameController::~TGpFrameController() {
    // Attached controls forget a controller that goes away.
    Destroying();
}

void TGpFrameController::AttachControl(TControl* Control) {
    if (!Control || std::find(FControls.begin(), FControls.end(), Control) != FControls.end()) return;
    FControls.push_back(Control);
    PushSettingToControl(Control, fcAllSettings);
}

void TGpFrameController::DetachControl(TControl* Control) {
    FControls.erase(std::remove(FControls.begin(), FControls.end(), Control), FControls.end());
    if (FControls.empty()) FControls.shrink_to_fit();
}

void TGpFrameController::EndSettingsUpdate() {
    if (--FUpdateCount <= 0) {
        FUpdateCount = 0;
        PushSetting(fcAllSettings);
    }
}

void TGpFrameController::Loaded() {
    TComponent::Loaded();
    PushSetting(fcAllSettings);
}

void TGpFrameController::Assign(TPersistent* Source) {
    auto* S = dynamic_cast<TGpFrameController*>(Source);
    if (!S) {
        TComponent::Assign(Source);
        return;
    }
    BeginSettingsUpdate();
    rtl::TScopeExit EndSettingsUpdateAtExit([&] { EndSettingsUpdate(); });
    SetColor(S->FColor);
    SetParentColor(S->FParentColor);
    SetFlatButtonColor(S->FFlatButtonColor);
    SetFlatButtons(S->FFlatButtons);
    SetDisabledColor(S->FDisabledColor);
    SetReadOnlyColor(S->FReadOnlyColor);
    SetReadOnlyColorOnFocus(S->FReadOnlyColorOnFocus);
    SetFocusColor(S->FFocusColor);
    SetFrameColor(S->FFrameColor);
    SetFrameHotColor(S->FFrameHotColor);
    SetFrameHotTrack(S->FFrameHotTrack);
    SetFrameHotStyle(S->FFrameHotStyle);
    SetFrameSides(S->FFrameSides);
    SetFrameStyle(S->FFrameStyle);
    SetFrameVisible(S->FFrameVisible);
    SetFramingPreference(S->FFramingPreference);
}

void TGpFrameController::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FRegIniFile) FRegIniFile = nullptr;
}

void TGpFrameController::PushSetting(int Code) {
    if (FUpdateCount > 0 || FControls.empty()) return;
    // A control may detach itself while it takes the settings.
    const std::vector<TControl*> Copy = FControls;
    for (TControl* C : Copy)
        if (std::find(FControls.begin(), FControls.end(), C) != FControls.end()) PushSettingToControl(C, Code);
}

void TGpFrameController::PushSettingToControl(TControl* Control, int Code) {
    if (!Control) return;
    if (auto* N = dynamic_cast<IGpFrameNotify*>(Control)) {
        N->UpdateFrame(*this, Code);
        return;
    }
    const TGpFrameControllerNotifications Mask = AllFrameControllerNotifications();
    if (Code != fcAllSettings) {
        WriteProperty(Control, Mask, Code);
        return;
    }
    for (int C : {5, 0, 2, 3, 4, 1, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}) {
        if (C == 0 && FParentColor) continue;
        WriteProperty(Control, Mask, C);
    }
}

void TGpFrameController::WriteProperty(TControl* Control, TGpFrameControllerNotifications Mask, int Code) {
    static const char* const Names[] = {"Color",         "FocusColor",     "DisabledColor", "ReadOnlyColor",
                                        "ReadOnlyColorOnFocus", "ParentColor", "FlatButtonColor", "FlatButtons",
                                        "FrameColor",    "FrameHotColor",  "FrameHotTrack", "FrameHotStyle",
                                        "FrameSides",    "FrameStyle",     "FrameVisible",  "FramingPreference"};
    if (Code < 0 || Code > 15 || !Mask.Contains(static_cast<TGpFrameControllerPropertyConnection>(Code))) return;
    if (!IsPublishedProp(Control, Names[Code])) return;
    std::string Text;
    switch (Code) {
        case 0: Text = ColorToString(FColor); break;
        case 1: Text = ColorToString(FFocusColor); break;
        case 2: Text = ColorToString(FDisabledColor); break;
        case 3: Text = ColorToString(FReadOnlyColor); break;
        case 4: Text = BoolText(FReadOnlyColorOnFocus); break;
        case 5: Text = BoolText(FParentColor); break;
        case 6: Text = ColorToString(FFlatButtonColor); break;
        case 7: Text = BoolText(FFlatButtons); break;
        case 8: Text = ColorToString(FFrameColor); break;
        case 9: Text = ColorToString(FFrameHotColor); break;
        case 10: Text = BoolText(FFrameHotTrack); break;
        case 11: Text = StyleText(FFrameHotStyle); break;
        case 12: Text = SidesText(FFrameSides); break;
        case 13: Text = StyleText(FFrameStyle); break;
        case 14: Text = BoolText(FFrameVisible); break;
        default: Text = FFramingPreference == fpXPThemes ? "fpXPThemes" : "fpCustomFraming"; break;
    }
    SetPropValue(Control, Names[Code], ParseFormValue(Text));
}

void TGpFrameController::SetColor(TColor Value) {
    if (Value == FColor) return;
    const bool FocusFollows = FFocusColor == FColor;
    FColor = Value;
    FParentColor = false;
    if (FocusFollows) FFocusColor = Value;
    PushSetting(0);
    if (FocusFollows) PushSetting(1);
}
void TGpFrameController::SetParentColor(bool Value) {
    if (Value == FParentColor) return;
    FParentColor = Value;
    PushSetting(5);
    if (!Value) PushSetting(0);
}
void TGpFrameController::SetFlatButtonColor(TColor Value) {
    if (Value == FFlatButtonColor) return;
    FFlatButtonColor = Value;
    PushSetting(6);
}
void TGpFrameController::SetFlatButtons(bool Value) {
    if (Value == FFlatButtons) return;
    FFlatButtons = Value;
    PushSetting(7);
}
void TGpFrameController::SetDisabledColor(TColor Value) {
    if (Value == FDisabledColor) return;
    FDisabledColor = Value;
    PushSetting(2);
}
void TGpFrameController::SetReadOnlyColor(TColor Value) {
    if (Value == FReadOnlyColor) return;
    FReadOnlyColor = Value;
    PushSetting(3);
}
void TGpFrameController::SetReadOnlyColorOnFocus(bool Value) {
    if (Value == FReadOnlyColorOnFocus) return;
    FReadOnlyColorOnFocus = Value;
    PushSetting(4);
}
void TGpFrameController::SetFocusColor(TColor Value) {
    if (Value == FFocusColor) return;
    FFocusColor = Value;
    PushSetting(1);
}
void TGpFrameController::SetFrameColor(TColor Value) {
    if (Value == FFrameColor) return;
    FFrameColor = Value;
    PushSetting(8);
}
void TGpFrameController::SetFrameHotColor(TColor Value) {
    if (Value == FFrameHotColor) return;
    FFrameHotColor = Value;
    PushSetting(9);
}
void TGpFrameController::SetFrameHotTrack(bool Value) {
    if (Value == FFrameHotTrack) return;
    FFrameHotTrack = Value;
    if (Value) {
        SetFrameVisible(true);
        if (!ComponentState().Contains(csLoading)) SetFrameSides(AllSides());
    }
    PushSetting(10);
}
void TGpFrameController::SetFrameHotStyle(TFrameStyle Value) {
    if (Value == FFrameHotStyle) return;
    FFrameHotStyle = Value;
    PushSetting(11);
}
void TGpFrameController::SetFrameSides(TSides Value) {
    if (Value == FFrameSides) return;
    FFrameSides = Value;
    PushSetting(12);
}
void TGpFrameController::SetFrameStyle(TFrameStyle Value) {
    if (Value == FFrameStyle) return;
    FFrameStyle = Value;
    PushSetting(13);
}
void TGpFrameController::SetFrameVisible(bool Value) {
    if (Value == FFrameVisible) return;
    FFrameVisible = Value;
    PushSetting(14);
}
void TGpFrameController::SetFramingPreference(TFramingPreference Value) {
    if (Value == FFramingPreference) return;
    FFramingPreference = Value;
    PushSetting(15);
}
void TGpFrameController::SetRegIniFile(TGpRegIniFile* Value) {
    if (Value == FRegIniFile) return;
    if (FRegIniFile) FRegIniFile->RemoveFreeNotification(this);
    FRegIniFile = Value;
    if (Value) Value->FreeNotification(this);
}

// ---- Obsolete properties ------------------------------------------------------------
void TGpOldPropReader::SkipBooleanValue(TFormReader& Reader, const TFormValue& Value) { (void)Reader.Bool(Value); }
void TGpOldPropReader::SkipIdentValue(TFormReader& Reader, const TFormValue& Value) { (void)Reader.Ident(Value); }
void TGpOldPropReader::SkipSetValue(TFormReader& Reader, const TFormValue& Value) {
    if (Value.kind != TFormValue::vaSet) Reader.Error("A set value is expected for " + Reader.PropertyPath());
}

// ---- Class tables ---------------------------------------------------------------
namespace {
template <class C>
using TSetter = std::function<void(C&, const TFormValue&, TFormReader&)>;
}

TClassInfo& TGpRegIniFile::StaticClassInfo() {
    static TClassInfo CI("TGpRegIniFile", &TComponent::StaticClassInfo(), CreateComponentOf<TGpRegIniFile>,
                         [](TClassInfo& C) {
                             using S = TSetter<TGpRegIniFile>;
                             C.Define<TGpRegIniFile>("About", S([](TGpRegIniFile&, const TFormValue&, TFormReader&) {}));
                             C.Define<TGpRegIniFile>("Path", S([](TGpRegIniFile& O, const TFormValue& V,
                                                                   TFormReader& R) { O.SetPath(R.String(V)); }));
                             C.Define<TGpRegIniFile>("PathType", S([](TGpRegIniFile& O, const TFormValue& V,
                                                                       TFormReader& R) {
                                                         O.SetPathType(R.Enum<TGpPathType>(V, {"ptIniFile", "ptRegistry"}));
                                                     }));
                             C.Define<TGpRegIniFile>(
                                 "RegKey", S([](TGpRegIniFile& O, const TFormValue& V, TFormReader& R) {
                                     O.SetRegKey(R.Enum<TGpRegKey>(
                                         V, {"hkeyClassesRoot", "hkeyCurrentUser", "hkeyLocalMachine", "hkeyUsers",
                                             "hkeyPerformanceData", "hkeyCurrentConfig", "hkeyDynData"}));
                                 }));
                             C.Define<TGpRegIniFile>(
                                 "RegAccess", S([](TGpRegIniFile& O, const TFormValue& V, TFormReader& R) {
                                     O.SetRegAccess(R.Set<TGpRegAccessItem>(
                                         V, {"keyQueryValue", "keySetValue", "keyCreateSubKey", "keyEnumerateSubKeys",
                                             "keyNotify", "keyCreateLink", "keyRead", "keyWrite", "keyExecute",
                                             "keyAllAccess"}));
                                 }));
                             C.Define<TGpRegIniFile>(
                                 "SpecialFolder", S([](TGpRegIniFile& O, const TFormValue& V, TFormReader& R) {
                                     O.SetSpecialFolder(R.Enum<TGpSpecialFolder>(
                                         V, {"sfNone", "sfUserAppDataRoaming", "sfUserAppDataLocal", "sfUserDocuments",
                                             "sfProgramData"}));
                                 }));
                         });
    return CI;
}

TClassInfo& TGpFrameController::StaticClassInfo() {
    static TClassInfo CI(
        "TGpFrameController", &TComponent::StaticClassInfo(), CreateComponentOf<TGpFrameController>,
        [](TClassInfo& C) {
            using S = TSetter<TGpFrameController>;
            using O = TGpFrameController;
            auto Colour = [&C](const char* Name, void (O::*Set)(TColor)) {
                C.Define<O>(Name, S([Set](O& Obj, const TFormValue& V, TFormReader& R) {
                                (Obj.*Set)(ControlProps::ReadColor(R, V));
                            }));
            };
            auto Flag = [&C](const char* Name, void (O::*Set)(bool)) {
                C.Define<O>(Name,
                            S([Set](O& Obj, const TFormValue& V, TFormReader& R) { (Obj.*Set)(R.Bool(V)); }));
            };
            auto Style = [&C](const char* Name, void (O::*Set)(TFrameStyle)) {
                C.Define<O>(Name, S([Set](O& Obj, const TFormValue& V, TFormReader& R) {
                                const TFrameStyle Style = R.Enum<TFrameStyle>(V, FrameStyleNames);
                                // The controller's styles end with fsFlatBold.
                                if (Style > fsFlatBold) R.Error(R.PropertyPath() + ": invalid value " + R.Ident(V));
                                (Obj.*Set)(Style);
                            }));
            };
            C.Define<O>("About", S([](O&, const TFormValue&, TFormReader&) {}));
            Colour("Color", &O::SetColor);
            Colour("DisabledColor", &O::SetDisabledColor);
            Colour("ReadOnlyColor", &O::SetReadOnlyColor);
            Flag("ReadOnlyColorOnFocus", &O::SetReadOnlyColorOnFocus);
            Colour("FlatButtonColor", &O::SetFlatButtonColor);
            Flag("FlatButtons", &O::SetFlatButtons);
            Colour("FocusColor", &O::SetFocusColor);
            Colour("FrameColor", &O::SetFrameColor);
            Colour("FrameHotColor", &O::SetFrameHotColor);
            Style("FrameHotStyle", &O::SetFrameHotStyle);
            Flag("FrameHotTrack", &O::SetFrameHotTrack);
            C.Define<O>("FrameSides", S([](O& Obj, const TFormValue& V, TFormReader& R) {
                            Obj.SetFrameSides(R.Set<TSide>(V, {"sdLeft", "sdTop", "sdRight", "sdBottom"}));
                        }));
            Style("FrameStyle", &O::SetFrameStyle);
            Flag("FrameVisible", &O::SetFrameVisible);
            C.Define<O>("FramingPreference", S([](O& Obj, const TFormValue& V, TFormReader& R) {
                            Obj.SetFramingPreference(
                                R.Enum<TFramingPreference>(V, {"fpCustomFraming", "fpXPThemes"}));
                        }));
            Flag("ParentColor", &O::SetParentColor);
            C.Define<O>("RegIniFile", S([](O& Obj, const TFormValue& V, TFormReader& R) {
                            R.Reference(V, [&Obj](TComponent* Found) {
                                Obj.SetRegIniFile(dynamic_cast<TGpRegIniFile*>(Found));
                            });
                        }));
            // Names older forms stored.
            C.Define<O>("FrameFlat", S([](O& Obj, const TFormValue& V, TFormReader& R) {
                            const bool Flat = R.Bool(V);
                            Obj.SetFrameHotTrack(Flat);
                            if (Flat) {
                                Obj.SetFrameStyle(fsStatus);
                                Obj.SetFrameHotStyle(fsLowered);
                            }
                        }));
            C.Define<O>("FrameFocusStyle", S([](O& Obj, const TFormValue& V, TFormReader& R) {
                            Obj.SetFrameHotStyle(R.Enum<TFrameStyle>(V, FrameStyleNames));
                        }));
            C.Define<O>("FrameFlatStyle", S([](O&, const TFormValue& V, TFormReader& R) {
                            TGpOldPropReader::SkipIdentValue(R, V);
                        }));
        });
    return CI;
}

void RegisterGpFrameController() {
    RegisterClasses({&TGpFrameController::StaticClassInfo(), &TGpRegIniFile::StaticClassInfo()});
}
