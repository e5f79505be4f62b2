#include "controls/extra/fp_shellnav.h"

#include "platform/classlib/controls.h"
#include "platform/classlib/forms.h"
#include "platform/system/unicode_conv.h"
#include "platform/rtl/scope.h"

using sysconv::Utf16ToUtf8;
using sysconv::Utf8ToUtf16;

namespace {
const int Csidls[] = {0x11, 0x0A, 0x03, 0x00, 0x10, 0x11, 0x14, 0x13, 0x12, 0x05, 0x04, 0x02, 0x08,
                      0x09, 0x0B, 0x07, 0x15, 0x06, 0x16, 0x18, 0x19, 0x1A, 0x1B, 0x1F, 0x20, 0x21,
                      0x22, 0x17, 0x1D, 0x23, 0x2E, 0x01, 0x1C, 0x27, 0x26, 0x25, 0x2B};

IShellFolder* Desktop() {
    // One desktop folder for the process, as the shell hands out.
    static IShellFolder* D = [] {
        IShellFolder* F = nullptr;
        SHGetDesktopFolder(&F);
        return F;
    }();
    return D;
}

bool SameList(LPCITEMIDLIST A, LPCITEMIDLIST B) {
    return A && B && static_cast<int16_t>(Desktop()->CompareIDs(0, A, B) & 0xFFFF) == 0;
}

WideString WithSlash(WideString P) {
    if (!P.empty() && P.back() != u'/') P += u'/';
    return P;
}

WideString Upper(const WideString& S) { return WideUpperCase(S); }

WideString DisplayName(IShellFolder* F, LPCITEMIDLIST L, DWORD Flags) {
    STRRET S;
    if (!F || F->GetDisplayNameOf(L, Flags, &S) != S_OK) return u"";
    char16_t* W = nullptr;
    if (StrRetToStrW(&S, L, &W) != S_OK || !W) return u"";
    WideString Out = W;
    CoTaskMemFree(W);
    return Out;
}
}  // namespace

int ShellFolderCsidl(TFpShellFolder Value) { return Csidls[Value]; }

LPITEMIDLIST ParsePathToPIDL(IShellFolder* Folder, const WideString& Path) {
    if (!Folder) Folder = Desktop();
    LPITEMIDLIST L = nullptr;
    if (Path.empty()) {
        SHGetSpecialFolderLocation(/*Owner=*/nullptr, CSIDL_DRIVES, &L);
        return L;
    }
    if (Folder->ParseDisplayName(/*Owner=*/nullptr, /*BindContext=*/nullptr, Path.c_str(), /*Eaten=*/nullptr, &L,
                                 /*Attributes=*/nullptr) != S_OK) {
        FreePIDL(L);
        return nullptr;
    }
    return L;
}

WideString PIDLToPathWide(LPCITEMIDLIST List) { return List ? Utf8ToUtf16(ShellPathFromIDList(List)) : u""; }

LPITEMIDLIST ShellFolderToPIDL(TFpShellFolder Value) {
    LPITEMIDLIST L = nullptr;
    if (Value == SF_DESKTOP) return MakePIDL(/*Items=*/nullptr, 0);
    if (SHGetSpecialFolderLocation(/*Owner=*/nullptr, ShellFolderCsidl(Value), &L) != S_OK) return nullptr;
    return L;
}

TFpShellFolder PIDLToShellFolder(LPCITEMIDLIST List) {
    if (!List) return SF_FILESYSTEMFOLDER;
    for (int V = 1; V <= SF_PROGRAM_FILES_COMMON; ++V) {
        LPITEMIDLIST Special = ShellFolderToPIDL(static_cast<TFpShellFolder>(V));
        const bool Equal = SameList(Special, List);
        FreePIDL(Special);
        if (Equal) return static_cast<TFpShellFolder>(V);
    }
    return SF_FILESYSTEMFOLDER;
}

WideString ResolveShellLink(const WideString& File) {
    return File.empty() ? u"" : Utf8ToUtf16(ShellLinkTarget(Utf16ToUtf8(File)));
}

std::string FormatSystemMessage(DWORD Code) {
    char Text[1024] = {0};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, /*lpSource=*/nullptr, Code, 0, Text,
                   1023, /*Arguments=*/nullptr);
    return Text;
}

// ---- TShellNav ----------------------------------------------------------------------
TShellNav::TShellNav(TComponent* AOwner) : TComponent(AOwner) { SetFolder(u""); }

TShellNav::~TShellNav() {
    DropEnum();
    ClearObject();
    FreePIDL(FFolderList);
    if (FFolder) FFolder->Release();
}

HWND TShellNav::ErrorOwnerWindow() const {
    if (!ShowErrorMessages) return nullptr;
    if (auto* W = dynamic_cast<TWinControl*>(Owner()); W && FLoaded) return W->Handle();
    return Application ? Application->Handle() : nullptr;
}

