// The engine's workers and the burning library's callback.
#include <algorithm>
#include <cstring>

#include "burning/burn_engine.h"
#include "burning/burn_internal.h"
#include "core/globals.h"
#include "core/ui_texts.h"
#include "platform/system/module.h"
#include "platform/system/unicode_conv.h"

void sbProbeFoundDevice(TsbDeviceList& Devices, const TsbDeviceAddress* Address, const char* DeviceName);

// ---- Workers ----------------------------------------------------------------------------------
TsbCustomThread::TsbCustomThread(TsbBurner* AEngine) : Engine(AEngine) { FreeOnTerminate = true; }

void TsbCustomThread::FireNotification(int A, int B) {
    if (OnNotification) OnNotification(this, A, B);
}

void TsbCustomThread::DoTerminate() {
    // On the worker itself: the owner's wait loop ends when its slot empties.
    if (OnTerminate) OnTerminate(this);
}

void TsbEraseThread::Execute() {
    TsbBurner& E = *Engine;
    E.LastError.clear();
    int32_t Type = E.EraseOptions.FullErase ? ERASE_TYPE_BLANK_DISC_FULL : ERASE_TYPE_BLANK_DISC_FAST;
    const char* TypeName = E.EraseOptions.FullErase ? "ERASE_TYPE_BLANK_DISC_FULL" : "ERASE_TYPE_BLANK_DISC_FAST";
    E.Success = true;
    sbLog(std::string("BurnLib_Recorder_Blank: EraseType: ") + TypeName);
    E.ClearCallResult();
    E.ExceptionNumber = BurnLibDll->BurnLib_Recorder_Blank(E.GrabberHandle, SB_ERRARGS(E), Type);
    if (E.ExceptionNumber != 0) {
        E.LastError = E.FailureText("BurnLib_Recorder_Blank", ftErase);
        sbLog(E.LastError);
        E.Success = false;
        if (sbCallBackEventer) sbCallBackEventer->DoError(&E, E.LastError);
    }
    Engine = nullptr;
}

TsbVideoBurnThread::TsbVideoBurnThread(TsbBurner* AEngine, const TsbVideoBurnOptions& AOptions)
    : TsbCustomThread(AEngine), FOptions(AOptions) {}

void TsbVideoBurnThread::Execute() {
    TsbBurner& E = *Engine;
    const TsbVideoBurnOptions& O = FOptions;
    E.Success = true;
    E.LastError.clear();
    sbStatus(IDS_Burn_BurningStarted, sbMsgInfo);
    auto Failed = [&](const char* Function) {
        E.LastError = E.FailureText(Function);
        E.Success = false;
        sbLog(E.LastError);
    };
    BURNLIB_HANDLE H = E.GrabberHandle;
    if (E.Cancelled) {
        E.Success = false;
    } else if (O.VideoKind == 0 || O.VideoKind == 1) {
        const char* Name = O.VideoKind == 0 ? "BurnLib_Recorder_VideoCD" : "BurnLib_Recorder_SuperVideoCD";
        auto Call = O.VideoKind == 0 ? BurnLibDll->BurnLib_Recorder_VideoCD : BurnLibDll->BurnLib_Recorder_SuperVideoCD;
        sbLog(Name);
        E.ClearCallResult();
        E.ExceptionNumber = Call(H, SB_ERRARGS(E), O.SourcePath.c_str(), O.VolumeLabel.c_str(), 1, 1,
                                 E.BurnOptions.TestMode, 1, 5);
        if (E.ExceptionNumber != 0) Failed(Name);
    } else if (O.VideoKind == 2) {
        sbLog("BurnLib_DVDVideo_Create");
        BURNLIB_HANDLE Dvd = 0;
        E.ClearCallResult();
        std::string ProgramPath = GetModuleFileNameStr();
        E.ExceptionNumber = BurnLibDll->BurnLib_DVDVideo_Create(
            &Dvd, O.VideoTsFolder.c_str(), 1, E.ExceptionText, BURNLIB_EXCEPTION_TEXT_SIZE, &E.SystemError,
            O.VolumeLabel.c_str(), O.AuxText.c_str(), ProgramPath.c_str(), O.Year, O.Month, O.Day, O.Hour, O.Minute,
            O.Second, O.Millisecond);
        if (E.ExceptionNumber != 0) {
            Failed("BurnLib_DVDVideo_Create");
        } else {
            sbLog("BurnLib_DVDVideo_GetTreePointer");
            BURNLIB_HANDLE Tree = BurnLibDll->BurnLib_DVDVideo_GetTreePointer(Dvd);
            E.ClearCallResult();
            E.ExceptionNumber = BurnLibDll->BurnLib_Recorder_TrackAtOnceFromTree(
                H, SB_ERRARGS(E), Tree, E.BurnOptions.CDROMXA, E.BurnOptions.TestMode,
                E.BurnOptions.NextSessionAllowed, 1, 5);
            if (E.ExceptionNumber != 0) Failed("BurnLib_Recorder_TrackAtOnceFromTree");
        }
        if (Dvd) BurnLibDll->BurnLib_DVDVideo_Destroy(Dvd);
    }
    if (E.Cancelled) E.LastError.clear();
    Engine = nullptr;
}

