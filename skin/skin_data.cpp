#include "skin/skin_data.h"

#include "platform/classlib/comctrls.h"
#include "platform/classlib/formload.h"
#include "platform/classlib/forms.h"
#include "platform/system/codepages.h"
#include "skin/skin_ini.h"
#include "skin/skin_manager.h"
#include "skin/skin_reader.h"
#include "platform/rtl/scope.h"

UINT SkinCodePage = CP_ACP;
bool UnicodePlatform = true;

TSkinData::TSkinData(TComponent* AOwner)
    : TComponent(AOwner),
      SkinControls{xcMainMenu,    xcPopupMenu,  xcToolbar, xcControlbar, xcCombo,     xcCheckBox,   xcRadioButton,
                   xcProgress,    xcScrollbar,  xcEdit,    xcButton,     xcBitBtn,    xcSpeedButton, xcSpin,
                   xcPanel,       xcGroupBox,   xcStatusBar, xcTab,      xcTrackBar,  xcSystemMenu},
      Options{xoPreview, xoToolbarBK},
      FSkin3rd(std::make_unique<TStringList>()),
      FSkinStream(std::make_unique<TMemoryStream>()) {
    AppIcon = std::make_unique<TBitmap>();
    AppIcon->SetPixelFormat(pf24bit);
    AddDefaultSkin3rd();
    Button = std::make_unique<TDataSkinButton>("Buttons");
    static const char* const Sides[] = {"Left", "Right", "Top", "Bottom"};
    for (int i = 0; i < 4; ++i) Borders[static_cast<size_t>(i)] = std::make_unique<TDataSkinBorder>(Sides[i]);
    Title = std::make_unique<TDataSkinTitle>("Title");
    MenuGlyphs = std::make_unique<TImageList>(nullptr);
    MenuGlyphs->SetSize(16, 16);
    TBitmap Glyphs;
    Glyphs.LoadFromResourceName(/*Instance=*/nullptr, "SKINMENU");
    MenuGlyphs->AddMasked(&Glyphs, clWhite);
}

TSkinData::~TSkinData() {
    if (SkinManager) SkinManager->RemoveSkinData(this);
    if (FaceBrush) DeleteObject(FaceBrush);
}

void TSkinData::AddDefaultSkin3rd() {
    // Classes of this program and of the class library that need a skin of
    // another kind than their own class would give them.
    static const char* const Lines[] = {
        "TCategoryButtons=scrollbar", "TDBCtrlGrid=scrollbar", "TIEMultiView=scrollbar", "TIEImageView=scrollbar",
        "TControlBar=panel",          "TComboboxex=combobox",  "TDBLookupCombobox=combobox",
    };
    for (const char* L : Lines) FSkin3rd->Add(L);
}

void TSkinData::SetSkin3rd(const TStrings& Value) {
    if (&Value != FSkin3rd.get()) FSkin3rd->Assign(Value);
}

std::string TSkinData::SkinStore() const {
    return ComponentState().Contains(csDesigning) && FSkinStream->Size() > 0 ? "(Good)" : "(none)";
}

void TSkinData::SetSkinFile(const std::string& Value) {
    SkinEmpty = true;
    FSkinFile = Value;
    if (ComponentState().Contains(csDesigning) || Value.empty() || !FileExists(Value)) return;
    FSkinStream->Clear();
    FSkinStream->LoadFromFile(Value);
    FSkinStream->SetPosition(0);
    LoadSkin();
    ApplySkinChange();
}

void TSkinData::ReadSkinStream(TStream& Stream) {
    int32_t N = 0;
    Stream.ReadBuffer(&N, 4);
    if (N <= 0) return;
    FSkinStream->Clear();
    FSkinStream->SetSize(N);
    FSkinStream->SetPosition(0);
    Stream.ReadBuffer(FSkinStream->Memory(), N);
    if (!ComponentState().Contains(csDesigning)) LoadSkin();
}

void TSkinData::WriteSkinStream(TStream& Stream) {
    const int32_t N = static_cast<int32_t>(FSkinStream->Size());
    Stream.WriteBuffer(&N, 4);
    if (N > 0) Stream.WriteBuffer(FSkinStream->Memory(), N);
}

