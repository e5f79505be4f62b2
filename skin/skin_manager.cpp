#include "skin/skin_manager.h"

#include <algorithm>
#include <cctype>

#include "platform/classlib/forms.h"
#include "platform/system/module.h"
#include "platform/system/process.h"
#include "platform/system/shell.h"
#include "platform/system/codepages.h"
#include "skin/skin_data.h"
#include "skin/skin_menubar.h"
#include "skin/skin_popup.h"
#include "skin/skin_window.h"

TSkinManage* SkinManager = nullptr;
DWORD SkinWindowsVersion = 0;
HINSTANCE SkinModuleInstance = nullptr;

namespace {
bool HookDisabled = false;

std::string Lower(std::string S) {
    for (char& C : S) C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
    return S;
}

LRESULT CALLBACK SkinCBTHookProc(int Code, WPARAM WParam, LPARAM LParam) {
    if (HookDisabled || Code < 0 || !SkinManager) return CallNextHookEx(/*hhk=*/nullptr, Code, WParam, LParam);
    HWND Window = reinterpret_cast<HWND>(WParam);
    switch (Code) {
    case HCBT_CREATEWND: {
        const auto* Create = reinterpret_cast<const CBT_CREATEWNDA*>(LParam);
        const CREATESTRUCTA* CS = Create ? Create->lpcs : nullptr;
        if (!CS) break;
        const std::string Class = SkinClassName(Window);
        // A size grip takes its skin from its parent's frame with the other
        // controls; that dispatch comes with the control skins.
        if (!(CS->style & WS_CHILD) && Class == "#32768" && SkinManager->Module == nullptr)
            SkinManager->SkinPopupMenuWindow(Window);
        else if (CS->dwExStyle & WS_EX_MDICHILD)
            SkinManager->TrySkinWindow(Window);
        break;
    }
    case HCBT_DESTROYWND: SkinManager->ReleasePopupMenuWindow(Window); break;
    case HCBT_ACTIVATE:
        if (SkinManager->State == 0) SkinManager->State = 1;
        SkinManager->TrySkinWindow(Window);
        break;
    default: break;
    }
    return CallNextHookEx(/*hhk=*/nullptr, Code, WParam, LParam);
}
}  // namespace

namespace {
// Registered once at start-up, before any window is skinned; read on the GUI thread.
struct TForeignClasses {
    std::vector<std::string> PassOver, OwnMenuDrawing, ReportPrefixes;
};
TForeignClasses& ForeignClasses() {
    static TForeignClasses Classes;
    return Classes;
}
void AddOnce(std::vector<std::string>& List, const std::string& Name) {
    if (!Name.empty() && std::find(List.begin(), List.end(), Name) == List.end()) List.push_back(Name);
}
}  // namespace

void RegisterPassOverWindowClass(const std::string& NamePart) { AddOnce(ForeignClasses().PassOver, NamePart); }
void RegisterOwnMenuDrawingWindowClass(const std::string& ClassName) {
    AddOnce(ForeignClasses().OwnMenuDrawing, ClassName);
}
void RegisterReportWindowClassPrefix(const std::string& Prefix) { AddOnce(ForeignClasses().ReportPrefixes, Prefix); }

bool IsPassOverWindowClass(const std::string& ClassName) {
    for (const std::string& Part : ForeignClasses().PassOver)
        if (ClassName.find(Part) != std::string::npos) return true;
    return false;
}
bool KeepsOwnMenuDrawing(const std::string& ClassName) {
    const auto& List = ForeignClasses().OwnMenuDrawing;
    return std::find(List.begin(), List.end(), ClassName) != List.end();
}
bool IsReportWindowClass(const std::string& ClassName) {
    for (const std::string& Prefix : ForeignClasses().ReportPrefixes)
        if (ClassName.rfind(Prefix, 0) == 0) return true;
    return false;
}

std::string SkinClassName(HWND Window) {
    char Name[101] = {};
    GetClassNameA(Window, Name, 101);
    return Name;
}

TSkinManage::TSkinManage() {
    HookDisabled = false;
    CommandTimer = std::make_unique<TTimer>(nullptr);
    CommandTimer->SetEnabled(false);
    CommandTimer->SetInterval(100);
    CommandTimer->OnTimer = [this](TObject*) { RunCommand(); };
}