// ---- Rename rules -------------------------------------------------------------------------------
namespace {

std::atomic<int64_t> LastWritePercent{0};
std::atomic<int32_t> RenameCounter{1};

constexpr size_t CollisionNameBytes = sizeof(TsbNameCollision::Name);
constexpr size_t JolietMaxChars = 64;  // the longest name Joliet allows

// Steps shared by both rules: pad to two characters, skip a version suffix,
// find the extension's dot among the last positions. Answers E, the length of
// the part before the extension.
template <class S>
size_t SplitExtension(S& Name) {
    while (Name.size() < 2) Name.push_back('0');
    size_t E = Name.size();
    if (Name[E - 2] == ';') E -= 2;
    for (size_t I = E + 1; I-- > 0 && I + 4 >= E;) {
        if (I < Name.size() && Name[I] == '.') {
            E = I;
            break;
        }
    }
    return E;
}

template <class C>
bool JolietForbidden(C Ch) {
    return Ch <= 32 || Ch == ':' || Ch == '/' || Ch == '\\' || Ch == '*' || Ch == '?' || Ch == ';' || Ch == '"' ||
           Ch == '<' || Ch == '>' || Ch == '|';
}

std::string ItemPath(const uint8_t* Item) {
    if (!Item) return "";
    return reinterpret_cast<const char*>(Item + 1);
}

}  // namespace

void sbResetCallbackState() {
    LastWritePercent = 0;
    RenameCounter = 1;
}

std::string sbRenameISO9660(const std::string& Name, int32_t& Counter) {
    std::string N = Name;
    size_t E = SplitExtension(N);
    std::string Ext = N.substr(E, 10);
    std::string Number = IntToStr(Counter);
    ++Counter;
    // Base and number stay within the eight characters of the name part.
    size_t Keep = Number.size() < 8 ? 8 - Number.size() : 0;
    std::string NewName = N.substr(0, std::min(E, Keep)) + Number + Ext;
    if (NewName.size() >= CollisionNameBytes) NewName.resize(CollisionNameBytes - 1);
    return NewName;
}

std::u16string sbRenameJoliet(const std::u16string& Name, const std::string& Stamp, int32_t& Counter) {
    std::u16string N = Name;
    size_t E = SplitExtension(N);
    std::u16string Ext = N.substr(E);
    std::u16string Base = N.substr(0, E);
    // The date and time make the name tell when it was renamed; the counter
    // keeps two renames within one second apart.
    std::u16string Tail = u"_" + sysconv::Utf8ToUtf16(Stamp) + u"_" + sysconv::Utf8ToUtf16(IntToStr(Counter));
    ++Counter;
    for (auto& Ch : Base)
        if (JolietForbidden(Ch)) Ch = u'_';
    for (auto& Ch : Tail)
        if (JolietForbidden(Ch)) Ch = u'_';
    // The extension keeps its dot and version suffix; only forbidden
    // characters before the suffix go.
    size_t SuffixAt = Ext.find(u';');
    for (size_t I = 0; I < Ext.size() && I < SuffixAt; ++I)
        if (JolietForbidden(Ext[I])) Ext[I] = u'_';
    size_t Room = JolietMaxChars > Tail.size() + Ext.size() ? JolietMaxChars - Tail.size() - Ext.size() : 0;
    if (Base.size() > Room) Base.resize(Room);
    std::u16string NewName = Base + Tail + Ext;
    if (NewName.size() > JolietMaxChars) NewName.resize(JolietMaxChars);
    return NewName;
}

