#include "burning/burn_engine.h"

#include <cmath>
#include <filesystem>
#include <map>
#include <system_error>

#include "burning/burn_internal.h"
#include "core/globals.h"
#include "core/ui_texts.h"
#include "platform/classlib/extctrls.h"
#include "platform/classlib/forms.h"
#include "platform/commctl/commctrl.h"
#include "platform/system/process.h"
#include "platform/rtl/scope.h"

namespace fs = std::filesystem;

// ---- Shared helpers of the engine's files -------------------------------------------------
void sbStatus(const std::string& Text, int Kind) {
    if (sbCallBackEventer) sbCallBackEventer->DoMessage(Text, Kind);
}

void sbProgress(TObject* Sender, int Percent) {
    if (sbCallBackEventer) sbCallBackEventer->DoProgress(Sender, Percent);
}

void sbProcessMessages() {
    if (Application) Application->ProcessMessages();
}

std::string sbFormatText(const std::string& Text, const std::vector<TVarRec>& Args) {
    // A language file may carry a broken format; show the text as it is then.
    try {
        return Format(Text, Args);
    } catch (const std::exception&) {
        return Text;
    }
}

HANDLE sbDuplicateThreadHandle(TThread& Thread) {
    HANDLE H = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), Thread.Handle(), GetCurrentProcess(), &H, 0, FALSE,
                         DUPLICATE_SAME_ACCESS))
        return INVALID_HANDLE_VALUE;
    return H;
}

void sbJoinHandle(HANDLE& Handle) {
    if (Handle == INVALID_HANDLE_VALUE || Handle == nullptr) {
        Handle = INVALID_HANDLE_VALUE;
        return;
    }
    // The worker has cleared its slot; what is left of it is freeing itself.
    // Its handle is signalled once the object is gone.
    WaitForSingleObject(Handle, INFINITE);
    CloseHandle(Handle);
    Handle = INVALID_HANDLE_VALUE;
}

// ---- Disc types ----------------------------------------------------------------------------
namespace {

struct TDiscTypeRow {
    const std::string* Name;
    bool Writable, Rewritable, Dvd;
};

const TDiscTypeRow* DiscTypeRow(DISC_TYPE DiscType) {
    static const TDiscTypeRow Rows[22] = {
        {&IDS_Burn_DiscType_Unknown, true, false, false},      {&IDS_Burn_DiscType_CDROM, false, false, false},
        {&IDS_Burn_DiscType_CDR, true, false, false},          {&IDS_Burn_DiscType_CDRW, true, true, false},
        {&IDS_Burn_DiscType_DVDROM, false, false, true},       {&IDS_Burn_DiscType_DVDR, true, false, true},
        {&IDS_Burn_DiscType_DVDRAM, true, true, true},         {&IDS_Burn_DiscType_DVDRWRO, true, true, true},
        {&IDS_Burn_DiscType_DVDRWSR, true, true, true},        {&IDS_Burn_DiscType_DVDPLUSRW, true, true, true},
        {&IDS_Burn_DiscType_DDCDROM, false, false, false},     {&IDS_Burn_DiscType_DDCDR, true, false, false},
        {&IDS_Burn_DiscType_DDCDRW, true, true, false},        {&IDS_Burn_DiscType_DVDPLUSR, true, false, true},
        {&IDS_Burn_DiscType_NO_MEDIA, true, false, false},     {&IDS_Burn_DiscType_DVDPLUSR_DL, true, false, true},
        {&IDS_Burn_DiscType_DVDR_DL, true, false, true},       {&IDS_Burn_DiscType_BDR, true, false, false},
        {&IDS_Burn_DiscType_BDRE, true, true, false},          {&IDS_Burn_DiscType_HDDVDROM, false, false, false},
        {&IDS_Burn_DiscType_HDDVDR, true, false, false},       {&IDS_Burn_DiscType_HDDVDRW, true, true, false},
    };
    int V = static_cast<int>(DiscType);
    return V >= 0 && V < 22 ? &Rows[V] : nullptr;
}

}  // namespace