TSkinManage::~TSkinManage() {
    State = 4;
    SkinningOn = false;
    CommandTimer.reset();
    // The windows get their procedures back; nothing is repainted.
    while (!SkinForms.empty()) {
        TSkinnedWindow* Entry = SkinForms.back();
        SkinForms.pop_back();
        Entry->DetachWindow();
        Entry->Free();
    }
    // Popups still open are unsubclassed before their objects go.
    for (auto& P : PopupMenus) P->Unsubclass();
    PopupMenus.clear();
    SkinDatas.clear();
    if (FHook) UnhookWindowsHookEx(FHook);
    FHook = nullptr;
    HookDisabled = true;
}

void TSkinManage::InstallHook() {
    if (FHook) return;  // once, however often main windows come and go
    SkinWindowsVersion = GetVersion();
    FHook = SetWindowsHookExA(WH_CBT, SkinCBTHookProc, /*hmod=*/nullptr, GetCurrentThreadId());
}

void TSkinManage::AddSkinData(TSkinData* Data) {
    if (std::find(SkinDatas.begin(), SkinDatas.end(), Data) == SkinDatas.end()) SkinDatas.push_back(Data);
    if (!SkinData && Data->SkinFormtype == sfMainform) SkinData = Data;
}

void TSkinManage::RemoveSkinData(TSkinData* Data) {
    SkinDatas.erase(std::remove(SkinDatas.begin(), SkinDatas.end(), Data), SkinDatas.end());
    if (CommandSkinData == Data) CommandSkinData = nullptr;
    if (SkinData == Data) {
        SkinData = nullptr;
        for (TSkinData* D : SkinDatas)
            if (D->SkinFormtype == sfMainform) {
                SkinData = D;
                break;
            }
    }
    // Windows dressed by this skin lose it with the component.
    for (std::size_t I = SkinForms.size(); I-- > 0;) {
        if (I >= SkinForms.size() || SkinForms[I]->SkinData != Data) continue;
        TSkinnedWindow* Entry = SkinForms[I];
        SkinForms.erase(SkinForms.begin() + static_cast<std::ptrdiff_t>(I));
        Entry->DetachWindow();
        Entry->Free();
    }
    for (auto& P : PopupMenus)
        if (P->SkinData == Data) P->Unsubclass();
}

void TSkinManage::QueueCommand(int ACommand, UINT Interval) {
    Command = ACommand;
    CommandTimer->SetInterval(Interval);
    if (State != 0) {
        CommandTimer->SetEnabled(true);
        return;
    }
    // Nothing skinned yet: the hook skins each window as it is activated.
    if (ACommand == 1) SkinningOn = true;
    else if (ACommand == 2) SkinningOn = false;
}

TSkinnedWindow* TSkinManage::FindSkinForm(HWND Window) const {
    for (TSkinnedWindow* E : SkinForms)
        if (E->Window == Window) return E;
    return nullptr;
}

void TSkinManage::RemoveSkinForm(TSkinnedWindow* Entry) {
    if (State == 4) return;
    auto It = std::find(SkinForms.begin(), SkinForms.end(), Entry);
    if (It != SkinForms.end()) SkinForms.erase(It);
}

void TSkinManage::FreeSysButtonsOfSkin() {
    for (TSkinnedWindow* E : SkinForms)
        if (E->SkinData == CommandSkinData) E->FreeSysButtons();
}


void TSkinManage::PurgeSkinForms() {
    if (State == 4) return;
    for (std::size_t I = SkinForms.size(); I-- > 0;) {
        if (I >= SkinForms.size()) continue;
        TSkinnedWindow* E = SkinForms[I];
        if (E->Module == Module && E->State == 6) E->Free();  // removes itself
    }
}

void TSkinManage::PurgeDetached() {
    for (std::size_t I = SkinForms.size(); I-- > 0;)
        if (I < SkinForms.size() && SkinForms[I]->State == 6) SkinForms[I]->Free();
}

TSkinData* TSkinManage::FindSkinDataFor(HWND Window, const std::string& ClassName) const {
    TSkinData* Found = nullptr;
    const std::string L = Lower(ClassName);
    for (TSkinData* D : SkinDatas)
        if (D->SkinFormtype == sfOnlyThisForm)
            if (auto* F = dynamic_cast<TCustomForm*>(D->Owner()); F && F->HandleAllocated() && F->Handle() == Window)
                Found = D;
    if (Found) return Found;
    if (L == "tmessageform" || L == "#32770")
        for (TSkinData* D : SkinDatas)
            if (D->SkinFormtype == sfDialog) Found = D;
    if (Found) return Found;
    for (TSkinData* D : SkinDatas)
        if (D->SkinFormtype == sfMainform) Found = D;
    if (Found) return Found;
    return SkinDatas.empty() ? nullptr : SkinDatas.front();
}