// ---- The callback -------------------------------------------------------------------------------
namespace {

void NameCollision(TsbNameCollision* R) {
    bool BothFolders = (R->FirstAttributes & 0x10) && (R->SecondAttributes & 0x10);
    if (BothFolders && R->IsJoliet) {
        R->Decision = 3;
        sbStatus(IDS_burn_Info_collision, sbMsgStepError);
        return;
    }
    std::string First = ItemPath(R->FirstItem), Second = ItemPath(R->SecondItem);
    int32_t Counter = RenameCounter.load();
    if (!R->IsJoliet) {
        std::string Old = CharArrayToString(reinterpret_cast<const char*>(R->Name), CollisionNameBytes);
        std::string Text = "Name collision for ISO9660 : <" + Old + "> -> ";
        std::string New = sbRenameISO9660(Old, Counter);
        std::memset(R->Name, 0, CollisionNameBytes);
        std::memcpy(R->Name, New.data(), New.size());
        Text += New + " " + First + " " + Second;
        sbStatus(Text, sbMsgInfo);
    } else {
        std::u16string Old;
        for (size_t I = 0; I + 1 < CollisionNameBytes; I += 2) {
            char16_t Ch;
            std::memcpy(&Ch, R->Name + I, 2);
            if (!Ch) break;
            Old.push_back(Ch);
        }
        std::string Text = "Name collision for Joliet : <" + sysconv::Utf16ToUtf8(Old) + "> -> ";
        std::u16string New = sbRenameJoliet(Old, DateTimeToStr(Now()), Counter);
        std::memset(R->Name, 0, CollisionNameBytes);
        std::memcpy(R->Name, New.data(), New.size() * 2);
        Text += "<" + sysconv::Utf16ToUtf8(New) + ">";
        sbStatus(Text, sbMsgInfo);
    }
    RenameCounter = Counter;
    std::string Path = First;
    std::replace(Path.begin(), Path.end(), '/', '\\');
    size_t Slash = Path.rfind('\\');
    std::string FileName = Slash == std::string::npos ? Path : Path.substr(Slash + 1);
    R->Decision = UpperCase(FileName) == "BOOT.IMG" ? 1 : 2;
}

}  // namespace

void BurnerCallback(int32_t Kind, void* Context, void* Special1, void* Special2) {
    // Nothing may unwind into the library: a handler's failure ends here.
    try {
        switch (Kind) {
            case BURNLIB_CB_IGNORED_NAME: {
                // The node count comes with the call; the context carries nothing here.
                std::string Name = Special1 ? static_cast<const char*>(Special1) : "";
                int32_t Nodes = Special2 ? *static_cast<const int32_t*>(Special2) : 0;
                sbStatus(sbFormatText(IDS_burn_Info_Ignor, {Name, Nodes}), sbMsgStepError);
                break;
            }
            case BURNLIB_CB_NAME_COLLISION:
                if (Special1) NameCollision(static_cast<TsbNameCollision*>(Special1));
                break;
            case BURNLIB_CB_DEVICE_FOUND:
                if (Context)
                    sbProbeFoundDevice(*static_cast<TsbDeviceList*>(Context),
                                       static_cast<const TsbDeviceAddress*>(Special1),
                                       static_cast<const char*>(Special2));
                break;
            case BURNLIB_CB_PROGRESS: {
                if (!Special1 || !Special2) break;
                int64_t Total = *static_cast<const int64_t*>(Special1);
                int64_t Done = *static_cast<const int64_t*>(Special2);
                if (Total == 0) break;
                int64_t Percent = Done * 100 / Total;
                if (Percent != LastWritePercent.load()) {
                    LastWritePercent = Percent;
                    sbProgress(/*Sender=*/nullptr, static_cast<int>(Percent));
                }
                break;
            }
            case BURNLIB_CB_BUFFER: {
                if (!Special1 || !Special2) break;
                int64_t Size = *static_cast<const uint32_t*>(Special1);
                int64_t Free = *static_cast<const uint32_t*>(Special2);
                if (Size == 0) break;
                int64_t Percent = std::clamp<int64_t>(100 - Free * 100 / Size, 0, 100);
                if (sbCallBackEventer) sbCallBackEventer->DoBuffer(/*Sender=*/nullptr, static_cast<int>(Percent));
                break;
            }
            default:
                break;
        }
    } catch (...) {
    }
}
