// Components, the class registry and form loading with classes made for the test.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "platform/classlib/classes_ext.h"
#include "platform/classlib/formload.h"

namespace {

class TPoint3 : public TPersistent {
public:
    int X = 0;
    void Assign(TPersistent* Source) override {
        if (auto* P = dynamic_cast<TPoint3*>(Source)) {
            X = P->X;
            return;
        }
        TPersistent::Assign(Source);
    }
};
class TOther : public TPersistent {};

TEST(Persistent, AssignCopiesOrRaisesWithBothClassNames) {
    TPoint3 A, B;
    B.X = 7;
    A.Assign(&B);
    EXPECT_EQ(A.X, 7);
    TOther O;
    try {
        A.Assign(&O);
        FAIL();
    } catch (const EConvertError& E) {
        EXPECT_EQ(E.Message, "Cannot assign a TOther to a TPoint3");
    }
    try {
        A.Assign(nullptr);
        FAIL();
    } catch (const EConvertError& E) {
        EXPECT_EQ(E.Message, "Cannot assign a nil to a TPoint3");
    }
}

// Records every Loaded and Notification call into a shared log.
std::vector<std::string>* Log = nullptr;

class TWidget : public TComponent {
    TESSARO_CLASSINFO
public:
    using TComponent::TComponent;
    ~TWidget() override {
        if (Log) Log->push_back("free " + Name());
    }
    std::string Caption;
    int Width = 0;
    bool Enabled = true;
    enum TKind { wkPlain, wkFancy } Kind = wkPlain;
    uint64_t Style = 0;
    std::vector<std::string> Lines;
    std::vector<unsigned char> Data;
    TWidget* Buddy = nullptr;
    TComponent* ParentSeen = nullptr;
    bool CaptionSetWhileLoading = false;
    TNotifyEvent OnClick;
    std::function<void(TObject*, int&)> OnCount;
    void Loaded() override {
        TComponent::Loaded();
        if (Log) Log->push_back("loaded " + Name());
    }
    void SetParentComponent(TComponent* Value) override { ParentSeen = Value; }
    void Notification(TComponent* C, TOperation Op) override {
        TComponent::Notification(C, Op);
        if (Op == opRemove && C == Buddy) Buddy = nullptr;
    }
};

TClassInfo& TWidget::StaticClassInfo() {
    static TClassInfo CI("TWidget", &TComponent::StaticClassInfo(), CreateComponentOf<TWidget>, [](TClassInfo& C) {
        C.Define<TWidget>("Caption", [](TWidget& W, const TFormValue& V, TFormReader& R) {
            W.Caption = R.String(V);
            W.CaptionSetWhileLoading = W.ComponentState().Contains(csLoading);
        });
        C.Define<TWidget>("Width", [](TWidget& W, const TFormValue& V, TFormReader& R) { W.Width = int(R.Int(V)); });
        C.Define<TWidget>("Enabled", [](TWidget& W, const TFormValue& V, TFormReader& R) { W.Enabled = R.Bool(V); });
        C.Define<TWidget>("Kind", [](TWidget& W, const TFormValue& V, TFormReader& R) {
            W.Kind = R.Enum<TWidget::TKind>(V, {"wkPlain", "wkFancy"});
        });
        C.Define<TWidget>("Font.Style", [](TWidget& W, const TFormValue& V, TFormReader& R) {
            W.Style = R.SetBits(V, {"fsBold", "fsItalic", "fsUnderline"});
        });
        C.Define<TWidget>("Items.Strings", [](TWidget& W, const TFormValue& V, TFormReader& R) {
            TStringList L;
            R.Strings(V, L);
            W.Lines.clear();
            for (int I = 0; I < L.Count(); ++I) W.Lines.push_back(L.Get(I));
        });
        C.Define<TWidget>("Picture.Data", [](TWidget& W, const TFormValue& V, TFormReader& R) { W.Data = R.Binary(V); });
        C.Define<TWidget>("Buddy", [](TWidget& W, const TFormValue& V, TFormReader& R) {
            R.Reference(V, [&W](TComponent* C) {
                W.Buddy = dynamic_cast<TWidget*>(C);
                if (W.Buddy) W.Buddy->FreeNotification(&W);
            });
        });
        C.Define<TWidget>("OnClick", [](TWidget& W, const TFormValue& V, TFormReader& R) {
            W.OnClick = R.Method<TNotifyEvent>(V);
        });
        C.Define<TWidget>("OnCount", [](TWidget& W, const TFormValue& V, TFormReader& R) {
            W.OnCount = R.Method<std::function<void(TObject*, int&)>>(V);
        });
    });
    return CI;
}

class TTestForm : public TComponent {
public:
    explicit TTestForm(TComponent* Owner) : TComponent(Owner) {
        DefineMethod("btnOkClick", &TTestForm::btnOkClick);
        DefineMethod("CountUp", &TTestForm::CountUp);
        DefineField("btnOk", btnOk);
        DefineField("pnlBox", pnlBox);
    }
    void btnOkClick(TObject* Sender) { Clicked = Sender; }
    void CountUp(TObject*, int& N) { ++N; }
    void Loaded() override {
        TComponent::Loaded();
        if (Log) Log->push_back("loaded " + Name());
    }
    TWidget* btnOk = nullptr;
    TWidget* pnlBox = nullptr;
    TObject* Clicked = nullptr;
};

class FormLoad : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterClass(TWidget::StaticClassInfo());
        Log = &Events;
    }
    void TearDown() override { Log = nullptr; }
    std::vector<std::string> Events;
};