std::string DiscTypeName(DISC_TYPE DiscType) {
    const TDiscTypeRow* R = DiscTypeRow(DiscType);
    return R ? *R->Name : IDS_Burn_DiscType_Unknown;
}

bool IsWritableMedia(DISC_TYPE DiscType) {
    const TDiscTypeRow* R = DiscTypeRow(DiscType);
    return R && R->Writable;
}

bool IsRewritableMedia(DISC_TYPE DiscType) {
    const TDiscTypeRow* R = DiscTypeRow(DiscType);
    return R && R->Rewritable;
}

bool IsDvdMedia(DISC_TYPE DiscType) {
    const TDiscTypeRow* R = DiscTypeRow(DiscType);
    return R && R->Dvd;
}

// ---- Failure texts -------------------------------------------------------------------------
std::string sbFailureText(const std::string& Function, uint8_t ExceptionNumber, uint32_t SystemError,
                          const std::string& ExceptionText, TsbFailureTextForm Form) {
    // Built by concatenation: the library's text may hold '%'.
    if (Form == ftFreeSpace) return Function + "() failed, exception " + IntToStr(ExceptionNumber) + "\"";
    std::string S = Function + (Form == ftErase ? "" : "()") + " failed, exception " + IntToStr(ExceptionNumber) +
                    ", status " + IntToStr(SystemError) + ", text \"" + ExceptionText + "\"";
    if (Form == ftTray) S += "\\n";
    return S;
}

std::string TsbBurner::FailureText(const std::string& Function, TsbFailureTextForm Form) const {
    return sbFailureText(Function, ExceptionNumber, SystemError, CharArrayToString(ExceptionText, sizeof ExceptionText),
                         Form);
}

void TsbBurner::ClearCallResult() {
    ExceptionNumber = 0;
    SystemError = 0;
    ExceptionText[0] = 0;
    FailureInfo = BURNLIB_FAILURE_INFO{};
}

// ---- Erase progress ------------------------------------------------------------------------
uint32_t EraseTimerInterval(bool FullErase, int64_t TotalBytes, DISC_TYPE DiscType, uint32_t WriteSpeed) {
    double Bytes;
    if (FullErase)
        Bytes = static_cast<double>(TotalBytes);
    else
        Bytes = IsDvdMedia(DiscType) ? 471859200.0 : 47185920.0;
    // A drive that reports no current speed would make the interval infinite.
    double W = WriteSpeed ? WriteSpeed : (IsDvdMedia(DiscType) ? sbDVDSpeed1x : sbCDSpeed1x);
    double Ms = std::trunc(Bytes / 1024 / W / 100 * 1000);
    // A zero interval would stop the timer; cap far beyond any real erase.
    if (!(Ms >= 1)) return 1;
    if (Ms > 3600000) return 3600000;
    return static_cast<uint32_t>(Ms);
}

// ---- The engine ------------------------------------------------------------------------------
TsbBurner::TsbBurner()
    : DeviceFinder(std::make_unique<TsbDeviceFinder>()),
      FileList(std::make_unique<TStringList>()),
      AudioFiles(std::make_unique<TsbAudioFileList>()),
      WriteSpeeds(std::make_unique<TsbDiscSpeedList>()),
      ReadSpeeds(std::make_unique<TsbDiscReadSpeedList>()) {
    DeviceFinder->Transport = TransportType;
}

TsbBurner::~TsbBurner() {
    FileList.reset();
    DeviceFinder.reset();
    WriteSpeeds.reset();
    ReadSpeeds.reset();
    AudioFiles.reset();
    WaitForSpareThread();
    WaitForBurnThread();
    WaitForEraseThread();
    FreeFileTree();
    CloseDevice();
}

void TsbBurner::WaitForSpareThread() { sbWaitForSlot(SpareThread, SpareThreadHandle); }

void TsbBurner::SpareThreadTerminated(TObject*) { SpareThread = nullptr; }

void TsbBurner::WaitForBurnThread() {
    bool Waited = sbWaitForSlot(BurnThread, BurnThreadHandle);
    if (Waited) sbProcessMessages();
}

