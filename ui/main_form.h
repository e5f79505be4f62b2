// The main window: file list, template preview, size meter, drive panel,
// menus and actions, the Languages menu, the locking of the window during a
// run, and the six private messages that carry a burn from step to step.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "burning/burn_engine.h"
#include "controls/extra/fp_browse.h"
#include "controls/skinned/sc_controls.h"
#include "controls/extra/gp_controls.h"
#include "core/multi_languages.h"
#include "platform/classlib/actnlist.h"
#include "platform/classlib/comctrls.h"
#include "platform/classlib/dialogs.h"
#include "platform/classlib/extctrls.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/menus.h"
#include "platform/classlib/stdctrls.h"
#include "pipeline/source_list.h"
#include "ui/qem_controls.h"

class TRedirector;
class TIEImageView;

// The window's private protocol: each step of a run posts the next one.
// Numbers are kept as they were (burn is +5, authoring +6).
//   step                 message                number       handler            file
//   1 conversion         WM_CONVERT_NEXT        WM_USER + 1  WMConvertNext      main_conversion.cpp
//   2 menu pictures      WM_BUILD_MENU_IMAGES   WM_USER + 2  WMBuildMenuImages  main_menu_pictures.cpp
//   3 structure files    WM_BUILD_MENU_XML      WM_USER + 3  WMBuildMenuXml     main_authoring.cpp
//   4 menu videos        WM_BUILD_MENU_VIDEO    WM_USER + 4  WMBuildMenuVideo   main_authoring.cpp
//   5 DVD structure      WM_AUTHOR_DVD          WM_USER + 6  WMAuthorDvd        main_authoring.cpp
//   6 burn               WM_BURN_DISC           WM_USER + 5  WMBurnDisc         main_burn_step.cpp
// TfrmMain::WndProc (main_form.cpp) dispatches them through a table of the same rows.
constexpr UINT WM_CONVERT_NEXT = WM_USER + 1;
constexpr UINT WM_BUILD_MENU_IMAGES = WM_USER + 2;
constexpr UINT WM_BUILD_MENU_XML = WM_USER + 3;
constexpr UINT WM_BUILD_MENU_VIDEO = WM_USER + 4;
constexpr UINT WM_BURN_DISC = WM_USER + 5;
constexpr UINT WM_AUTHOR_DVD = WM_USER + 6;

// The product's page and support address (Help menu and About box).
inline constexpr const char* ProductOnlinePage = "https://tessaro.example.org/";
inline constexpr const char* ProductSupportAddress = "support@tessaro.example.org";
inline constexpr const char* ProductVersion = "1.0.0";
inline constexpr const char* ProductCopyright = "Copyright (C) 2026 The Tessaro developers";

class TfrmMain : public TForm {
public:
    explicit TfrmMain(TComponent* AOwner);
    ~TfrmMain() override;