bool TSkinData::LoadSkin() {
    if (ComponentState().Contains(csDesigning)) return false;
    SkinEmpty = true;
    TSkinReader Reader;
    TMemoryStream Extract;
    if (!Reader.LoadFromStream(*FSkinStream)) return false;
    TQuickIni Ini;
    std::string IniName;
    Reader.FindFileContaining(".ini", Extract, IniName);
    Extract.SetPosition(0);
    Ini.LoadFromStream(&Extract);
    FReader = &Reader;
    FIni = &Ini;
    FExtract = &Extract;
    {
        rtl::TScopeExit Cleanup([&] {
            FReader = nullptr;
            FIni = nullptr;
            FExtract = nullptr;
        });
        ParseSkin();
    }
    return true;
}

void TSkinData::LoadSkinBitmap(TBitmap& Bitmap, const std::string& FileName) {
    // Any folder of the INI value is dropped; the extension test is exact.
    const size_t Slash = FileName.find_last_of("\\/:");
    const std::string Name = Slash == std::string::npos ? FileName : FileName.substr(Slash + 1);
    const size_t Dot = Name.rfind('.');
    if (Name.empty() || Dot == std::string::npos || Name.substr(Dot) != ".bmp" || !FReader) {
        Bitmap.SetSize(0, 0);
        return;
    }
    FReader->ExtractFile(Name, *FExtract);
    if (FExtract->Size() == 0) {
        Bitmap.SetSize(0, 0);
        return;
    }
    Bitmap.LoadFromStream(*FExtract);
}

void TSkinData::Loaded() {
    TComponent::Loaded();
    if (ComponentState().Contains(csDesigning)) return;
    TSkinManage* Manager = EnsureSkinManager();
    Manager->AddSkinData(this);
    if (SkinFormtype != sfMainform) {
        Manager->SkinningOn = true;
        ++Manager->State;
        if (auto* F = dynamic_cast<TCustomForm*>(Owner()); F && FActive) Manager->TrySkinWindow(F->Handle());
        return;
    }
    Manager->InstallHook();
    if (FActive) {
        if (SkinEmpty) {
            FActive = false;
        } else {
            Manager->CommandSkinData = this;
            Manager->QueueCommand(1, 250);
        }
    }
    // Menu items are drawn by the main menu's skin; without it the system
    // menu is left alone.
    if (SkinControls.Contains(xcMainMenu))
        SkinControls.Exclude(xcMenuItem);
    else
        SkinControls.Exclude(xcSystemMenu);
    BuildAppIcon();
}

void TSkinData::SetActive(bool Value) {
    if (Value == FActive) return;
    FActive = Value;
    if (ComponentState().Contains(csDesigning) || ComponentState().Contains(csLoading)) return;
    if (SkinFormtype != sfMainform && SkinFormtype != sfOnlyThisForm) return;
    TSkinManage* Manager = EnsureSkinManager();
    if (SkinFormtype == sfOnlyThisForm) Manager->CommandSkinData = this;
    if (Value && SkinEmpty) return;
    Manager->CommandSkinData = this;
    Manager->QueueCommand(Value ? 1 : 2, 250);
}

void TSkinData::ApplySkinChange() {
    if (ComponentState().Contains(csDesigning) || ComponentState().Contains(csLoading)) return;
    if (!SkinManager) Loaded();
    SkinManager->CommandSkinData = this;
    SkinManager->FreeSysButtonsOfSkin();
    SkinManager->QueueCommand(3, 250);
}

void TSkinData::FilterFormSkin(HWND Window, const std::string& ClassName, bool& DoSkin) {
    LastFilteredWindow = Window;
    if (OnFormSkin) {
        OnFormSkin(this, ClassName, DoSkin);
        return;
    }
    if (ClassName == "SysMonthCal32" || (SkinControls.Contains(xcFastReport) && IsReportWindowClass(ClassName)))
        DoSkin = false;
}

void TSkinData::SkinChangedNotify() {
    if (OnSkinChanged) OnSkinChanged(this);
}