void TShellNav::Loaded() {
    TComponent::Loaded();
    FLoaded = true;
}

void TShellNav::DropEnum() {
    if (FEnum) FEnum->Release();
    FEnum = nullptr;
}

void TShellNav::ClearObject() {
    FreePIDL(FObject);
    FreePIDL(FObjectAbs);
    FObject = FObjectAbs = nullptr;
}

WideString TShellNav::Folder() const {
    if (PIDLItemCount(FFolderList) == 2 && !FFolderPath.empty()) {
        WideString Path = FFolderPath;
        if (Path.size() > 1 && Path.back() == u'/') Path.pop_back();
        const WideString Target = ResolveShellLink(Path);
        if (!Target.empty()) return WithSlash(Target);
    }
    return FFolderPath;
}

void TShellNav::SetFolder(const WideString& Value) {
    if (!Value.empty() && Upper(WithSlash(Value)) == Upper(Folder())) return;
    LPITEMIDLIST L = ParsePathToPIDL(/*Folder=*/nullptr, Value);
    if (!L) throw EShellNavError(FormatSystemMessage(ERROR_PATH_NOT_FOUND) + "\r\n" + Utf16ToUtf8(Value));
    rtl::TScopeExit FreeIds([&] { FreePIDL(L); });
    SetFolderIDList(L);
}

void TShellNav::SetFolderIDList(LPCITEMIDLIST List) {
    if (!List) return;
    IShellFolder* F = nullptr;
    LPITEMIDLIST Empty = MakePIDL(/*Items=*/nullptr, 0);
    const bool IsDesktop = SameList(List, Empty);
    FreePIDL(Empty);
    if (IsDesktop) {
        F = Desktop();
        F->AddRef();
    } else {
        const HRESULT R =
            Desktop()->BindToObject(List, /*BindContext=*/nullptr, /*Iid=*/nullptr, reinterpret_cast<void**>(&F));
        if (R != S_OK || !F)
            throw EShellNavError("ShellNav.SetFolderIDList: Desktop.BindToObject: Could not get IShellFolder interface. (" +
                                 FormatSystemMessage(static_cast<DWORD>(R) & 0xFFFF) + ")");
    }
    LPITEMIDLIST Copy = IsDesktop ? MakePIDL(/*Items=*/nullptr, 0) : CopyPIDL(List);
    DropEnum();
    if (FFolder) FFolder->Release();
    FFolder = F;
    FreePIDL(FFolderList);
    FFolderList = Copy;
    ClearObject();
    FFolderPath = WithSlash(PIDLToPathWide(FFolderList));
}

void TShellNav::SetObjectIDList(LPCITEMIDLIST List) {
    if (!List) return;
    const int Count = PIDLItemCount(List);
    if (Count == 0) {
        SetSpecialFolder(SF_DESKTOP);
        return;
    }
    LPITEMIDLIST Parent = CopyPIDLPrefix(List, Count - 1);
    LPITEMIDLIST Last = CopyPIDLItem(List, Count - 1);
    rtl::TScopeExit FreeIds([&] {
        FreePIDL(Parent);
        FreePIDL(Last);
    });
    SetFolderIDList(Parent);
    FreeIds.Dismiss();
    FreePIDL(Parent);
    ClearObject();
    FObject = Last;
}

bool TShellNav::MoveUp() {
    LPITEMIDLIST Own = CopyPIDL(FFolderList);
    {
        rtl::TScopeExit FreeIds([&] { FreePIDL(Own); });
        SetObjectIDList(Own);
    }
    return true;
}

LPCITEMIDLIST TShellNav::GetObjectIDList() {
    FreePIDL(FObjectAbs);
    FObjectAbs = FObject ? ConcatPIDLs(FFolderList, FObject) : CopyPIDL(FFolderList);
    return FObjectAbs;
}

ULONG TShellNav::ObjectAttributes(ULONG Mask) {
    if (!FObject || !FFolder) return 0;
    ULONG A = Mask;
    LPCITEMIDLIST One[] = {FObject};
    if (FFolder->GetAttributesOf(1, One, &A) != S_OK) return 0;
    return Mask & A;
}

bool TShellNav::IsFolder() {
    if (!FObject) return false;
    const ULONG A = ObjectAttributes(SFGAO_FOLDER | (FileSystemOnly ? SFGAO_FILESYSANCESTOR : 0));
    if (!FileSystemOnly) return A & SFGAO_FOLDER;
    return (A & SFGAO_FOLDER) && (A & SFGAO_FILESYSANCESTOR);
}

WideString TShellNav::GetDisplayName() {
    if (!FObject) return u"";
    const WideString N = DisplayName(FFolder, FObject, SHGDN_NORMAL);
    return N.empty() ? ObjectName() : N;
}