    // Components of the form file (null when the form does not hold one).
    TMainMenu* mnuMain = nullptr;
    TMenuItem *mniFile = nullptr, *mniFileAdd = nullptr, *mniFileDelete = nullptr, *mniFileUp = nullptr,
              *mniFileDown = nullptr, *mniFileBurn = nullptr, *mniFileExit = nullptr;
    TMenuItem *mniSettings = nullptr, *mniSettingsSettings = nullptr, *mniSettingsErase = nullptr,
              *mniSettingsBurnVideoTS = nullptr, *mniSettingsLine = nullptr, *mniSettingsLanguage = nullptr;
    TMenuItem *mniHelp = nullptr, *mniHelpContents = nullptr, *mniHelpQuickStart = nullptr,
              *mniHelpOnlineResources = nullptr, *mniHelpTechnicalSupport = nullptr, *mniHelpAbout = nullptr;
    TPopupMenu* mnuListView = nullptr;
    TMenuItem *mniAdd = nullptr, *mniDelete = nullptr, *mniUp = nullptr, *mniDown = nullptr, *mniClear = nullptr;
    TPanel* PanelTop = nullptr;
    TQemButton *btnAdd = nullptr, *btnRemove = nullptr, *btnUp = nullptr, *btnDown = nullptr, *btnSettings = nullptr,
               *btnHelp = nullptr, *btnChooseAnotherTemplate = nullptr, *btnBurn = nullptr;
    TQemLabel *lblDVDMenuTemp = nullptr, *lblShowLog = nullptr;
    TListView* lsvFiles = nullptr;
    TPanel* pnlLeft = nullptr;
    TPanel* pnlChooseButton = nullptr;
    TIEImageView* imgViewer = nullptr;
    TPanel* pnlSizebar = nullptr;
    TImage* imgSizeBar = nullptr;
    TGpProgressBar* prgSize = nullptr;
    TPanel* pnlBurner = nullptr;
    TLabel *lblWriters = nullptr, *lblBurningMode = nullptr, *lblSpeed = nullptr, *lblDiscLabel = nullptr;
    TComboBox *cmbDevice = nullptr, *cmbModes = nullptr, *cmbBurnSpeed = nullptr;
    TEdit* txtDiscLabel = nullptr;
    TButton* btnRefresh = nullptr;
    TscCheckBox *chkBufferProtect = nullptr, *ckbCloseDisc = nullptr, *chkEjectAfter = nullptr,
                *chkTestMode = nullptr, *ckbCDROMXA = nullptr, *ckbSOPC = nullptr;
    TscCheckBox* chkCreateNoMenuDVD = nullptr;
    TStatusBar* StatusBar = nullptr;
    TActionList* aclMain = nullptr;
    TAction *actAdd = nullptr, *actRemove = nullptr, *actClear = nullptr, *actUp = nullptr, *actDown = nullptr,
            *actBurn = nullptr, *actExit = nullptr, *actHelp = nullptr, *actSettings = nullptr,
            *actChoosetemplate = nullptr, *actAbout = nullptr, *actQuickStart = nullptr,
            *actOnlineResources = nullptr, *actContactTechnicalSupport = nullptr, *actPlaySource = nullptr,
            *ActErase = nullptr, *actBurnVideoTS = nullptr;
    TImageList* ImgListIcon = nullptr;
    TOpenDialog *dlgOpen = nullptr, *OpenDialogDVD = nullptr;
    TFpBrowseForFolder* FpBrowseForFolder = nullptr;

    // Set before the window is made: FormCreate then leaves the drive scan (with
    // its dialog), the burn options and the template preview to RunStartWork,
    // which runs once the window's first paint is done.
    static inline bool StartWorkAfterPaint = false;
    // True from FormCreate until that deferred work has finished.
    bool StartWorkPending = false;
    // The deferred start work; does nothing when none is pending.
    void RunStartWork();

    void SetRunningState(bool Running);
    void BuildLanguagesMenu();
    void LanguageItemClick(TObject* Sender);
    void ApplyUITexts();

    // Published handlers, bound by name from the form file.
    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormActivate(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void FormDestroy(TObject* Sender);
    void aclMainUpdate(TBasicAction* Action, bool& Handled);
    void actAddExecute(TObject* Sender);
    void actRemoveExecute(TObject* Sender);
    void actClearExecute(TObject* Sender);
    void actUpExecute(TObject* Sender);
    void actDownExecute(TObject* Sender);
    void actBurnExecute(TObject* Sender);
    void actExitExecute(TObject* Sender);
    void actHelpExecute(TObject* Sender);
    void actSettingsExecute(TObject* Sender);
    void actChoosetemplateExecute(TObject* Sender);
    void actAboutExecute(TObject* Sender);
    void actQuickStartExecute(TObject* Sender);
    void actOnlineResourcesExecute(TObject* Sender);
    void actContactTechnicalSupportExecute(TObject* Sender);
    void actPlaySourceExecute(TObject* Sender);
    void ActEraseExecute(TObject* Sender);
    void actBurnVideoTSExecute(TObject* Sender);
    void lsvFilesDblClick(TObject* Sender);
    void lsvFilesDragDrop(TObject* Sender, TObject* Source, int X, int Y);
    void lsvFilesDragOver(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept);
    void btnRefreshClick(TObject* Sender);
    void cmbDeviceChange(TObject* Sender);
    void chkCreateNoMenuDVDClick(TObject* Sender);
    void lblShowLogClick(TObject* Sender);
    void FormMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void PanelTopMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void pnlLeftMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void pnlSizebarMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void pnlBurnerMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void pnlChooseButtonMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void imgViewerMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);

    void WndProc(TMessage& Message) override;
    static constexpr UINT_PTR StartWorkTimer = 0x5357;  // "SW"
    bool StartWorkTimerSet = false;
    bool StartWorkRunning = false;

    // The source list and its size meter (main_sources.cpp).
    void AddMediaFiles(TStrings& Files);
    void AddMediaFile(const std::string& Path);
    void UpdateSizeMeter();
    void DrawSizeScale(bool WithLines);
    double GetQualityFactor();
    // The chosen template's picture in the preview (program folder's preview/<N>.jpg).
    void ShowTemplatePreview(int32_t Index);
    // The probed files of the list items (an item's Data points into here).
    std::vector<std::unique_ptr<TFileItem>> FileItems;
    int DropTargetIndex = -1;