void TSkinData::BuildAppIcon() {
    const int W = GetSystemMetrics(SM_CXSMICON), H = GetSystemMetrics(SM_CYSMICON);
    HICON Icon = nullptr;
    if (Application) {
        if (HWND Wnd = Application->Handle()) {
            Icon = reinterpret_cast<HICON>(SendMessageW(Wnd, WM_GETICON, ICON_SMALL, 0));
            if (!Icon) Icon = reinterpret_cast<HICON>(SendMessageW(Wnd, WM_GETICON, ICON_BIG, 0));
        }
        // The application has no window of its own here: before the main
        // window exists its icon is the application's.
        if (!Icon && !Application->Icon().Empty()) Icon = Application->Icon().Handle();
    }
    if (!Icon) return;
    auto B = std::make_unique<TBitmap>(W, H, pf24bit);
    B->Canvas().Brush().SetColor(clFuchsia);
    B->Canvas().FillRect(TRect(0, 0, W, H));
    if (HICON Small = static_cast<HICON>(CopyImage(Icon, IMAGE_ICON, W, H, LR_COPYFROMRESOURCE))) {
        DrawIconEx(B->Canvas().Handle(), 0, 0, Small, W, H, 0, /*hbrFlickerFreeDraw=*/nullptr, DI_NORMAL);
        DestroyIcon(Small);
    }
    B->TransparentColor = clFuchsia;
    B->Transparent = true;
    AppIcon = std::move(B);
}

std::u16string StringToWideInCodePage(const std::string& Text) {
    const int N =
        MultiByteToWideChar(SkinCodePage, 0, Text.data(), static_cast<int>(Text.size()), /*lpWideCharStr=*/nullptr, 0);
    if (N <= 0) return {};
    std::u16string W(static_cast<size_t>(N), u'\0');
    MultiByteToWideChar(SkinCodePage, 0, Text.data(), static_cast<int>(Text.size()), W.data(), N);
    return W;
}

std::u16string PWideCharToWideString(const WCHAR* Text, int Count) {
    if (!Text) return {};
    if (Count == -1) return std::u16string(Text);
    return std::u16string(Text, static_cast<size_t>(Count < 0 ? 0 : Count));
}

int DrawWideText(HDC DC, const std::u16string& Text, RECT* Rect, UINT Format) {
    if (UnicodePlatform) return DrawTextW(DC, Text.c_str(), static_cast<int>(Text.size()), Rect, Format);
    const int N = WideCharToMultiByte(CP_ACP, 0, Text.data(), static_cast<int>(Text.size()), /*lpMultiByteStr=*/nullptr,
                                      0, /*lpDefaultChar=*/nullptr,
                                      /*lpUsedDefaultChar=*/nullptr);
    std::string A(static_cast<size_t>(N > 0 ? N : 0), '\0');
    if (N > 0)
        WideCharToMultiByte(CP_ACP, 0, Text.data(), static_cast<int>(Text.size()), A.data(), N,
                            /*lpDefaultChar=*/nullptr, /*lpUsedDefaultChar=*/nullptr);
    return DrawTextA(DC, A.c_str(), -1, Rect, Format);
}

TControl* ControlFromWindowProp(HWND Window) { return Window ? FindControl(Window) : nullptr; }

bool SafeGetScrollBarInfo(HWND Window, LONG ObjectId, SCROLLBARINFO* Info) {
    return GetScrollBarInfo(Window, ObjectId, Info) != FALSE;
}

void TrackMouseLeave(HWND Window) {
    TRACKMOUSEEVENT T{};
    T.cbSize = sizeof T;
    T.dwFlags = TME_LEAVE;
    T.hwndTrack = Window;
    TrackMouseEvent(&T);
}

namespace {
using TSetter = std::function<void(TSkinData&, const TFormValue&, TFormReader&)>;
}

