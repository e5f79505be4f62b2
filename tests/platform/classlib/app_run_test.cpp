// The application's loop as the program main runs it: the first form made is
// the main form, Run shows it and returns once it closes, and the forms'
// events come in their order. Its own executable: Run ends the application.
#include <gtest/gtest.h>

#include "platform/classlib/extctrls.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/testhooks.h"

namespace {

std::vector<std::string> Events;

class TfrmMain : public TForm {
public:
    explicit TfrmMain(TComponent* Owner) : TForm(Owner) {
        DefineMethod("FormCreate", &TfrmMain::FormCreate);
        DefineMethod("FormShow", &TfrmMain::FormShow);
        DefineMethod("FormActivate", &TfrmMain::FormActivate);
        DefineMethod("FormClose", &TfrmMain::FormClose);
        DefineMethod("FormDestroy", &TfrmMain::FormDestroy);
        DefineMethod("tmrCloseTimer", &TfrmMain::tmrCloseTimer);
        LoadFromText(R"(object frmMain: TfrmMain
  Caption = 'Main'
  ClientHeight = 100
  ClientWidth = 200
  Position = poScreenCenter
  OnActivate = FormActivate
  OnClose = FormClose
  OnCreate = FormCreate
  OnDestroy = FormDestroy
  OnShow = FormShow
  object tmrClose: TTimer
    Interval = 30
    OnTimer = tmrCloseTimer
  end
end
)",
                     "Main.frm");
    }
    void FormCreate(TObject*) { Events.push_back("create"); }
    void FormShow(TObject*) { Events.push_back("show"); }
    void FormActivate(TObject*) {
        if (Events.back() != "activate") Events.push_back("activate");
    }
    void FormClose(TObject*, TCloseAction&) { Events.push_back("close"); }
    void FormDestroy(TObject*) { Events.push_back("destroy:" + std::string(Ready ? "alive" : "?")); }
    void tmrCloseTimer(TObject* Sender) {
        static_cast<TTimer*>(Sender)->SetEnabled(false);
        Close();
    }
    bool Ready = true;  // a field of the derived form, still there in OnDestroy
};

class TfrmOther : public TForm {
public:
    using TForm::TForm;
};

TEST(Application, RunShowsTheMainFormAndEndsWhenItCloses) {
    TestHooks::Start();
    Application->Initialize();
    Application->SetTitle("Tessaro");
    TfrmMain* frmMain = nullptr;
    TfrmOther* frmOther = nullptr;
    Application->CreateForm(frmMain);
    Application->CreateForm(frmOther);
    EXPECT_EQ(Application->MainForm(), frmMain);
    EXPECT_TRUE(EndsText("/classlib_app_run_test", Application->ExeName)) << Application->ExeName;
    // The centre of the screen.
    Application->Run();
    EXPECT_TRUE(Application->Terminated());
    EXPECT_EQ(frmMain->Left(), (Screen->Width() - frmMain->Width()) / 2);
    TestHooks::Stop();  // frees the application and its forms
    EXPECT_EQ(Events, (std::vector<std::string>{"create", "show", "activate", "close", "destroy:alive"}));
}

std::string WindowTextA(HWND W) {
    char Buf[256]{};
    GetWindowTextA(W, Buf, sizeof Buf);
    return Buf;
}

// The hidden application window: made by Initialize with the title given
// before, seen first by the hooks (WM_CREATE included), and the title's store
// from then on, both ways; the title outlives the window.
TEST(Application, TheApplicationWindowCarriesTheTitle) {
    TestHooks::Start();
    ASSERT_EQ(Application->ApplicationWindow(), nullptr);
    Application->SetTitle("Before \xC3\xA9");
    std::vector<std::string> AtCreate;
    const int Id = Application->HookMainWindow([&](TMessage& M) {
        if (M.Msg == WM_CREATE) AtCreate.push_back(WindowTextA(Application->ApplicationWindow()));
        if (M.Msg != WM_USER + 7) return false;
        M.Result = 42;
        return true;
    });
    Application->Initialize();
    const HWND W = Application->ApplicationWindow();
    ASSERT_NE(W, nullptr);
    EXPECT_EQ(AtCreate, (std::vector<std::string>{"Before \xC3\xA9"}));
    EXPECT_FALSE(IsWindowVisible(W));
    EXPECT_EQ(SendMessageA(W, WM_USER + 7, 0, 0), 42);
    Application->Initialize();  // once only
    EXPECT_EQ(Application->ApplicationWindow(), W);

    Application->SetTitle("After \xCE\xB1");
    EXPECT_EQ(WindowTextA(W), "After \xCE\xB1");
    SetWindowTextW(W, u"Set on the window \u65E5");
    EXPECT_EQ(Application->Title(), "Set on the window \xE6\x97\xA5");
    Application->UnhookMainWindow(Id);
    EXPECT_EQ(SendMessageA(W, WM_USER + 7, 0, 0), 0);

    DestroyWindow(W);
    EXPECT_EQ(Application->ApplicationWindow(), nullptr);
    EXPECT_EQ(Application->Title(), "Set on the window \xE6\x97\xA5");
    TestHooks::Stop();
}

}  // namespace