void TsbBurner::BurnThreadTerminated(TObject*) { BurnThread = nullptr; }

void TsbBurner::ForwardEvent(int Value, bool Flag) {
    if (OnEvent) OnEvent(this, Value, Flag);
}

void TsbBurner::WaitForEraseThread() { sbWaitForSlot(EraseThread, EraseThreadHandle); }

void TsbBurner::EraseThreadTerminated(TObject*) { EraseThread = nullptr; }

void TsbBurner::UseDevice(const TsbDeviceItem& E) {
    DiscInfo = E.DiscInfo;
    Address = E.Address;
    DiscSpace = E.DiscSpace;
    WriteModes = E.WriteModes;
    WriteModeExtra = E.WriteModeExtra;
    DiscType = E.DiscType;
    DeviceName = E.DeviceName;
    TransportType = E.TransportType;
    TrackInfo = E.TrackInfo;
    VolumeLabel = E.DiscLabel;
    DriveLetter = E.DriveLetter;
    OpenDevice();
    WriteSpeeds->FillWriteSpeeds(*this);
}

void TsbBurner::OpenDevice() {
    CloseDevice();
    sbLog("BurnLib_Recorder_Create (before create)");
    ClearCallResult();
    BURNLIB_HANDLE H = 0;
    if (TransportType == ttAspi)
        ExceptionNumber = BurnLibDll->BurnLib_Recorder_Create(&H, SB_ERRARGS(*this), Address.PortID, Address.BusID,
                                                              Address.TargetID, Address.LUN, BurnerCallback, nullptr, 0);
    else
        ExceptionNumber = BurnLibDll->BurnLib_Recorder_CreateEx(&H, SB_ERRARGS(*this), DeviceName.c_str(),
                                                                BurnerCallback, nullptr, 0);
    if (ExceptionNumber != 0) {
        LastError = FailureText("BurnLib_Recorder_Create");
        sbLog(LastError);
        throw Exception(LastError);
    }
    GrabberHandle = H;
    sbLog("BurnLib_Recorder_Create (after create): PortID:" + IntToStr(Address.PortID) + "," +
          "BusID:" + IntToStr(Address.BusID) + "," + "TargetID:" + IntToStr(Address.TargetID) + "," +
          "LUN:" + IntToStr(Address.LUN));
}

void TsbBurner::CloseDevice() {
    if (GrabberHandle) {
        sbLog("BurnLib_Destroy: Grabber");
        BurnLibDll->BurnLib_Destroy(GrabberHandle);
        GrabberHandle = 0;
    }
}

void TsbBurner::FreeFileTree() {
    if (FileTreeHandle) {
        sbLog("BurnLib_Destroy: FileTree");
        BurnLibDll->BurnLib_Destroy(FileTreeHandle);
        FileTreeHandle = 0;
    }
}

void TsbBurner::Eject() {
    if (!GrabberHandle) return;
    ReleaseTray();
    ClearCallResult();
    ExceptionNumber = BurnLibDll->BurnLib_Recorder_Eject(GrabberHandle, SB_ERRARGS(*this));
    if (ExceptionNumber != 0) {
        LastError = FailureText("BurnLib_Recorder_Eject");
        sbLog(LastError);
        sbStatus(IDS_Burn_Ejectfaile, sbMsgStepError);
    } else {
        sbStatus(IDS_Burn_Eject, sbMsgInfo);
    }
}

void TsbBurner::LoadTray() {
    if (!GrabberHandle) return;
    ClearCallResult();
    ExceptionNumber = BurnLibDll->BurnLib_Recorder_Load(GrabberHandle, SB_ERRARGS(*this));
    if (ExceptionNumber != 0) {
        LastError = FailureText("BurnLib_Recorder_Load");
        sbLog(LastError);
    }
}

