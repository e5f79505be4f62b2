#include "skin/skin_data.h"

#include "platform/classlib/formload.h"
#include "skin/skin_ini.h"
#include "skin/skin_reader.h"

TSkinData::TSkinData(TComponent* AOwner) : TComponent(AOwner), FSkinStream(std::make_unique<TMemoryStream>()) {
    Button = std::make_unique<TDataSkinButton>("Buttons");
    static const char* const Sides[] = {"Left", "Right", "Top", "Bottom"};
    for (int i = 0; i < 4; ++i) Borders[static_cast<size_t>(i)] = std::make_unique<TDataSkinBorder>(Sides[i]);
    Title = std::make_unique<TDataSkinTitle>("Title");
}

TSkinData::~TSkinData() {
    if (FaceBrush) DeleteObject(FaceBrush);
}

bool TSkinData::LoadSkin() {
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
    try {
        ParseSkin();
    } catch (...) {
        FReader = nullptr;
        FIni = nullptr;
        FExtract = nullptr;
        throw;
    }
    FReader = nullptr;
    FIni = nullptr;
    FExtract = nullptr;
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
    // The stored skin is parsed when the form has been read; no window is skinned yet.
    if (!Empty()) LoadSkin();
}

void TSkinData::LoadFromStream(TStream& Stream) {
    FSkinStream->Clear();
    FSkinStream->LoadFromStream(Stream);
    FSkinStream->SetPosition(0);
}

void TSkinData::LoadFromFile(const std::string& FileName) {
    FSkinStream->Clear();
    FSkinStream->LoadFromFile(FileName);
    FSkinStream->SetPosition(0);
}

namespace {
using TSetter = std::function<void(TSkinData&, const TFormValue&, TFormReader&)>;
}

TClassInfo& TSkinData::StaticClassInfo() {
    static TClassInfo CI("TSkinData", &TComponent::StaticClassInfo(), CreateComponentOf<TSkinData>, [](TClassInfo& C) {
        C.Define<TSkinData>("Active", TSetter([](TSkinData& O, const TFormValue& V, TFormReader& R) {
                                O.SetActive(R.Bool(V));
                            }));
        C.Define<TSkinData>("SkinFormtype", TSetter([](TSkinData& O, const TFormValue& V, TFormReader& R) {
                                O.SkinFormtype = R.Ident(V);
                            }));
        C.Define<TSkinData>("DisableTag", TSetter([](TSkinData& O, const TFormValue& V, TFormReader& R) {
                                O.DisableTag = static_cast<int32_t>(R.Int(V));
                            }));
        C.Define<TSkinData>("Options", TSetter([](TSkinData& O, const TFormValue& V, TFormReader& R) {
                                O.Options = R.Set<TSkinOption>(
                                    V, {"xoMDIScrollbar", "xoMenuMerge", "xoTransparent", "xoPreview",
                                        "xoParentBackGround", "xoNoFocusRect", "xoToolbarBK", "xoToolbarButton",
                                        "xoMDIChildBorder", "xoMenuBG", "xoFormScrollbar"});
                            }));
        C.Define<TSkinData>("SkinControls", TSetter([](TSkinData& O, const TFormValue& V, TFormReader& R) {
                                O.SkinControls = R.Set<TSkinControlType>(
                                    V, {"xcMainMenu", "xcPopupMenu", "xcMenuItem", "xcToolbar", "xcControlbar",
                                        "xcCombo", "xcCheckBox", "xcRadioButton", "xcProgress", "xcScrollbar",
                                        "xcEdit", "xcButton", "xcBitBtn", "xcSpeedButton", "xcSpin", "xcPanel",
                                        "xcGroupBox", "xcStatusBar", "xcTab", "xcTrackBar", "xcSystemMenu",
                                        "xcFastReport"});
                            }));
        // The stored skin: a signed 32-bit count, then that many bytes.
        C.Define<TSkinData>("SkinStream", TSetter([](TSkinData& O, const TFormValue& V, TFormReader& R) {
                                const auto& B = R.Binary(V);
                                if (B.size() < 4) R.Error("SkinStream needs its 32-bit count");
                                const int32_t N = static_cast<int32_t>(static_cast<uint32_t>(B[0]) |
                                                                       static_cast<uint32_t>(B[1]) << 8 |
                                                                       static_cast<uint32_t>(B[2]) << 16 |
                                                                       static_cast<uint32_t>(B[3]) << 24);
                                if (N < 0 || static_cast<size_t>(N) != B.size() - 4)
                                    R.Error("SkinStream's count does not match its bytes");
                                TMemoryStream M;
                                if (N > 0) M.WriteBuffer(B.data() + 4, N);
                                M.SetPosition(0);
                                O.LoadFromStream(M);
                            }));
        // A text kept for the form's sake; it always reads "(none)".
        C.Define<TSkinData>("SkinStore", TSetter([](TSkinData&, const TFormValue& V, TFormReader& R) { R.String(V); }));
    });
    return CI;
}

void RegisterSkinClasses() { RegisterClasses({&TSkinData::StaticClassInfo()}); }
