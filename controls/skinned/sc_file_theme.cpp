#include "controls/skinned/sc_file_theme.h"

#include "controls/skinned/sc_form.h"
#include "controls/skinned/sc_helpers.h"
#include "platform/classlib/formload.h"
#include "platform/classlib/forms.h"
#include "platform/system/shell.h"
#include "platform/win/winuser.h"

bool TscFileThemeMgr::LoadThemeFile(const std::string& FileName) {
    if (!FileExists(FileName)) return false;
    // The new reader first: one that raises leaves the old one in force.
    auto Reader = std::make_unique<TscThemeFileReader>(FileName);
    FThemeReader = std::move(Reader);
    return true;
}

void TscFileThemeMgr::GetImage(int Key, TGraphic* Graphic) {
    if (!FThemeReader || !Graphic) return;
    if (TMemoryStream* S = FThemeReader->GetStream(StyleKeyName(Key))) Graphic->LoadFromStream(*S);
}

bool TscFileThemeMgr::GetBool(int Key) const { return FThemeReader && FThemeReader->GetBool(StyleKeyName(Key)); }

TColor TscFileThemeMgr::GetColor(int Key) const {
    return FThemeReader ? static_cast<TColor>(FThemeReader->GetInteger(StyleKeyName(Key))) : TColor(0);
}

int TscFileThemeMgr::GetInteger(int Key) const {
    return FThemeReader ? FThemeReader->GetInteger(StyleKeyName(Key)) : 0;
}

TscFileTheme::TscFileTheme(TComponent* AOwner) : TComponent(AOwner), FMgr(std::make_unique<TscFileThemeMgr>()) {}

TscFileTheme::~TscFileTheme() = default;

namespace {
std::string WithDelimiter(UINT (*Get)(LPSTR, UINT)) {
    char Buffer[260] = {};
    UINT N = Get(Buffer, sizeof Buffer);
    std::string S(Buffer, N < sizeof Buffer ? N : 0);
    return IncludeTrailingPathDelimiter(S);
}
}  // namespace

std::string GetWindowsFolder() { return WithDelimiter(GetWindowsDirectoryA); }
std::string GetSystemFolder() { return WithDelimiter(GetSystemDirectoryA); }

void TscFileTheme::SetThemeFile(const std::string& Value) {
    if (Value == FThemeFile) return;
    bool WasEmpty = FThemeFile.empty();
    std::string Name = ExtractFileName(Value), Found;
    for (const std::string& Candidate : {Value, GetWindowsFolder() + Name, GetSystemFolder() + Name})
        if (!Candidate.empty() && FileExists(Candidate)) {
            Found = Candidate;
            break;
        }
    if (Found.empty()) return;
    if (!IsValidThemeFile(Found)) throw Exception("Invalid skin file for SCPack!");
    // A file that fails to load changes nothing: the name is taken after the load.
    bool Loaded = FMgr->LoadThemeFile(Found);
    FThemeFile = Found;
    FFileLoaded = Loaded;
    auto* Form = dynamic_cast<TCustomForm*>(Owner());
    if (!FFileLoaded || !Form) return;
    bool FormUses = false;
    for (int I = 0; I < Form->ComponentCount(); ++I) {
        TComponent* C = Form->Components(I);
        auto* Client = dynamic_cast<TscThemeClient*>(C);
        if (!Client || Client->FileTheme() != this) continue;
        if (dynamic_cast<TscForm*>(C)) FormUses = true;
        if (C->ClassName().rfind("Tsc", 0) == 0 && HasPublishedProperty(C, "FileTheme")) Client->SetFileTheme(this);
    }
    if (FormUses && !WasEmpty && Form->HandleAllocated())
        SetWindowPos(Form->Handle(), /*hWndInsertAfter=*/nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TscFileTheme::GetImageFrame(int Key, TBitmap* Graphic, int Count, int Index) {
    if (!Graphic) return;
    TBitmap Strip;
    GetImage(Key, &Strip);
    CutImageFrame(&Strip, Graphic, Count, Index);
}

bool TscFileTheme::ResolveUIStyle(TscFileTheme* Theme, TscUIStyle Style, TscUIStyle& Effective) {
    if (Style != FromThemeFile) {
        Effective = Style;
        return false;
    }
    if (Theme && Theme->CanUse()) {
        Effective = FromThemeFile;
        return true;
    }
    Effective = DeepBlue;
    return false;
}

TClassInfo& TscFileTheme::StaticClassInfo() {
    static TClassInfo CI("TscFileTheme", &TComponent::StaticClassInfo(), CreateComponentOf<TscFileTheme>,
                         [](TClassInfo& C) {
                             C.Define<TscFileTheme>(
                                 "ThemeFile", std::function<void(TscFileTheme&, const TFormValue&, TFormReader&)>(
                                                  [](TscFileTheme& O, const TFormValue& V, TFormReader& R) {
                                                      O.SetThemeFile(R.String(V));
                                                  }));
                         });
    return CI;
}