void TsbBurner::LockTray() {
    ExceptionNumber = 0;
    if (!GrabberHandle) return;
    ClearCallResult();
    ExceptionNumber = BurnLibDll->BurnLib_Recorder_LockMedium(GrabberHandle, SB_ERRARGS(*this));
    if (ExceptionNumber != 0) {
        LastError = FailureText("BurnLib_Recorder_LockMedium", ftTray);
        sbLog(LastError);
        if (Application)
            Application->MessageBox(LastError, "Error", MB_OK | MB_ICONERROR);
        else
            MessageBoxA(/*hWnd=*/nullptr, LastError.c_str(), "Error", MB_OK | MB_ICONERROR);
    }
}

void TsbBurner::ReleaseTray() {
    ExceptionNumber = 0;
    if (!GrabberHandle) return;
    ClearCallResult();
    ExceptionNumber = BurnLibDll->BurnLib_Recorder_ReleaseMedium(GrabberHandle, SB_ERRARGS(*this));
    if (ExceptionNumber != 0) {
        LastError = FailureText("BurnLib_Recorder_ReleaseMedium", ftTray);
        sbLog(LastError);
    }
}

void TsbBurner::CloseSession() {
    sbProgress(this, 100);
    if (!GrabberHandle) return;
    sbLog("BurnLib_Recorder_CloseSession");
    ClearCallResult();
    ExceptionNumber = BurnLibDll->BurnLib_Recorder_CloseSession(GrabberHandle, SB_ERRARGS(*this));
    if (ExceptionNumber != 0) {
        LastError = FailureText("BurnLib_Recorder_CloseSession");
        sbStatus(IDS_Burn_CloseSessionFaile, sbMsgStepError);
    } else {
        sbStatus(IDS_Burn_CloseSession, sbMsgInfo);
    }
}

void TsbBurner::BurnVideo() {
    if (VideoBurnOptions.VideoKind > 2) return;
    sbProgress(this, 0);
    sbProcessMessages();
    WaitForBurnThread();

    auto* Worker = new TsbVideoBurnThread(this, VideoBurnOptions);  // frees itself
    BurnThreadHandle = sbDuplicateThreadHandle(*Worker);
    BurnThread = Worker;
    Worker->OnTerminate = [this](TObject* Sender) { BurnThreadTerminated(Sender); };
    Worker->Start();
    WaitForBurnThread();

    sbProgress(this, 100);
    // The write's own result decides: a cancel confirmed after the write had
    // ended found nothing to stop, and the burn is reported as done.
    if (Cancelled && Success) Cancelled = false;
    if (Cancelled) {
        sbStatus(IDS_Burn_BurnCancel, sbMsgInfo);
        Success = false;
        Cancelled = false;
        ReleaseTray();
        return;
    }
    if (!BurnOptions.TestMode) CloseSession();
    if (BurnOptions.EjectAfterBurn && !BurnOptions.TestMode)
        Eject();
    else
        ReleaseTray();
}

void TsbBurner::EraseDisc() {
    Success = true;
    ClearCallResult();
    ExceptionNumber = BurnLibDll->BurnLib_Recorder_SetSpeeds(GrabberHandle, SB_ERRARGS(*this), BURNLIB_SPEED_DEFAULT,
                                                             static_cast<uint32_t>(EraseOptions.Speed));
    if (ExceptionNumber != 0) {
        LastError = FailureText("BurnLib_Recorder_SetSpeeds");
        sbLog(LastError);
    }
    uint32_t CurRead = 0, MaxRead = 0, CurWrite = 0, MaxWrite = 0;
    ClearCallResult();
    ExceptionNumber = BurnLibDll->BurnLib_Recorder_GetSpeeds(GrabberHandle, SB_ERRARGS(*this), &CurRead, &MaxRead,
                                                             &CurWrite, &MaxWrite);
    if (ExceptionNumber != 0) CurWrite = 0;

    rtl::TScopeExit FreeEraseTimer([&] { FEraseTimer.reset(); });
    if (EraseOptions.ShowEraseProgress) {
        FEraseTimer = std::make_unique<TTimer>(nullptr);
        FEraseTimer->SetEnabled(false);
        FEraseTimer->SetInterval(
            EraseTimerInterval(EraseOptions.FullErase, DiscSpace.TotalBytes, DiscType, CurWrite));
        EraseTick = 0;
        FEraseTimer->SetOnTimer([this](TObject* Sender) { EraseTimerTick(Sender); });
        FEraseTimer->SetEnabled(true);
    }
    if (sbCallBackEventer) sbCallBackEventer->DoEraseProgress(this, 0);
    RunEraseThread();
    if (Success && sbCallBackEventer) sbCallBackEventer->DoEraseProgress(this, 100);
    FEraseTimer.reset();

    if (EraseOptions.EjectAfterErase) Eject();
    if (sbCallBackEventer) sbCallBackEventer->DoEraseDone(this, Success);
}