    // The drive panel.
    void RefreshDevices(bool WithDialog);
    void SelectDevice(int Index);
    void ShowDiscSpace();
    void ShowBurnOptions();
    void ApplyBurnOptions();
    // The erase dialog, modal; from the burn step it keeps the disc in and
    // closes by itself after a successful erase.
    void RunEraseDialog(bool FromBurnStep);
    // The speed list from the engine's write speeds, keeping the position
    // while it is in range.
    void FillSpeedList();

    // The event hub's handlers while this window drives the engine. Called on
    // the burn or scan worker they hand their values to the GUI thread.
    void BurnProgress(TObject* Sender, int Percent);
    void BurnBuffer(TObject* Sender, int Percent);
    void BurnStatus(const std::string& Text, int Kind);

    // Private state of a run (public for the step handlers of other units and tests).
    std::unique_ptr<TRedirector> ConvertRedirector;
    std::unique_ptr<TRedirector> MenuRedirector;
    std::unique_ptr<TRedirector> AuthorRedirector;
    std::unique_ptr<TQemMultiLanguages> Languages;
    std::string OutputFolder;
    std::unique_ptr<TStringList> ConvertQueue;
    bool PipelineCancelled = false;
    std::unique_ptr<TsbBurner> Burner;
    int32_t DeviceNumber = 0;
    TsbDiscSpace SelectedDiscSpace;
    int32_t SelectedDiscType = DISC_TYPE_UNKNOWN;
    int64_t NeedSpace = 0;
    int32_t TaoModeIndex = -1, SaoModeIndex = -1, DaoPqModeIndex = -1, DaoRawModeIndex = -1;

    // Steps 1 and 2 of a run (main_conversion.cpp, main_menu_pictures.cpp): the
    // checks before a run, the conversion of the list file by file and the menu pictures.
    bool CheckBurnPreconditions();
    bool CheckConverter();
    bool CheckTempDir();
    void StartConversion();
    bool ConvertNextFile();
    void ConverterOutput(TObject* Sender, const char* Buffer, int32_t Size);
    void ConverterDone(TObject* Sender);
    void ConversionCancelled(TObject* Sender);
    void MenuImageThreadDone(TObject* Sender);
    void DeleteTempDvdFolders();

protected:
    // The six steps; each tests PipelineCancelled first.
    virtual void WMConvertNext(TMessage& Message);
    virtual void WMBuildMenuImages(TMessage& Message);
    virtual void WMBuildMenuXml(TMessage& Message);
    virtual void WMBuildMenuVideo(TMessage& Message);
    virtual void WMBurnDisc(TMessage& Message);
    virtual void WMAuthorDvd(TMessage& Message);
    virtual void WMDropFiles(TMessage& Message);

    // Ends of the XML, menu-video and DVD-structure steps (GUI thread).
    void MenuXmlThreadDone(TObject* Sender);
    void MenuBatchDone(TObject* Sender);
    void AuthorOutput(TObject* Sender, const char* Buffer, int32_t Size);
    void AuthorDone(TObject* Sender);
    // A step that cannot go on: the reason in a box, the step dialog closed and
    // the window unlocked.
    void EndRunWithError(const std::string& Text);
    // The burn step's end, early or not: the step dialog closed and the window
    // unlocked.
    void EndBurnStep();
    // Writes the VIDEO_TS folder once the folder and the disc have passed their
    // checks; false when the step ended before the burn.
    bool RunBurnStep();

private:
    // Drags the window as by its caption.
    void DragWindow();
    void OpenWithShell(const std::string& Target);
    // A burn of a VIDEO_TS folder runs with its dialog modeless, so the
    // window stays enabled: the drive panel and the Languages menu are locked
    // for as long as it runs (switching either mid-burn would reopen the drive
    // or reset the texts).
    void LockForModelessBurn(bool Locked);
};

extern TfrmMain* frmMain;

// The priority option of the child processes on the runner's scale: 1 gives
// 2, 2 gives 3, 3 gives 4, anything else 1.
uint8_t MenuToolPriority(uint8_t ProcessPriority);
// Sets the step dialog's bar when the dialog exists.
void SetStepBar(int Percent);
uint8_t AuthorToolPriority(uint8_t ProcessPriority);

// Registers the application's own classes for the form files.
void RegisterApplicationClasses();
