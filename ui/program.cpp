#include "ui/program.h"

#include "burning/burn_engine.h"
#include "controls/skinned/sc_menus.h"
#include "core/globals.h"
#include "core/ui_texts.h"
#include "imaging/bitmaps/iemisc.h"
#include "imaging/processing/procstartup.h"
#include "platform/classlib/forms.h"
#include "platform/gdi/gdi.h"
#include "platform/help/htmlhelp.h"
#include "platform/system/locale_init.h"
#include "platform/win/winuser.h"
#include "skin/skin_manager.h"
#include "ui/main_form.h"
#include "ui/qem_windows_utils.h"
#include "unicode/unicodestartup.h"

namespace {
bool UnitsStarted = false;
bool StartedForms = false;  // a test may have made the application object already

void UnitsStartup() {
    EnsureUtf8CharacterType();
    BurnEngineStartup();
    QemGdiplusStartup();
    GlobalsStartup();
    InitUITexts();
    InitHtmlHelp();
    IEBitmapsStartup();
    IEProcessingStartup();
    UnitsStarted = true;
}

void UnitsShutdown() {
    if (!UnitsStarted) return;
    UnitsStarted = false;
    IEProcessingShutdown();
    GlobalsShutdown();
    QemGdiplusShutdown();
    BurnEngineShutdown();
}
}  // namespace

bool ProgramStartup(const std::string& AppFolder, TStartWork StartWork) {
    // The font configuration is read beside the rest of start-up: the main
    // window's form measures its labels while it is read.
    GdiStartFontSetup();
    UnitsStartup();
    WinStartup();
    StartedForms = Application == nullptr;
    FormsStartup();
    ScMenusStartup();  // the popup menus' tick pictures
    SkinManagerStartup();
    UnicodeStartup();  // the hook and the wide application object, before the main window
    Application->Initialize();
    try {
        if (AppFolder.empty())
            InitApplicationPaths();
        else
            InitApplicationPaths(AppFolder);
        LoadOptions();
        // The texts and the two lists are in memory before any window exists.
        LoadLanguageTexts(CurrentLanguageFile);
        TfrmMain::StartWorkAfterPaint = StartWork == TStartWork::AfterFirstPaint;
        Application->CreateForm(frmMain);
        TfrmMain::StartWorkAfterPaint = false;
    } catch (const std::exception& E) {
        TfrmMain::StartWorkAfterPaint = false;
        Application->ShowException(E);
        ProgramShutdown();
        return false;
    }
    return true;
}

void ProgramRun() { Application->Run(); }

void ProgramShutdown() {
    // The skin lets go of every window before any form is freed; then the
    // main window goes (its FormDestroy saves the options), then the
    // application object with whatever forms are left.
    SkinManagerShutdown();
    if (frmMain) frmMain->Free();
    UnicodeShutdown();
    ScMenusShutdown();
    if (StartedForms) FormsShutdown();
    StartedForms = false;
    UnitsShutdown();
}