void TsbBurner::EraseTimerTick(TObject*) {
    ++EraseTick;
    if (EraseTick < 0) EraseTick = 0;
    if (EraseTick > 100) EraseTick = 100;
    if (sbCallBackEventer) sbCallBackEventer->DoEraseProgress(this, EraseTick);
}

void TsbBurner::RunEraseThread() {
    WaitForEraseThread();
    auto* Worker = new TsbEraseThread(this);  // frees itself
    EraseThreadHandle = sbDuplicateThreadHandle(*Worker);
    EraseThread = Worker;
    Worker->OnTerminate = [this](TObject* Sender) { EraseThreadTerminated(Sender); };
    Worker->Start();
    WaitForEraseThread();
}

void TsbBurner::CancelBurn() {
    // Raised before the library is told, so the worker that wakes from the
    // cancelled call already sees it and reports a cancel, not a failure.
    Cancelled = true;
    BURNLIB_HANDLE H = GrabberHandle;
    if (BurnOptions.WriteMode != 4 && H) {
        sbLog("BurnLib_Recorder_Cancel");
        BurnLibDll->BurnLib_Recorder_Cancel(H);
    }
}

// ---- Burn step helpers -----------------------------------------------------------------------
int64_t FileSizeByName(const std::string& Path) {
    std::error_code E;
    auto Size = fs::file_size(Path, E);
    return E ? -1 : static_cast<int64_t>(Size);
}

int64_t GetFolderSize(const std::string& Folder) {
    int64_t Total = 0;
    std::error_code E;
    fs::directory_iterator It(Folder, E), End;
    for (; !E && It != End; It.increment(E)) {
        std::error_code E2;
        // Linked folders are not followed: a link back up would never end.
        if (It->is_directory(E2) && !It->is_symlink(E2)) {
            Total += GetFolderSize(It->path().string());
        } else {
            int64_t Size = FileSizeByName(It->path().string());
            if (Size > 0) Total += Size;
        }
    }
    return Total;
}

bool IsFolderEmpty(const std::string& Folder) {
    std::error_code E;
    fs::directory_iterator It(IncludeTrailingPathDelimiter(Folder), E);
    return E || It == fs::directory_iterator();
}

std::string FindNameNoCase(const std::string& Folder, const std::string& Name) {
    std::error_code E;
    std::string Exact = IncludeTrailingPathDelimiter(Folder) + Name;
    if (fs::exists(Exact, E)) return Name;
    for (fs::directory_iterator It(IncludeTrailingPathDelimiter(Folder), E), End; !E && It != End; It.increment(E)) {
        std::string OnDisk = It->path().filename().string();
        if (SameText(OnDisk, Name)) return OnDisk;
    }
    return "";
}

bool CheckVideoTsFolder(const std::string& Folder) {
    // One listing, looked up by upper-cased name.
    std::map<std::string, std::string> Names;
    std::error_code E;
    for (fs::directory_iterator It(IncludeTrailingPathDelimiter(Folder), E), End; !E && It != End; It.increment(E)) {
        std::error_code E2;
        if (It->is_regular_file(E2)) {
            std::string OnDisk = It->path().filename().string();
            Names.emplace(UpperCase(OnDisk), OnDisk);
        }
    }
    auto Has = [&](const std::string& Name) { return Names.count(Name) != 0; };

    bool Result = true;
    if (Has("VIDEO_TS.VOB")) {
        if (!Has("VIDEO_TS.IFO") || !Has("VIDEO_TS.BUP")) return false;
    } else {
        Result = false;
    }
    for (int N = 1; N <= 99; ++N) {
        std::string Base = "VTS_" + Fmt("%.2d", N) + "_";
        if (!Has(Base + "0.VOB")) continue;
        if (!Has(Base + "0.IFO") || !Has(Base + "0.BUP") || !Has(Base + "1.VOB")) return false;
    }
    return Result;
}