bool TSkinManage::MaySkinClass(HWND Window, const std::string& ClassName) const {
    bool DoSkin = true;
    if (!SkinData) return DoSkin;
    const std::string L = Lower(ClassName);
    if (!SkinData->Options.Contains(xoPreview) && L.find("preview") != std::string::npos) DoSkin = false;
    if (ClassName == "#32770" && (GetWindowLongPtrA(Window, GWL_STYLE) & 0x200)) DoSkin = false;
    if (L == "tpopupdbtreeview") DoSkin = false;
    SkinData->FilterFormSkin(Window, ClassName, DoSkin);
    return DoSkin;
}

bool TSkinManage::TrySkinWindow(HWND Window) {
    if (!SkinningOn || !IsWindow(Window)) return false;
    PurgeSkinForms();
    if (SendMessageA(Window, SKIN_QUERY, 0, 0) == 1 || FindSkinForm(Window)) return false;
    // The form object of the window, when it has one.
    TCustomForm* Form = nullptr;
    if (Screen)
        for (int I = 0; I < Screen->FormCount(); ++I)
            if (Screen->Forms(I)->HandleAllocated() && Screen->Forms(I)->Handle() == Window) Form = Screen->Forms(I);
    if (!Form) Form = dynamic_cast<TCustomForm*>(ControlFromWindowProp(Window));
    const std::string Class = SkinClassName(Window);
    const DWORD WStyle = static_cast<DWORD>(GetWindowLongPtrA(Window, GWL_STYLE));
    const DWORD ExStyle = static_cast<DWORD>(GetWindowLongPtrA(Window, GWL_EXSTYLE));
    const bool MDIChild = (ExStyle & WS_EX_MDICHILD) != 0;
    if (!SkinningAll && (WStyle & WS_CHILD) && !MDIChild && Lower(SkinClassName(GetParent(Window))) != "mdiclient")
        return false;
    const auto Instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(Window, GWLP_HINSTANCE));
    if (!Form && Instance != SkinModuleInstance && Instance != nullptr && Class != "#32770") return false;
    RECT R;
    GetWindowRect(Window, &R);
    if ((R.right - R.left) * (R.bottom - R.top) == 0 && !MDIChild) return false;
    if (Form && Form->Tag == 99) return false;
    if (IsPassOverWindowClass(Class) || Class == "TApplication") return false;
    if (!MaySkinClass(Window, Class)) return false;
    TSkinData* Data = FindSkinDataFor(Window, Class);
    if (!Data || Data->SkinEmpty) return false;
    auto* Entry = new TSkinnedWindow(Form);
    Entry->Window = Window;
    Entry->Module = Module;
    Entry->WindowClassName = Class;
    SkinForms.push_back(Entry);
    if (Form)
        Entry->AttachForm(Data, Form);
    else
        Entry->SkinWindow(Data);
    PostMessageA(Window, SKIN_START, 0, 1000);
    return true;
}

void TSkinManage::SkinForm(TCustomForm* Form) {
    if (!Form->Visible() || !Form->HandleAllocated()) return;
    if (GetWindowLongPtrA(Form->Handle(), GWL_STYLE) & WS_CHILD) return;
    TrySkinWindow(Form->Handle());
}

