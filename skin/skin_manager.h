// The skin manager: decides which windows of the program get a skinned frame,
// keeps the skinned windows and the skinned popup-menu windows, and runs the
// commands the skin component queues (skin all, unskin all, skin changed).
// It sees new windows through a WH_CBT hook on the GUI thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/extctrls.h"
#include "platform/win/winuser.h"

class TSkinData;
class TSkinnedWindow;
class TSkinnedPopMenu;
class TCustomForm;
class TBitmap;

// Private messages of the skin engine. The four that carry SKIN_FORM_ANSWER
// (SKIN_PAINTCONTROL, SKIN_PAINTFORM, SKIN_ISSKINNEDFORM, SKIN_FINISHED) have
// numbers of their own, outside the class library's reflected-notification
// range, so no control takes one for a notification of its parent.
constexpr UINT SKIN_APPLYCHANGE = 0x3401;      // apply a changed skin (form chain)
constexpr UINT SKIN_REPAINTFRAME = 0x3502;     // repaint the frame
constexpr UINT SKIN_START = 0x3503;            // start skinning (lParam 1000)
constexpr UINT SKIN_CUSTOMBUTTON = 0x3514;     // custom caption button clicked (wParam the action)
constexpr UINT SKIN_BUTTONVISIBLE = 0x3515;    // is a custom caption button visible? (wParam visibility, lParam action)
constexpr UINT SKIN_MDIREDRAW = 0x3516;        // redraw the MDI frame
constexpr UINT SKIN_RECREATESCROLL = 0x3517;   // re-create a child's scroll-bar skin
constexpr UINT SKIN_OPENMENUITEM = 0x3518;     // open the bar item under a screen point (lParam)
constexpr UINT SKIN_QUERY = 0x3523;            // skinned-or-not query, answered 1
constexpr UINT SKIN_PAINTCONTROL = 0x352F;     // a control paints its client into the DC in wParam
constexpr UINT SKIN_PAINTFORM = 0x3530;        // paint the frame into the DC in wParam (lParam SKIN_FORM_ANSWER)
constexpr UINT SKIN_ISSKINNEDFORM = 0x3531;    // answered SKIN_FORM_ANSWER when lParam is it, else 1
constexpr UINT SKIN_FINISHED = 0x3532;         // sent by a window when its skinning finished
constexpr LPARAM SKIN_FORM_ANSWER = 0x41A2;

class TSkinManage {
public:
    TSkinManage();
    ~TSkinManage();

    std::unique_ptr<TTimer> CommandTimer;
    // Entries remove themselves when freed.
    std::vector<TSkinnedWindow*> SkinForms;
    std::vector<std::unique_ptr<TSkinnedPopMenu>> PopupMenus;
    std::vector<TSkinData*> SkinDatas;
    bool SkinningOn = false;
    bool SkinningAll = false;
    int State = 0;      // 0 created, 1 running, 4 shutting down
    int PopupKind = 0;  // 0 any popup, 1 a menu-bar menu, 2 a system menu
    bool MDIMaximized = false;
    HWND MDIClient = nullptr;
    TCustomForm* MDIFrameForm = nullptr;
    int Command = 0;
    TSkinData* CommandSkinData = nullptr;
    TSkinData* SkinData = nullptr;
    HMODULE Module = nullptr;
    HWND CommandWindow = nullptr;

    void InstallHook();
    void AddSkinData(TSkinData* Data);
    void RemoveSkinData(TSkinData* Data);
    void QueueCommand(int ACommand, UINT Interval);
    bool TrySkinWindow(HWND Window);
    TSkinnedWindow* FindSkinForm(HWND Window) const;
    void RemoveSkinForm(TSkinnedWindow* Entry);
    void FreeSysButtonsOfSkin();
    void SetMDIMaximized(bool Value);
    TSkinData* FindSkinDataFor(HWND Window, const std::string& ClassName) const;
    bool MaySkinClass(HWND Window, const std::string& ClassName) const;
    void PurgeSkinForms();
    void PurgeDetached();

    // Popup-menu windows.
    void SkinPopupMenuWindow(HWND Window);
    bool ReleasePopupMenuWindow(HWND Window);
    bool IsPopupSubclassed(HWND Window) const;
    void AssignMenuToNewestPopup(HMENU Menu);
    TBitmap* GetPopupBackground(HMENU Menu) const;

    // The timer's work; public so a test may run a queued command at once.
    void RunCommand();

private:
    void SkinForm(TCustomForm* Form);
    void UnskinEntry(TSkinnedWindow* Entry);
    HHOOK FHook = nullptr;
};

// The one manager, nil until the first skin component loads.
extern TSkinManage* SkinManager;
// GetVersion when the hook was installed; the top bit would mean an old
// platform family, which this one never reports.
extern DWORD SkinWindowsVersion;
// The application's module instance; windows made without one count as its.
extern HINSTANCE SkinModuleInstance;

// Unit start-up and shut-down, called in order from the program's start and
// end. The shut-down runs before the forms are freed: it frees the manager,
// which detaches every window still skinned and unhooks.
void SkinManagerStartup();
void SkinManagerShutdown();
// Makes the manager when there is none.
TSkinManage* EnsureSkinManager();
// The class name of a window (at most 100 characters).
std::string SkinClassName(HWND Window);

// Window classes of other libraries, which a program that uses them registers:
// - passed over: the manager never skins a window whose class name contains
//   the text (their drop-down and transition surfaces draw themselves);
// - own menu drawing: the popup menus of a window of exactly this class keep
//   their own drawing;
// - report windows: with xcFastReport, a class beginning with the prefix is
//   left unskinned.
void RegisterPassOverWindowClass(const std::string& NamePart);
void RegisterOwnMenuDrawingWindowClass(const std::string& ClassName);
void RegisterReportWindowClassPrefix(const std::string& Prefix);
bool IsPassOverWindowClass(const std::string& ClassName);
bool KeepsOwnMenuDrawing(const std::string& ClassName);
bool IsReportWindowClass(const std::string& ClassName);