WideString TShellNav::ObjectName() {
    if (!FFolderList || !FObject) return u"";
    WIN32_FIND_DATAW Data;
    if (SHGetDataFromIDListW(FFolder, FObject, SHGDFIL_FINDDATA, &Data, sizeof Data) == S_OK) return Data.cFileName;
    if (PIDLItemCount(GetObjectIDList()) <= 1) return u"";
    const WideString Path = PIDLToPathWide(GetObjectIDList());
    if (Path.empty()) return u"";
    if (Path == u"/") return Path;  // the root keeps its full form
    const std::size_t S = Path.find_last_of(u'/');
    return S == WideString::npos ? Path : Path.substr(S + 1);
}

void TShellNav::SetObjectName(const WideString& Given) {
    if (Given.empty()) {
        ClearObject();
        return;
    }
    WideString Value = Given;
    if (Value.size() > 1 && Value.back() == u'/') Value.pop_back();
    if (Value.find(u'/') == WideString::npos) {
        LPITEMIDLIST Rel = ParsePathToPIDL(FFolder, Value);
        if (Rel && PIDLItemCount(Rel) > 0) {
            ClearObject();
            FObject = Rel;
            return;
        }
        FreePIDL(Rel);
        DropEnum();
        bool Found = false;
        while (FindNextObject())
            if (Upper(GetDisplayName()) == Upper(Value) || Upper(ObjectName()) == Upper(Value)) {
                Found = true;
                break;
            }
        DropEnum();
        if (!Found)
            throw EShellNavError(Utf16ToUtf8(u"Error! Cannot find Object \"" + Value + u"\" in Folder \"" + Folder() +
                                             u"\""));
        return;
    }
    if (Value == u"/") {
        SetFolder(Value);
        MoveUp();
        return;
    }
    const std::size_t S = Value.find_last_of(u'/');
    SetFolder(S == 0 ? u"/" : Value.substr(0, S + 1));
    SetObjectName(Value.substr(S + 1));
}

bool TShellNav::MatchesFilter() {
    if (FMasks.empty() || IsFolder()) return true;
    const WideString N = ObjectName();
    for (const WideString& M : FMasks)
        if (WideMatchesMask(N, M)) return true;
    return false;
}

bool TShellNav::FindNextObject() {
    if (!FEnum) {
        if (!FFolder || FFolder->EnumObjects(ErrorOwnerWindow(), SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN,
                                             &FEnum) != S_OK || !FEnum) {
            FEnum = nullptr;
            return false;
        }
    }
    for (;;) {
        LPITEMIDLIST Next = nullptr;
        ULONG Got = 0;
        if (FEnum->Next(1, &Next, &Got) != S_OK || Got != 1) {
            FreePIDL(Next);
            DropEnum();
            return false;
        }
        ClearObject();
        FObject = Next;
        // The tests apply to every object, also after one that could not be examined.
        try {
            if (FileSystemOnly && ObjectAttributes(SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR) == 0) {
                const WideString Name = ObjectName();
                const bool Recycle = Upper(Name.substr(0, 7)) == u"RECYCLE";
                const TFpShellFolder Own = ObjectSpecialFolder();
                if (!Recycle && Own != SF_DRIVES && Own != SF_NETWORK && SpecialFolder() != SF_NETWORK) continue;
            }
            if (MatchesFilter()) return true;
        } catch (const std::exception&) {
            continue;
        }
    }
}

WideString TShellNav::Filter() const {
    if (FMasks.empty()) return u"*";
    WideString Out;
    for (std::size_t I = 0; I < FMasks.size(); ++I) Out += (I ? u";" : u"") + FMasks[I];
    return Out;
}

void TShellNav::SetFilter(const WideString& Value) {
    FMasks.clear();
    if (Value.empty() || Value == u"*") return;
    WideString V = Value;
    if (V.back() != u';') V += u';';
    std::size_t Start = 0;
    for (std::size_t I = 0; I < V.size(); ++I)
        if (V[I] == u';') {
            FMasks.push_back(V.substr(Start, I - Start));
            Start = I + 1;
        }
}

void TShellNav::SetSpecialFolder(TFpShellFolder Value) {
    try {
        LPITEMIDLIST L = ShellFolderToPIDL(Value);
        if (!L) return;
        rtl::TScopeExit FreeIds([&] { FreePIDL(L); });
        SetFolderIDList(L);
    } catch (const std::exception&) {
        // Writing the special folder never raises.
    }
}

TClassInfo& TShellNav::StaticClassInfo() {
    static TClassInfo CI("TShellNav", &TComponent::StaticClassInfo(), CreateComponentOf<TShellNav>);
    return CI;
}

void RegisterShellNav() { RegisterClasses({&TShellNav::StaticClassInfo()}); }