namespace {
const std::initializer_list<const char*> ControlTypeNames = {
    "xcMainMenu", "xcPopupMenu", "xcMenuItem", "xcToolbar", "xcControlbar", "xcCombo",   "xcCheckBox", "xcRadioButton",
    "xcProgress", "xcScrollbar", "xcEdit",     "xcButton",  "xcBitBtn",     "xcSpeedButton", "xcSpin", "xcPanel",
    "xcGroupBox", "xcStatusBar", "xcTab",      "xcTrackBar", "xcSystemMenu", "xcFastReport"};
const std::initializer_list<const char*> OptionNames = {
    "xoMDIScrollbar",  "xoMenuMerge",   "xoTransparent",   "xoPreview", "xoParentBackGround", "xoNoFocusRect",
    "xoToolbarBK",     "xoToolbarButton", "xoMDIChildBorder", "xoMenuBG", "xoFormScrollbar"};
const std::initializer_list<const char*> FormTypeNames = {"sfMainform", "sfOnlyThisForm", "sfDialog", "sfDLL"};

template <class E>
TFormValue SetValue(TSet<E> Set, std::initializer_list<const char*> Names) {
    TFormValue V;
    V.kind = TFormValue::vaSet;
    int I = 0;
    for (const char* N : Names)
        if (Set.Contains(static_cast<E>(I++))) V.Set.push_back(N);
    return V;
}
TFormValue Ident(const std::string& S) {
    TFormValue V;
    V.kind = TFormValue::vaIdent;
    V.Str = S;
    return V;
}
TFormValue Text(const std::string& S) {
    TFormValue V;
    V.kind = TFormValue::vaString;
    V.Str = S;
    return V;
}
TFormValue Int(int64_t N) {
    TFormValue V;
    V.Int = N;
    return V;
}
TFormValue Bool(bool B) { return Ident(B ? "True" : "False"); }

// A getter that always writes.
template <class F>
TPropertyGetter Always(F Get) {
    return [Get](const TPersistent& O, TFormValue& V) {
        V = Get(const_cast<TSkinData&>(static_cast<const TSkinData&>(O)));
        return true;
    };
}
}  // namespace