void TSkinManage::UnskinEntry(TSkinnedWindow* Entry) {
    HWND W = Entry->Window;
    Entry->Unskin();
    if (IsWindow(W))
        RedrawWindow(W, /*lprcUpdate=*/nullptr, /*hrgnUpdate=*/nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Entry->Free();
}

void TSkinManage::RunCommand() {
    CommandTimer->SetEnabled(false);
    TSkinData* Data = CommandSkinData;
    if (!Data) return;
    if (Data->SkinFormtype == sfOnlyThisForm) {
        switch (Command) {
        case 1:
            SkinningOn = true;
            SkinningAll = true;
            if (Screen)
                for (int I = Screen->FormCount(); I-- > 0;)
                    if (Screen->Forms(I) == Data->Owner()) {
                        SkinForm(Screen->Forms(I));
                        break;
                    }
            SkinningAll = false;
            break;
        case 2:
            SkinningOn = false;
            PurgeSkinForms();
            for (std::size_t I = SkinForms.size(); I-- > 0;)
                if (SkinForms[I]->SkinData == Data) {
                    UnskinEntry(SkinForms[I]);
                    break;
                }
            break;
        case 3:
            PurgeSkinForms();
            for (TSkinnedWindow* E : SkinForms)
                if (E->SkinData == Data) {
                    E->FreeSysButtons();
                    E->InitFrameFromSkin();
                    E->SkinChanged();
                    break;
                }
            break;
        case 6: PurgeDetached(); break;
        default: break;
        }
    } else {
        switch (Command) {
        case 1:
            SkinningOn = true;
            SkinningAll = true;
            PurgeSkinForms();
            if (Screen)
                for (int I = Screen->FormCount(); I-- > 0;)
                    if (I < Screen->FormCount()) SkinForm(Screen->Forms(I));
            SkinningAll = false;
            break;
        case 2:
            SkinningOn = false;
            PurgeSkinForms();
            while (!SkinForms.empty()) UnskinEntry(SkinForms.front());
            break;
        case 3: {
            PurgeSkinForms();
            std::vector<TSkinnedWindow*> Using;
            for (TSkinnedWindow* E : SkinForms)
                if (E->SkinData == Data) Using.push_back(E);
            for (TSkinnedWindow* E : Using) {
                E->FreeSysButtons();
                E->InitFrameFromSkin();
            }
            for (TSkinnedWindow* E : Using)
                if (std::find(SkinForms.begin(), SkinForms.end(), E) != SkinForms.end()) E->SkinChanged();
            break;
        }
        case 6: PurgeDetached(); break;
        case 7:
            if (TSkinnedWindow* E = FindSkinForm(CommandWindow)) {
                E->Unskin();
                E->State = 6;
                PurgeSkinForms();
                TrySkinWindow(CommandWindow);
            }
            return;
        default: break;
        }
    }
    if (Command == 1 || Command == 2 || Command == 3 || Command == 6) {
        Data->SkinChangedNotify();
        CommandSkinData = nullptr;
    }
}

// ---- Popup-menu windows ------------------------------------------------------------
void TSkinManage::SkinPopupMenuWindow(HWND Window) {
    if (!SkinningOn || SendMessageA(Window, SKIN_QUERY, 0, 0) == 1 || IsPopupSubclassed(Window)) return;
    TSkinData* Data = FindSkinDataFor(Window, "#32768");
    if (!Data || Data->SkinEmpty) return;
    bool Allowed = false;
    switch (PopupKind) {
    case 0: Allowed = Data->SkinControls.Contains(xcPopupMenu); break;
    case 1: Allowed = Data->SkinControls.Contains(xcMainMenu) || Data->SkinControls.Contains(xcMenuItem); break;
    case 2: Allowed = Data->SkinControls.Contains(xcSystemMenu); break;
    default: break;
    }
    if (!Allowed) return;
    auto P = std::make_unique<TSkinnedPopMenu>();
    P->Subclass(Window, Data, /*AMenu=*/nullptr);
    PopupMenus.push_back(std::move(P));
}

bool TSkinManage::ReleasePopupMenuWindow(HWND Window) {
    auto It = std::find_if(PopupMenus.begin(), PopupMenus.end(), [Window](const auto& P) { return P->Window == Window; });
    if (It == PopupMenus.end()) {
        // A popup left undressed ends its menu's kind all the same.
        if (PopupMenus.empty() && SkinClassName(Window) == "#32768") PopupKind = 0;
        return false;
    }
    (*It)->Unsubclass();
    PopupMenus.erase(It);
    if (PopupMenus.empty()) PopupKind = 0;
    return true;
}

bool TSkinManage::IsPopupSubclassed(HWND Window) const {
    return std::any_of(PopupMenus.begin(), PopupMenus.end(), [Window](const auto& P) { return P->Window == Window; });
}

void TSkinManage::AssignMenuToNewestPopup(HMENU Menu) {
    for (auto It = PopupMenus.rbegin(); It != PopupMenus.rend(); ++It)
        if (!(*It)->Menu) {
            (*It)->Menu = Menu;
            return;
        }
}

TBitmap* TSkinManage::GetPopupBackground(HMENU Menu) const {
    for (const auto& P : PopupMenus)
        if (P->Menu == Menu) return P->Background.get();
    return nullptr;
}

// ---- Unit start-up and shut-down -----------------------------------------------------
TSkinManage* EnsureSkinManager() {
    if (!SkinManager) SkinManager = new TSkinManage();
    return SkinManager;
}

void SkinManagerStartup() {
    SkinModuleInstance = reinterpret_cast<HINSTANCE>(GetModuleHandleA(nullptr));
    UnicodePlatform = true;
    SkinCodePage = CP_ACP;
    HookDisabled = false;
}

void SkinManagerShutdown() {
    delete SkinManager;
    SkinManager = nullptr;
    SkinMenuBarShutdown();
}