const char* const Form1 =
    "object frmTest: TTestForm\n"
    "  Tag = 5\n"
    "  object pnlBox: TWidget\n"
    "    Caption = 'Box'\n"
    "    Buddy = btnOk\n"
    "    object btnOk: TWidget\n"
    "      Caption = 'O''K'\n"
    "      Width = 75\n"
    "      Enabled = False\n"
    "      Kind = wkFancy\n"
    "      Font.Style = [fsBold, fsUnderline]\n"
    "      Items.Strings = (\n"
    "        'one'\n"
    "        'two')\n"
    "      Picture.Data = {0A1B}\n"
    "      OnClick = btnOkClick\n"
    "      OnCount = CountUp\n"
    "    end\n"
    "  end\n"
    "end\n";

TEST_F(FormLoad, CreatesComponentsSetsPropertiesBindsHandlersAndFieldsThenLoadsInOrder) {
    TTestForm Form(nullptr);
    ReadFormText(&Form, Form1, "test.frm");
    EXPECT_EQ(Form.Name(), "frmTest");
    EXPECT_EQ(Form.Tag, 5);
    ASSERT_EQ(Form.ComponentCount(), 2);
    ASSERT_NE(Form.btnOk, nullptr);
    ASSERT_NE(Form.pnlBox, nullptr);
    EXPECT_EQ(Form.btnOk->Owner(), &Form);
    EXPECT_EQ(Form.btnOk->ParentSeen, Form.pnlBox);
    EXPECT_EQ(Form.pnlBox->ParentSeen, &Form);
    EXPECT_EQ(Form.btnOk->Caption, "O'K");
    EXPECT_TRUE(Form.btnOk->CaptionSetWhileLoading);
    EXPECT_FALSE(Form.btnOk->ComponentState().Contains(csLoading));
    EXPECT_EQ(Form.btnOk->Width, 75);
    EXPECT_FALSE(Form.btnOk->Enabled);
    EXPECT_EQ(Form.btnOk->Kind, TWidget::wkFancy);
    EXPECT_EQ(Form.btnOk->Style, 5u);
    EXPECT_EQ(Form.btnOk->Lines, (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(Form.btnOk->Data, (std::vector<unsigned char>{0x0A, 0x1B}));
    // A reference to a component stored after the one that names it.
    EXPECT_EQ(Form.pnlBox->Buddy, Form.btnOk);
    ASSERT_TRUE(Form.btnOk->OnClick);
    Form.btnOk->OnClick(Form.btnOk);
    EXPECT_EQ(Form.Clicked, Form.btnOk);
    int N = 1;
    Form.btnOk->OnCount(nullptr, N);
    EXPECT_EQ(N, 2);
    EXPECT_EQ(Events, (std::vector<std::string>{"loaded frmTest", "loaded pnlBox", "loaded btnOk"}));
    // Freeing a component tells those that asked, and its owner forgets it.
    Form.btnOk->Free();
    EXPECT_EQ(Form.pnlBox->Buddy, nullptr);
    EXPECT_EQ(Form.ComponentCount(), 1);
}

TEST_F(FormLoad, ErrorsNameFileAndLine) {
    struct Case {
        const char* Text;
        const char* Message;
    } Cases[] = {
        {"object f: TTestForm\n  object x: TNoSuchClass\n  end\nend\n", "bad.frm(2): Class TNoSuchClass not found"},
        {"object f: TTestForm\n  object x: TWidget\n    OnClick = Missing\n  end\nend\n",
         "bad.frm(3): The handler Missing of x.OnClick is not a method of TTestForm"},
        {"object f: TTestForm\n  object x: TWidget\n    OnClick = CountUp\n  end\nend\n",
         "bad.frm(3): The handler CountUp does not fit x.OnClick"},
        {"object f: TTestForm\n  object x: TWidget\n\n    Colour = 3\n  end\nend\n",
         "bad.frm(4): Error reading x.Colour: Property Colour does not exist"},
        {"object f: TTestForm\n  object x: TWidget\n    Width = 'wide'\n  end\nend\n",
         "bad.frm(3): x.Width: an integer is expected"},
        {"object f: TTestForm\n  object x: TWidget\n    Kind = wkOdd\n  end\nend\n",
         "bad.frm(3): x.Kind: invalid value wkOdd"},
        {"object f: TTestForm\n  object x: TWidget\n    Buddy = nobody\n  end\nend\n",
         "bad.frm(3): Error reading x.Buddy: Invalid property value (no component named nobody)"},
        {"object f: TTestForm\n  object x: TWidget\n  end\n  object X: TWidget\n  end\nend\n",
         "bad.frm(4): A component named X already exists"},
        {"object f: TTestForm\n  object pnlBox: TTestForm\n  end\nend\n", "bad.frm(2): Class TTestForm not found"},
    };
    for (const Case& C : Cases) {
        TTestForm Form(nullptr);
        try {
            ReadFormText(&Form, C.Text, "bad.frm");
            ADD_FAILURE() << C.Text;
        } catch (const EFormFileError& E) {
            EXPECT_EQ(E.Message, C.Message);
        }
    }
}

TEST_F(FormLoad, FieldOfAnotherClassIsAnError) {
    class TOtherClassForm : public TComponent {
    public:
        explicit TOtherClassForm(TComponent* O) : TComponent(O) { DefineField("btnOk", Holder); }
        TTestForm* Holder = nullptr;
    } Form(nullptr);
    try {
        ReadFormText(&Form, "object f: TForm\n  object btnOk: TWidget\n  end\nend\n", "f.frm");
        FAIL();
    } catch (const EFormFileError& E) {
        EXPECT_EQ(E.Line, 2);
        EXPECT_NE(E.Message.find("btnOk"), std::string::npos);
    }
}

TEST_F(FormLoad, ASecondFormOfOneFileUnderTheSameOwnerGetsAFreeName) {
    TComponent Owner(nullptr);
    auto* A = new TTestForm(&Owner);
    auto* B = new TTestForm(&Owner);
    auto* C = new TTestForm(&Owner);
    ReadFormText(A, Form1, "test.frm");
    ReadFormText(B, Form1, "test.frm");
    ReadFormText(C, Form1, "test.frm");
    EXPECT_EQ(A->Name(), "frmTest");
    EXPECT_EQ(B->Name(), "frmTest_1");
    EXPECT_EQ(C->Name(), "frmTest_2");
    EXPECT_EQ(C->pnlBox->Buddy, C->btnOk);
}

TEST_F(FormLoad, PublishedPropertiesAreSetByNameAtRunTime) {
    TTestForm Form(nullptr);
    ReadFormText(&Form, Form1, "test.frm");
    TWidget* W = Form.pnlBox;
    EXPECT_TRUE(IsPublishedProp(W, "caption"));
    EXPECT_FALSE(IsPublishedProp(W, "Flat"));
    EXPECT_FALSE(SetPropValue(W, "Flat", ParseFormValue("True")));
    EXPECT_TRUE(SetPropValue(W, "Width", ParseFormValue("33")));
    EXPECT_EQ(W->Width, 33);
    EXPECT_TRUE(SetPropValue(W, "Caption", ParseFormValue("'It''s'")));
    EXPECT_EQ(W->Caption, "It's");
    EXPECT_TRUE(SetPropValue(W, "Font.Style", ParseFormValue("[fsItalic]")));
    EXPECT_EQ(W->Style, 2u);
    EXPECT_TRUE(SetPropValue(W, "Buddy", ParseFormValue("pnlBox")));
    EXPECT_EQ(W->Buddy, W);
    EXPECT_THROW(SetPropValue(W, "Width", ParseFormValue("'wide'")), EFormFileError);
    // An object property takes the object itself, named or not, owned elsewhere or not.
    TWidget Unnamed(nullptr);
    EXPECT_TRUE(SetObjectProp(W, "Buddy", &Unnamed));
    EXPECT_EQ(W->Buddy, &Unnamed);
    EXPECT_TRUE(SetObjectProp(W, "Buddy", nullptr));
    EXPECT_EQ(W->Buddy, nullptr);
    EXPECT_FALSE(SetObjectProp(W, "Flat", &Unnamed));
}

TEST_F(FormLoad, FromFileAndMissingResource) {
    std::string Path = ::testing::TempDir() + "classlib_form.frm";
    std::ofstream(Path) << Form1;
    TTestForm Form(nullptr);
    ReadFormFile(&Form, Path);
    std::remove(Path.c_str());
    ASSERT_NE(Form.btnOk, nullptr);
    EXPECT_EQ(Form.btnOk->Width, 75);
    TTestForm Other(nullptr);
    EXPECT_FALSE(FormResourceExists("NoSuchForm"));
    EXPECT_THROW(ReadFormResource(&Other, "NoSuchForm"), EResNotFound);
}

// Setters are found case-blind at the nearest class of the chain, and a
// definition made after a lookup is what the next lookup finds.
TEST(ClassInfo, SetterLookupFollowsTheChainAndLaterDefinitions) {
    static TClassInfo Base("TLookupBase", nullptr, nullptr);
    static TClassInfo Derived("TLookupDerived", &Base, nullptr);
    auto Setter = [] { return TPropertySetter([](TPersistent&, const TFormValue&, TFormReader&) {}); };
    Base.Define("Caption", Setter());
    Base.Define("Width", Setter());
    const TPropertySetter* BaseCaption = Base.FindProperty("Caption");
    ASSERT_NE(BaseCaption, nullptr);
    EXPECT_EQ(Derived.FindProperty("caption"), BaseCaption);
    EXPECT_EQ(Derived.FindProperty("CAPTION"), BaseCaption);
    EXPECT_EQ(Derived.FindProperty("Height"), nullptr);
    EXPECT_NE(Derived.FindProperty("Width"), BaseCaption);
    Derived.Define("Caption", Setter());
    Base.Define("height", Setter());
    const TPropertySetter* DerivedCaption = Derived.FindProperty("Caption");
    ASSERT_NE(DerivedCaption, nullptr);
    EXPECT_NE(DerivedCaption, BaseCaption);
    EXPECT_EQ(Derived.FindProperty("caption"), DerivedCaption);
    EXPECT_EQ(Base.FindProperty("Caption"), BaseCaption);
    EXPECT_EQ(Derived.FindProperty("HEIGHT"), Base.FindProperty("height"));
    EXPECT_NE(Derived.FindProperty("HEIGHT"), nullptr);
}

TEST(Component, NamesAreIdentifiersAndUniqueAmongTheOwnersComponents) {
    TComponent Owner(nullptr);
    auto* A = new TComponent(&Owner);
    auto* B = new TComponent(&Owner);
    A->SetName("btnAdd");
    EXPECT_THROW(B->SetName("BTNADD"), EComponentError);
    for (const char* Bad : {"1abc", "a b", "a-b", "é"}) EXPECT_THROW(B->SetName(Bad), EComponentError) << Bad;
    B->SetName("_ok2");
    B->SetName("");  // unnamed is allowed
    EXPECT_EQ(Owner.FindComponent("BtnAdd"), A);
    EXPECT_EQ(Owner.FindComponent(""), nullptr);
    EXPECT_EQ(B->ComponentIndex(), 1);
}

TEST(Component, OwnerFreesLastMadeFirstAndFreeNotificationsReachBothWays) {
    std::vector<std::string> Events;
    Log = &Events;
    {
        auto* Owner = new TComponent(nullptr);
        auto* A = new TWidget(Owner);
        A->SetName("a");
        auto* B = new TWidget(Owner);
        B->SetName("b");
        TWidget Watcher(nullptr);
        Watcher.SetName("w");
        Watcher.Buddy = B;
        B->FreeNotification(&Watcher);
        Owner->Free();
        EXPECT_EQ(Watcher.Buddy, nullptr);
    }
    EXPECT_EQ(Events, (std::vector<std::string>{"free b", "free a", "free w"}));
    Log = nullptr;
}

TEST(Collection, AddDeleteMoveAndUpdates) {
    struct TItem : TCollectionItem {
        using TCollectionItem::TCollectionItem;
        int V = 0;
    };
    TCollectionOf<TItem> C;
    int Updates = 0;
    C.OnUpdate = [&](TCollectionItem*) { ++Updates; };
    C.Add()->V = 1;
    C.Add()->V = 2;
    C.Add()->V = 3;
    C.Move(0, 2);
    EXPECT_EQ(C.Items(0)->V, 2);
    EXPECT_EQ(C.Items(2)->V, 1);
    EXPECT_EQ(C.Items(2)->Index(), 2);
    C.BeginUpdate();
    C.Delete(0);
    C.Delete(0);
    EXPECT_EQ(Updates, 4);
    C.EndUpdate();
    EXPECT_EQ(Updates, 5);
    EXPECT_THROW(C.Delete(3), EListError);
}

}  // namespace
