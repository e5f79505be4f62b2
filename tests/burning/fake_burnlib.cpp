#include "fake_burnlib.h"

#include <chrono>
#include <cstring>
#include <thread>

namespace fakeburn {
namespace {

TScript TheScript;
TState TheStateObject;
TState* const TheState = &TheStateObject;

struct THandleInfo {
    BURNLIB_CALLBACK Callback = nullptr;
    void* Context = nullptr;
    std::string Name;
};
std::mutex HandleLock;
std::map<BURNLIB_HANDLE, THandleInfo> Handles;
BURNLIB_HANDLE NextHandle = 100;

void Record(const char* Name) {
    std::lock_guard<std::mutex> G(TheState->Lock);
    TheState->Calls.push_back(Name);
}

// Fills the error arguments when Name is scripted to fail.
uint8_t Answer(const char* Name, char* Text, uint32_t Size, uint32_t* Sys, BURNLIB_FAILURE_INFO* Info) {
    Record(Name);
    auto It = TheScript.Fail.find(Name);
    if (It == TheScript.Fail.end()) return BURNLIB_OK;
    if (Text && Size) {
        std::strncpy(Text, TheScript.FailText.c_str(), Size - 1);
        Text[Size - 1] = 0;
    }
    if (Sys) *Sys = TheScript.FailStatus;
    if (Info) {
        Info->ExceptionNumber = It->second;
        Info->SystemError = TheScript.FailStatus;
        std::strncpy(Info->Function, Name, sizeof Info->Function - 1);
    }
    return It->second;
}
#define ANSWER(Name) Answer(Name, ExceptionText, ExceptionTextSize, SystemError, FailureInfo)

const TDrive* DriveByName(const std::string& Name) {
    for (const TDrive& D : TheScript.Drives)
        if (D.Name == Name) return &D;
    return nullptr;
}

const TDrive* DriveOf(BURNLIB_HANDLE H) {
    std::lock_guard<std::mutex> G(HandleLock);
    auto It = Handles.find(H);
    return It == Handles.end() ? nullptr : DriveByName(It->second.Name);
}

BURNLIB_HANDLE NewHandle(const std::string& Name, BURNLIB_CALLBACK Callback, void* Context) {
    std::lock_guard<std::mutex> G(HandleLock);
    BURNLIB_HANDLE H = NextHandle++;
    Handles[H] = {Callback, Context, Name};
    ++TheState->OpenHandles;
    return H;
}

uint32_t GetVersion() {
    Record("BurnLib_GetVersion");
    return BurnLibExpectedVersion;
}
int32_t UpStartEx() {
    Record("BurnLib_UpStartEx");
    return 1;
}
int32_t FindDevice(int32_t, int32_t, BURNLIB_CALLBACK Callback, void* Context) {
    Record("BurnLib_FindDevice");
    int N = 0;
    for (TDrive D : TheScript.Drives) {
        Callback(BURNLIB_CB_DEVICE_FOUND, Context, &D.Address, const_cast<char*>(D.Name.c_str()));
        ++N;
    }
    return N;
}
uint8_t GetDeviceNameByDeviceAddress(uint8_t, uint8_t, uint8_t, uint8_t, char* Name, uint32_t Size) {
    Record("BurnLib_GetDeviceNameByDeviceAddress");
    std::strncpy(Name, "\\\\.\\/dev/sr9", Size - 1);
    return 0;
}
void SetFastReadTOC(int32_t) { Record("BurnLib_SetFastReadTOC"); }

uint8_t Create(BURNLIB_HANDLE* Handle, BURNLIB_ERROR_ARGS, uint8_t PortID, uint8_t BusID, uint8_t TargetID,
               uint8_t LUN, BURNLIB_CALLBACK Callback, void* Context, int32_t) {
    if (uint8_t R = ANSWER("BurnLib_Recorder_Create")) return R;
    for (const TDrive& D : TheScript.Drives)
        if (D.Address.PortID == PortID && D.Address.BusID == BusID && D.Address.TargetID == TargetID &&
            D.Address.LUN == LUN) {
            *Handle = NewHandle(D.Name, Callback, Context);
            return 0;
        }
    return BURNLIB_ERROR_NO_DRIVE;
}
uint8_t CreateEx(BURNLIB_HANDLE* Handle, BURNLIB_ERROR_ARGS, const char* DeviceName, BURNLIB_CALLBACK Callback,
                 void* Context, int32_t) {
    if (uint8_t R = ANSWER("BurnLib_Recorder_CreateEx")) return R;
    if (!DriveByName(DeviceName)) {
        std::strncpy(ExceptionText, "no such drive", ExceptionTextSize - 1);
        return BURNLIB_ERROR_NO_DRIVE;
    }
    *Handle = NewHandle(DeviceName, Callback, Context);
    return 0;
}
void Destroy(BURNLIB_HANDLE Handle) {
    Record("BurnLib_Destroy");
    std::lock_guard<std::mutex> G(HandleLock);
    if (Handles.erase(Handle)) --TheState->OpenHandles;
}
uint8_t GetDeviceInformation(BURNLIB_HANDLE H, char* Vendor, char* Product, char* Revision, uint32_t* BufferSize) {
    Record("BurnLib_Recorder_GetDeviceInformation");
    const TDrive* D = DriveOf(H);
    if (!D) return BURNLIB_ERROR_INVALID_HANDLE;
    std::strcpy(Vendor, D->Vendor.c_str());
    std::strcpy(Product, D->Product.c_str());
    std::strcpy(Revision, "1.0");
    *BufferSize = 2048;
    return 0;
}
uint8_t GetSupportedMediaFormats(BURNLIB_HANDLE H, uint8_t Flags[10]) {
    Record("BurnLib_Recorder_GetSupportedMediaFormats");
    const TDrive* D = DriveOf(H);
    if (D) std::memcpy(Flags, D->MediaFormats, 10);
    return 0;
}
uint8_t GetSupportedMediaFormatsExEx(BURNLIB_HANDLE, uint8_t Flags[6]) {
    Record("BurnLib_Recorder_GetSupportedMediaFormatsExEx");
    std::memset(Flags, 1, 6);
    return 0;
}
DISC_TYPE GetInsertedDiscType(BURNLIB_HANDLE H) {
    Record("BurnLib_Recorder_GetInsertedDiscType");
    const TDrive* D = DriveOf(H);
    return D ? D->DiscType : DISC_TYPE_UNKNOWN;
}
uint8_t GetDiscFreeSpace(BURNLIB_HANDLE, int32_t, uint32_t* Count, int64_t* Free) {
    Record("BurnLib_Recorder_GetDiscFreeSpace");
    if (auto It = TheScript.Fail.find("BurnLib_Recorder_GetDiscFreeSpace"); It != TheScript.Fail.end())
        return It->second;
    *Count = TheScript.FreeCount;
    *Free = TheScript.FreeBytes;
    return 0;
}
uint8_t TestUnitReady(BURNLIB_HANDLE H, BURNLIB_ERROR_ARGS) {
    if (TheScript.OnTestUnitReady) TheScript.OnTestUnitReady();
    if (uint8_t R = ANSWER("BurnLib_Recorder_TestUnitReady")) return R;
    const TDrive* D = DriveOf(H);
    return D && !D->Ready ? BURNLIB_ERROR_NO_MEDIUM : 0;
}
uint8_t ProbeWriteModes(BURNLIB_HANDLE, BURNLIB_ERROR_ARGS, uint8_t Modes[4]) {
    if (uint8_t R = ANSWER("BurnLib_Recorder_ProbeSupportedWriteModes")) return R;
    Modes[0] = 1, Modes[1] = 0, Modes[2] = 1, Modes[3] = 0;
    return 0;
}
uint8_t ProbeReadModes(BURNLIB_HANDLE, BURNLIB_ERROR_ARGS, uint8_t Modes[6]) {
    if (uint8_t R = ANSWER("BurnLib_Recorder_ProbeSupportedReadModes")) return R;
    std::memset(Modes, 1, 6);
    return 0;
}
uint8_t GetDiscInformation(BURNLIB_HANDLE, BURNLIB_ERROR_ARGS, BURNLIB_DISC_INFO* Info) {
    if (uint8_t R = ANSWER("BurnLib_Recorder_GetDiscInformation")) return R;
    *Info = BURNLIB_DISC_INFO{};
    Info->Sessions = 1;
    return 0;
}
uint8_t GetTrackInformation(BURNLIB_HANDLE, BURNLIB_ERROR_ARGS, uint32_t Track, BURNLIB_TRACK_INFO* Info) {
    if (uint8_t R = ANSWER("BurnLib_Recorder_GetTrackInformation")) return R;
    *Info = BURNLIB_TRACK_INFO{};
    Info->TrackNumber = static_cast<uint16_t>(Track);
    return 0;
}
uint8_t GetTOCInformation(BURNLIB_HANDLE, BURNLIB_ERROR_ARGS, BURNLIB_TOC_INFO* Info) {
    if (uint8_t R = ANSWER("BurnLib_Recorder_GetTOCInformation")) return R;
    Info->EntryCount = 0;
    return 0;
}
uint8_t GetRPC(BURNLIB_HANDLE, BURNLIB_ERROR_ARGS, char* O1, char* O2, char* O3, char* O4, char* O5) {
    if (uint8_t R = ANSWER("BurnLib_Recorder_GetRPC")) return R;
    O1[0] = 2, O2[0] = 5, O3[0] = 4, O4[0] = 1, O5[0] = 1;
    return 0;
}
uint8_t GetDiscUsedSpace(BURNLIB_HANDLE, BURNLIB_ERROR_ARGS, int64_t* Used) {
    if (uint8_t R = ANSWER("BurnLib_Recorder_GetDiscUsedSpace")) return R;
    *Used = TheScript.UsedBytes;
    return 0;
}
uint8_t GetSpeeds(BURNLIB_HANDLE, BURNLIB_ERROR_ARGS, uint32_t* CR, uint32_t* MR, uint32_t* CW, uint32_t* MW) {
    if (uint8_t R = ANSWER("BurnLib_Recorder_GetSpeeds")) return R;
    uint32_t W = TheState->LastSetWrite == 0xFFFF ? TheScript.MaxWrite : TheState->LastSetWrite;
    uint32_t Rd = TheState->LastSetRead == 0xFFFF ? TheScript.MaxRead : TheState->LastSetRead;
    *CW = TheScript.WriteSpeedFor ? TheScript.WriteSpeedFor(W) : W;
    *CR = TheScript.ReadSpeedFor ? TheScript.ReadSpeedFor(Rd) : Rd;
    *MR = TheScript.MaxRead;
    *MW = TheScript.MaxWrite;
    return 0;
}
uint8_t SetSpeeds(BURNLIB_HANDLE, BURNLIB_ERROR_ARGS, uint32_t Read, uint32_t Write) {
    if (uint8_t R = ANSWER("BurnLib_Recorder_SetSpeeds")) return R;
    TheState->LastSetRead = Read;
    TheState->LastSetWrite = Write;
    return 0;
}
uint8_t GetBUP(BURNLIB_HANDLE, BURNLIB_ERROR_ARGS, uint8_t* Enabled, uint8_t* Supported) {
    if (uint8_t R = ANSWER("BurnLib_Recorder_GetBUP")) return R;
    *Enabled = TheScript.BUPEnabled;
    *Supported = TheScript.BUPSupported;
    return 0;
}
uint8_t SetBUP(BURNLIB_HANDLE, BURNLIB_ERROR_ARGS, int32_t) { return ANSWER("BurnLib_Recorder_SetBUP"); }
uint8_t SendOPC(BURNLIB_HANDLE, BURNLIB_ERROR_ARGS) { return ANSWER("BurnLib_Recorder_SendOPC"); }
uint8_t LockMedium(BURNLIB_HANDLE, BURNLIB_ERROR_ARGS) { return ANSWER("BurnLib_Recorder_LockMedium"); }
uint8_t ReleaseMedium(BURNLIB_HANDLE, BURNLIB_ERROR_ARGS) { return ANSWER("BurnLib_Recorder_ReleaseMedium"); }
uint8_t Eject(BURNLIB_HANDLE, BURNLIB_ERROR_ARGS) { return ANSWER("BurnLib_Recorder_Eject"); }
uint8_t Load(BURNLIB_HANDLE, BURNLIB_ERROR_ARGS) { return ANSWER("BurnLib_Recorder_Load"); }
uint8_t Blank(BURNLIB_HANDLE, BURNLIB_ERROR_ARGS, int32_t EraseType) {
    TheState->LastBlankType = EraseType;
    if (TheScript.BlankMs) std::this_thread::sleep_for(std::chrono::milliseconds(TheScript.BlankMs));
    return ANSWER("BurnLib_Recorder_Blank");
}
uint8_t TrackAtOnceFromTree(BURNLIB_HANDLE H, BURNLIB_ERROR_ARGS, BURNLIB_HANDLE, int32_t, int32_t, int32_t, int32_t,
                            int32_t) {
    if (uint8_t R = ANSWER("BurnLib_Recorder_TrackAtOnceFromTree")) return R;
    THandleInfo Info;
    {
        std::lock_guard<std::mutex> G(HandleLock);
        Info = Handles[H];
    }
    TheState->Burning = true;
    if (TheScript.DuringBurn) TheScript.DuringBurn(Info.Callback, Info.Context);
    if (TheScript.BurnWaitsForCancel) {
        std::unique_lock<std::mutex> G(TheState->Lock);
        TheState->Changed.wait_for(G, std::chrono::seconds(10), [] { return TheState->Cancelled.load(); });
    }
    if (TheScript.BurnHeld) {
        std::unique_lock<std::mutex> G(TheState->Lock);
        TheState->Changed.wait_for(G, std::chrono::seconds(10), [] { return TheState->Released.load(); });
    }
    // A held burn was released: it wrote the whole disc, whatever came after.
    const bool Cancelled = TheState->Cancelled && !TheState->Released;
    TheState->Burning = false;
    if (Cancelled) {
        std::strncpy(ExceptionText, "cancelled", ExceptionTextSize - 1);
        return BURNLIB_ERROR_CANCELLED;
    }
    return 0;
}
uint8_t CloseSession(BURNLIB_HANDLE, BURNLIB_ERROR_ARGS) { return ANSWER("BurnLib_Recorder_CloseSession"); }
void Cancel(BURNLIB_HANDLE) {
    Record("BurnLib_Recorder_Cancel");
    std::lock_guard<std::mutex> G(TheState->Lock);
    TheState->Cancelled = true;
    TheState->Changed.notify_all();
}
uint8_t VideoCD(BURNLIB_HANDLE, BURNLIB_ERROR_ARGS, const char*, const char*, int32_t, int32_t, int32_t, int32_t,
                int32_t) {
    return ANSWER("BurnLib_Recorder_VideoCD");
}
uint8_t SuperVideoCD(BURNLIB_HANDLE, BURNLIB_ERROR_ARGS, const char*, const char*, int32_t, int32_t, int32_t, int32_t,
                     int32_t) {
    return ANSWER("BurnLib_Recorder_SuperVideoCD");
}
uint8_t DVDVideoCreate(BURNLIB_HANDLE* DVDVideo, const char* Folder, int32_t, char* ExceptionText,
                       uint32_t ExceptionTextSize, uint32_t* SystemError, const char* VolumeLabel, const char*,
                       const char*, uint16_t, uint16_t, uint16_t, uint16_t, uint16_t, uint16_t, uint16_t) {
    TheState->LastVideoTsFolder = Folder;
    TheState->LastVolumeLabel = VolumeLabel;
    if (uint8_t R = Answer("BurnLib_DVDVideo_Create", ExceptionText, ExceptionTextSize, SystemError, nullptr))
        return R;
    *DVDVideo = NewHandle("dvd", nullptr, nullptr);
    return 0;
}
BURNLIB_HANDLE GetTreePointer(BURNLIB_HANDLE DVDVideo) {
    Record("BurnLib_DVDVideo_GetTreePointer");
    return DVDVideo + 1000;
}
void DVDVideoDestroy(BURNLIB_HANDLE DVDVideo) {
    Record("BurnLib_DVDVideo_Destroy");
    std::lock_guard<std::mutex> G(HandleLock);
    if (Handles.erase(DVDVideo)) --TheState->OpenHandles;
}

const TBurnLibCalls Calls_ = {
    GetVersion,         UpStartEx,       FindDevice,      GetDeviceNameByDeviceAddress,
    SetFastReadTOC,     Create,          CreateEx,        Destroy,
    GetDeviceInformation, GetSupportedMediaFormats, GetSupportedMediaFormatsExEx, GetInsertedDiscType,
    GetDiscFreeSpace,   TestUnitReady,   ProbeWriteModes, ProbeReadModes,
    GetDiscInformation, GetTrackInformation, GetTOCInformation, GetRPC,
    GetDiscUsedSpace,   GetSpeeds,       SetSpeeds,       GetBUP,
    SetBUP,             SendOPC,         LockMedium,      ReleaseMedium,
    Eject,              Load,            Blank,           TrackAtOnceFromTree,
    CloseSession,       Cancel,          VideoCD,         SuperVideoCD,
    DVDVideoCreate,     GetTreePointer,  DVDVideoDestroy,
};

}  // namespace

TScript& Script() { return TheScript; }
TState& State() { return *TheState; }

void Install() {
    TheScript = TScript{};
    TheScript.Drives.push_back(TDrive{"CDROM0"});
    {
        std::lock_guard<std::mutex> G(TheState->Lock);
        TheState->Calls.clear();
    }
    TheState->Cancelled = false;
    TheState->Released = false;
    TheState->Burning = false;
    TheState->LastSetRead = TheState->LastSetWrite = 0;
    TheState->LastBlankType = -1;
    {
        std::lock_guard<std::mutex> G(HandleLock);
        Handles.clear();
        TheState->OpenHandles = 0;
    }
    SetBurnLibCalls(&Calls_);
}

void Remove() { SetBurnLibCalls(nullptr); }

std::vector<std::string> Calls() {
    std::lock_guard<std::mutex> G(TheState->Lock);
    return TheState->Calls;
}

int CountOf(const std::string& Name) {
    int N = 0;
    for (const std::string& C : Calls()) N += C == Name;
    return N;
}

void ReleaseBurn() {
    std::lock_guard<std::mutex> G(TheState->Lock);
    TheState->Released = true;
    TheState->Changed.notify_all();
}

}  // namespace fakeburn