bool PrepareBurner(TsbBurner& Engine) {
    bool Result = true;
    BURNLIB_HANDLE H = Engine.GrabberHandle;

    Engine.ClearCallResult();
    Engine.ExceptionNumber = BurnLibDll->BurnLib_Recorder_TestUnitReady(H, SB_ERRARGS(Engine));
    if (Engine.ExceptionNumber != 0) {
        Engine.LastError = Engine.FailureText("BurnLib_Recorder_TestUnitReady");
        sbLog(Engine.LastError);
        sbStatus(IDS_Main_deviceReadyfaile, sbMsgStepError);
        Result = false;
    }

    uint8_t Enabled = 0, Supported = 0;
    Engine.ClearCallResult();
    Engine.ExceptionNumber = BurnLibDll->BurnLib_Recorder_GetBUP(H, SB_ERRARGS(Engine), &Enabled, &Supported);
    if (Engine.ExceptionNumber != 0) {
        Engine.LastError = Engine.FailureText("BurnLib_Recorder_GetBUP");
        sbLog(Engine.LastError);
        sbStatus(IDS_Main_GetBUPfaile, sbMsgStepError);
    } else if (Supported && Engine.BurnOptions.BufferProtect) {
        sbLog("BurnLib_Recorder_SetBUP");
        Engine.ClearCallResult();
        Engine.ExceptionNumber = BurnLibDll->BurnLib_Recorder_SetBUP(H, SB_ERRARGS(Engine), 1);
        if (Engine.ExceptionNumber != 0) {
            Engine.LastError = Engine.FailureText("BurnLib_Recorder_SetBUP");
            sbLog(Engine.LastError);
            sbStatus(IDS_Main_SetBUPfaile, sbMsgStepError);
        } else {
            sbStatus(IDS_Main_SetBUPSuccess, sbMsgInfo);
        }
    }

    Engine.ClearCallResult();
    Engine.ExceptionNumber = BurnLibDll->BurnLib_Recorder_SetSpeeds(H, SB_ERRARGS(Engine), BURNLIB_SPEED_DEFAULT,
                                                                    static_cast<uint32_t>(Engine.BurnOptions.Speed));
    if (Engine.ExceptionNumber != 0) {
        Engine.LastError = Engine.FailureText("BurnLib_Recorder_SetSpeeds");
        sbLog(Engine.LastError);
        sbStatus(IDS_Main_SetSpeedFaile, sbMsgStepError);
        Result = false;
    } else {
        sbStatus(sbFormatText(IDS_Main_SetSpeedSuccess, {Engine.BurnOptions.Speed}), sbMsgInfo);
    }

    if (Engine.BurnOptions.OPC) {
        sbLog("BurnLib_Recorder_SendOPC");
        Engine.ClearCallResult();
        Engine.ExceptionNumber = BurnLibDll->BurnLib_Recorder_SendOPC(H, SB_ERRARGS(Engine));
        if (Engine.ExceptionNumber != 0) {
            Engine.LastError = Engine.FailureText("BurnLib_Recorder_SendOPC");
            sbLog(Engine.LastError);
            sbStatus(IDS_Main_SendOPCFalie, sbMsgStepError);
        } else {
            sbStatus(IDS_Main_SendOPCSuccess, sbMsgInfo);
        }
    }
    return Result;
}

// ---- Unit start-up ---------------------------------------------------------------------------
void BurnEngineStartup() {
    CheckBurnLibVersion();
    if (!sbLogger) sbLogger = std::make_unique<TsbLogger>();
}

void BurnEngineShutdown() { sbLogger.reset(); }