TClassInfo& TSkinData::StaticClassInfo() {
    static TClassInfo CI("TSkinData", &TComponent::StaticClassInfo(), CreateComponentOf<TSkinData>, [](TClassInfo& C) {
        C.Define<TSkinData>("Active", TSetter([](TSkinData& O, const TFormValue& V, TFormReader& R) {
                                O.SetActive(R.Bool(V));
                            }));
        C.Define<TSkinData>("DisableTag", TSetter([](TSkinData& O, const TFormValue& V, TFormReader& R) {
                                O.DisableTag = static_cast<int32_t>(R.Int(V));
                            }));
        C.Define<TSkinData>("SkinControls", TSetter([](TSkinData& O, const TFormValue& V, TFormReader& R) {
                                O.SkinControls = R.Set<TSkinControlType>(V, ControlTypeNames);
                            }));
        C.Define<TSkinData>("Options", TSetter([](TSkinData& O, const TFormValue& V, TFormReader& R) {
                                O.Options = R.Set<TSkinOption>(V, OptionNames);
                            }));
        C.Define<TSkinData>("Skin3rd.Strings", TSetter([](TSkinData& O, const TFormValue& V, TFormReader& R) {
                                R.Strings(V, O.Skin3rd());
                            }));
        C.Define<TSkinData>("SkinFile", TSetter([](TSkinData& O, const TFormValue& V, TFormReader& R) {
                                O.SetSkinFile(R.String(V));
                            }));
        // Texts kept for the form's sake; writing them changes nothing.
        C.Define<TSkinData>("SkinStore", TSetter([](TSkinData&, const TFormValue& V, TFormReader& R) { R.String(V); }));
        C.Define<TSkinData>("SkinFormtype", TSetter([](TSkinData& O, const TFormValue& V, TFormReader& R) {
                                O.SkinFormtype = R.Enum<TSkinFormType>(V, FormTypeNames);
                            }));
        C.Define<TSkinData>("Version", TSetter([](TSkinData&, const TFormValue& V, TFormReader& R) { R.String(V); }));
        C.Define<TSkinData>("MenuUpdate", TSetter([](TSkinData& O, const TFormValue& V, TFormReader& R) {
                                O.MenuUpdate = R.Bool(V);
                            }));
        C.Define<TSkinData>("MenuMerge", TSetter([](TSkinData& O, const TFormValue& V, TFormReader& R) {
                                O.MenuMerge = R.Bool(V);
                            }));
        C.Define<TSkinData>("OnFormSkin", TSetter([](TSkinData& O, const TFormValue& V, TFormReader& R) {
                                O.OnFormSkin = R.Method<TOnFormSkin>(V);
                            }));
        C.Define<TSkinData>("OnSkinChanged", TSetter([](TSkinData& O, const TFormValue& V, TFormReader& R) {
                                O.OnSkinChanged = R.Method<TNotifyEvent>(V);
                            }));
        C.Define<TSkinData>("OnSkinControl", TSetter([](TSkinData& O, const TFormValue& V, TFormReader& R) {
                                O.OnSkinControl = R.Method<TOnSkinControl>(V);
                            }));
        C.Define<TSkinData>("OnBeforeSkinForm", TSetter([](TSkinData& O, const TFormValue& V, TFormReader& R) {
                                O.OnBeforeSkinForm = R.Method<TOnSkinForm>(V);
                            }));
        C.Define<TSkinData>("OnAfterSkinForm", TSetter([](TSkinData& O, const TFormValue& V, TFormReader& R) {
                                O.OnAfterSkinForm = R.Method<TOnSkinForm>(V);
                            }));
        // The stored skin: a signed 32-bit count, then that many bytes (none
        // after a count of 0 or less); a count that disagrees with the bytes
        // is refused before anything is read.
        C.Define<TSkinData>("SkinStream", TSetter([](TSkinData& O, const TFormValue& V, TFormReader& R) {
                                const auto& B = R.Binary(V);
                                if (B.size() < 4) R.Error("SkinStream needs its 32-bit count");
                                const int32_t N = static_cast<int32_t>(static_cast<uint32_t>(B[0]) |
                                                                       static_cast<uint32_t>(B[1]) << 8 |
                                                                       static_cast<uint32_t>(B[2]) << 16 |
                                                                       static_cast<uint32_t>(B[3]) << 24);
                                if (static_cast<size_t>(N > 0 ? N : 0) != B.size() - 4)
                                    R.Error("SkinStream's count does not match its bytes");
                                TMemoryStream M;
                                M.WriteBuffer(B.data(), static_cast<int64_t>(B.size()));
                                M.SetPosition(0);
                                O.ReadSkinStream(M);
                            }));

        // Every property is written, the stored skin last.
        C.DefineGetter("Active", Always([](TSkinData& O) { return Bool(O.Active()); }));
        C.DefineGetter("DisableTag", Always([](TSkinData& O) { return Int(O.DisableTag); }));
        C.DefineGetter("SkinControls", Always([](TSkinData& O) { return SetValue(O.SkinControls, ControlTypeNames); }));
        C.DefineGetter("Options", Always([](TSkinData& O) { return SetValue(O.Options, OptionNames); }));
        C.DefineGetter("Skin3rd.Strings", Always([](TSkinData& O) {
                           TFormValue V;
                           V.kind = TFormValue::vaList;
                           for (int I = 0; I < O.Skin3rd().Count(); ++I) V.List.push_back(Text(O.Skin3rd().Get(I)));
                           return V;
                       }));
        C.DefineGetter("SkinFile", Always([](TSkinData& O) { return Text(O.SkinFile()); }));
        C.DefineGetter("SkinStore", Always([](TSkinData& O) { return Text(O.SkinStore()); }));
        C.DefineGetter("SkinFormtype", Always([](TSkinData& O) {
                           return Ident(*(FormTypeNames.begin() + static_cast<int>(O.SkinFormtype)));
                       }));
        C.DefineGetter("Version", Always([](TSkinData& O) { return Text(O.Version()); }));
        C.DefineGetter("MenuUpdate", Always([](TSkinData& O) { return Bool(O.MenuUpdate); }));
        C.DefineGetter("MenuMerge", Always([](TSkinData& O) { return Bool(O.MenuMerge); }));
        C.DefineGetter("SkinStream", Always([](TSkinData& O) {
                           TMemoryStream M;
                           O.WriteSkinStream(M);
                           TFormValue V;
                           V.kind = TFormValue::vaBinary;
                           const auto* P = static_cast<const unsigned char*>(M.Memory());
                           V.Binary.assign(P, P + M.Size());
                           return V;
                       }));
    });
    return CI;
}

void RegisterSkinClasses() { RegisterClasses({&TSkinData::StaticClassInfo()}); }
