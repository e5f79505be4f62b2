// Drive discovery, the drive probe of the library's callback and the speed lists.
#include <cstring>

#include "burning/burn_engine.h"
#include "burning/burn_internal.h"
#include "burning/scan_dialog.h"
#include "core/globals.h"
#include "core/ui_texts.h"
#include "platform/system/shell.h"

std::string CharArrayToString(const char* Chars, size_t Size) {
    if (!Chars) return "";
    size_t N = 0;
    while (N < Size && Chars[N]) ++N;
    return std::string(Chars, N);
}

std::string DeviceNameToDrive(const TsbDeviceAddress& Address, const std::string& Name) {
    // Drives found by name have no letter here: nothing maps names to letters.
    if (!Name.empty()) return "";
    sbLog("BurnLib_GetDeviceNameByDeviceAddress");
    char Buffer[1024] = {};
    if (BurnLibDll->BurnLib_GetDeviceNameByDeviceAddress(Address.PortID, Address.BusID, Address.TargetID,
                                                         Address.LUN, Buffer, sizeof Buffer) != 0)
        return "";
    std::string S = CharArrayToString(Buffer, sizeof Buffer);
    return S.size() > 4 ? S.substr(4) : "";
}

// ---- Speed lists ---------------------------------------------------------------------------
TsbDiscSpeedItem* TsbDiscSpeedList::FindBySpeedInPoint(int32_t Factor) const {
    for (int I = 0; I < Count(); ++I)
        if (Items(I)->SpeedInPoint == Factor) return Items(I);
    return nullptr;
}

void TsbDiscSpeedList::UpdateSpeedTexts() {
    for (int I = 0; I < Count(); ++I) {
        TsbDiscSpeedItem* It = Items(I);
        It->StrSpeed = Fmt("%d.0x", It->SpeedInPoint) + " (" + IntToStr(It->SpeedInSize) + " KB/sec)";
    }
}

bool TsbDiscSpeedList::ProbeStart(TsbBurner& Engine, uint32_t& CurRead, uint32_t& CurWrite) {
    BURNLIB_HANDLE H = Engine.GrabberHandle;
    Clear();

    sbLog("BurnLib_Recorder_TestUnitReady");
    Engine.ClearCallResult();
    Engine.ExceptionNumber = BurnLibDll->BurnLib_Recorder_TestUnitReady(H, SB_ERRARGS(Engine));
    if (Engine.ExceptionNumber != 0) sbLog(Engine.FailureText("BurnLib_Recorder_TestUnitReady"));

    sbLog("BurnLib_Recorder_GetDiscInformation");
    BURNLIB_DISC_INFO Scratch{};
    Engine.ClearCallResult();
    Engine.ExceptionNumber = BurnLibDll->BurnLib_Recorder_GetDiscInformation(H, SB_ERRARGS(Engine), &Scratch);
    if (Engine.ExceptionNumber != 0) sbLog(Engine.FailureText("BurnLib_Recorder_GetDiscInformation"));

    sbLog("BurnLib_Recorder_SetSpeeds: ReadSpeed: " + IntToStr(65535) + "," + "WriteSpeed: " + IntToStr(65535));
    Engine.ClearCallResult();
    Engine.ExceptionNumber =
        BurnLibDll->BurnLib_Recorder_SetSpeeds(H, SB_ERRARGS(Engine), BURNLIB_SPEED_DEFAULT, BURNLIB_SPEED_DEFAULT);
    if (Engine.ExceptionNumber != 0) {
        Engine.LastError = Engine.FailureText("BurnLib_Recorder_SetSpeeds");
        sbLog(Engine.LastError);
    }

    sbLog("BurnLib_Recorder_GetSpeeds");
    uint32_t MaxRead = 0, MaxWrite = 0;
    Engine.ClearCallResult();
    Engine.ExceptionNumber =
        BurnLibDll->BurnLib_Recorder_GetSpeeds(H, SB_ERRARGS(Engine), &CurRead, &MaxRead, &CurWrite, &MaxWrite);
    MaxReadSpeed = MaxRead;
    MaxWriteSpeed = MaxWrite;
    if (Engine.ExceptionNumber != 0) {
        sbLog(Engine.FailureText("BurnLib_Recorder_GetSpeeds"));
        return false;
    }
    sbLog("BurnLib_Recorder_GetSpeeds: CurrentReadSpeed: " + IntToStr(CurRead) + "," +
          "MaximumReadSpeed: " + IntToStr(MaxRead) + "," + "CurrentWriteSpeed: " + IntToStr(CurWrite) + "," +
          "MaximumWriteSpeed: " + IntToStr(MaxWrite));
    return true;
}

void TsbDiscSpeedList::FillWriteSpeeds(TsbBurner& Engine) {
    uint32_t CurRead = 0, CurWrite = 0;
    ProbeStart(Engine, CurRead, CurWrite);
    bool Dvd = IsDvdMedia(Engine.DiscType);
    const uint32_t* Table = Dvd ? sbDVDSpeeds : sbCDSpeeds;
    size_t N = Dvd ? std::size(sbDVDSpeeds) : std::size(sbCDSpeeds);
    uint32_t Unit = Dvd ? sbDVDSpeed1x : sbCDSpeed1x;
    BURNLIB_HANDLE H = Engine.GrabberHandle;
    for (size_t I = 0; I < N; ++I) {
        Engine.ClearCallResult();
        BurnLibDll->BurnLib_Recorder_SetSpeeds(H, SB_ERRARGS(Engine), CurRead, Table[I]);
        uint32_t R = CurRead, MR = 0, W = CurWrite, MW = 0;
        Engine.ClearCallResult();
        // A failed query keeps the speeds last reported.
        if (BurnLibDll->BurnLib_Recorder_GetSpeeds(H, SB_ERRARGS(Engine), &R, &MR, &W, &MW) == 0) {
            CurRead = R;
            CurWrite = W;
        }
        int32_t Key = static_cast<int32_t>(CurWrite / Unit);
        if (!FindBySpeedInPoint(Key)) {
            TsbDiscSpeedItem* It = Add();
            It->SpeedInPoint = Key;
            It->SpeedInSize = static_cast<int32_t>(CurWrite);
        }
    }
    UpdateSpeedTexts();
}

void TsbDiscReadSpeedList::FillReadSpeeds(TsbBurner& Engine) {
    uint32_t CurRead = 0, CurWrite = 0;
    if (!ProbeStart(Engine, CurRead, CurWrite)) throw Exception(Engine.FailureText("BurnLib_Recorder_GetSpeeds"));
    bool Dvd = IsDvdMedia(Engine.DiscType);
    const uint32_t* Table = Dvd ? sbDVDSpeeds : sbCDSpeeds;
    size_t N = Dvd ? std::size(sbDVDSpeeds) : std::size(sbCDSpeeds);
    uint32_t Unit = Dvd ? sbDVDSpeed1x : sbCDSpeed1x;
    BURNLIB_HANDLE H = Engine.GrabberHandle;
    for (size_t I = 0; I < N; ++I) {
        Engine.ClearCallResult();
        BurnLibDll->BurnLib_Recorder_SetSpeeds(H, SB_ERRARGS(Engine), Table[I], CurWrite);
        uint32_t R = CurRead, MR = 0, W = CurWrite, MW = 0;
        Engine.ClearCallResult();
        if (BurnLibDll->BurnLib_Recorder_GetSpeeds(H, SB_ERRARGS(Engine), &R, &MR, &W, &MW) == 0) {
            CurRead = R;
            CurWrite = W;
        }
        int32_t Key = static_cast<int32_t>(CurRead / Unit);
        if (!FindBySpeedInPoint(Key)) {
            TsbDiscSpeedItem* It = Add();
            It->SpeedInPoint = Key;
            It->SpeedInSize = static_cast<int32_t>(CurRead);
        }
    }
    UpdateSpeedTexts();
}

// ---- Device finder -------------------------------------------------------------------------
TsbDeviceFinder::TsbDeviceFinder() : Devices(std::make_unique<TsbDeviceList>()) {}

TsbDeviceFinder::~TsbDeviceFinder() {
    WaitForScan();
    Devices.reset();
}

void TsbDeviceFinder::WaitForScan() { sbWaitForSlot(ScanThread, ScanThreadHandle); }

void TsbDeviceFinder::ScanThreadTerminated(TObject*) { ScanThread = nullptr; }

void TsbDeviceFinder::CancelScan(TObject*) { Devices->Cancelled = true; }

void TsbDeviceFinder::FindDevices(bool WithDialog) {
    Devices->Cancelled = false;
    std::unique_ptr<TfrmOperationProgress> Dialog;
    if (WithDialog) {
        Dialog = std::make_unique<TfrmOperationProgress>(nullptr);
        Dialog->SetCaption(IDS_burn_Info_ScanningDevices);
        Dialog->SetCancelVisible(true);
        Dialog->lblInfo->SetCaption(InfoText);
        Dialog->Show();
        Dialog->OnCancel = [this](TObject* Sender) { CancelScan(Sender); };
        if (Application) Application->ProcessMessages();
    }
    // A scan still running would be filling the list being cleared.
    WaitForScan();
    Devices->Clear();
    Devices->Transport = Transport;
    auto* Worker = new TsbDeviceFinderThread(Devices.get());  // frees itself
    ScanThreadHandle = sbDuplicateThreadHandle(*Worker);
    ScanThread = Worker;
    Worker->OnTerminate = [this](TObject* Sender) { ScanThreadTerminated(Sender); };
    Worker->Start();
    WaitForScan();
    if (Dialog) Dialog->Hide();  // the unique_ptr frees it, also when an exception passes
}

TsbDiscSpace TsbDeviceFinder::GetDiscSpace(TsbDeviceItem& Entry) {
    TsbDiscSpace Result;
    char Text[BURNLIB_EXCEPTION_TEXT_SIZE] = {};
    uint32_t Sys = 0;
    BURNLIB_FAILURE_INFO Info{};
    BURNLIB_HANDLE H = 0;
    uint8_t R;
    const char* Name;
    if (Entry.TransportType == ttSpti) {
        Name = "BurnLib_Recorder_CreateEx";
        R = BurnLibDll->BurnLib_Recorder_CreateEx(&H, Text, sizeof Text, &Sys, &Info, Entry.DeviceName.c_str(), nullptr,
                                                  nullptr, 1);
    } else {
        Name = "BurnLib_Recorder_Create";
        R = BurnLibDll->BurnLib_Recorder_Create(&H, Text, sizeof Text, &Sys, &Info, Entry.Address.PortID,
                                                Entry.Address.BusID, Entry.Address.TargetID, Entry.Address.LUN, nullptr,
                                                nullptr, 1);
    }
    if (R != 0) {
        sbLog(sbFailureText(Name, R, Sys, CharArrayToString(Text, sizeof Text)));
        return Result;
    }
    uint32_t Count = 0;
    int64_t Free = 0;
    R = BurnLibDll->BurnLib_Recorder_GetDiscFreeSpace(H, 3, &Count, &Free);
    if (R != 0) sbLog(sbFailureText("BurnLib_Recorder_GetDiscFreeSpace", R, 0, "", ftFreeSpace));
    int64_t Used = 0;
    Text[0] = 0;
    Sys = 0;
    uint8_t RU = BurnLibDll->BurnLib_Recorder_GetDiscUsedSpace(H, Text, sizeof Text, &Sys, &Info, &Used);
    if (RU != 0) sbLog(sbFailureText("BurnLib_Recorder_GetDiscUsedSpace", RU, Sys, CharArrayToString(Text, sizeof Text)));
    Result.FreeBytes = Free;
    Result.TotalBytes = Free + Used;
    Result.UsedBytes = Used;
    Result.FreeCount = Count;
    BurnLibDll->BurnLib_Destroy(H);
    return Result;
}

// ---- Scan worker --------------------------------------------------------------------------
TsbDeviceFinderThread::TsbDeviceFinderThread(TsbDeviceList* ADevices)
    : Devices(ADevices), Transport(ADevices->Transport) {
    FreeOnTerminate = true;
}

void TsbDeviceFinderThread::DoTerminate() {
    if (OnTerminate) OnTerminate(this);
}

void TsbDeviceFinderThread::Execute() {
    if (Transport == ttSpti) {
        for (int N = 0; N <= 20; ++N) {
            std::string Name = "CDROM" + IntToStr(N);
            char Text[BURNLIB_EXCEPTION_TEXT_SIZE] = {};
            uint32_t Sys = 0;
            BURNLIB_FAILURE_INFO Info{};
            BURNLIB_HANDLE H = 0;
            if (BurnLibDll->BurnLib_Recorder_CreateEx(&H, Text, sizeof Text, &Sys, &Info, Name.c_str(), nullptr, nullptr,
                                                      1) == 0) {
                BurnLibDll->BurnLib_Destroy(H);
                BurnerCallback(BURNLIB_CB_DEVICE_FOUND, Devices, /*Special1=*/nullptr, const_cast<char*>(Name.c_str()));
            }
        }
    } else {
        sbLog("BurnLib_FindDevice");
        BurnLibDll->BurnLib_FindDevice(5, 0, BurnerCallback, Devices);
    }
}

// The probe of a found drive (callback kind 10, on the scan worker).
void sbProbeFoundDevice(TsbDeviceList& Devices, const TsbDeviceAddress* Address, const char* DeviceName) {
    if (Devices.Cancelled) return;
    char Text[BURNLIB_EXCEPTION_TEXT_SIZE] = {};
    uint32_t Sys = 0;
    BURNLIB_FAILURE_INFO Info{};
    BURNLIB_HANDLE H = 0;
    TsbDeviceItem* Entry = nullptr;
    std::string Name = DeviceName ? DeviceName : "";
    auto Failed = [&](const char* Function, uint8_t R) {
        Devices.LastError = sbFailureText(Function, R, Sys, CharArrayToString(Text, sizeof Text));
        sbLog(Devices.LastError);
        sbStatus(Devices.LastError, sbMsgError);
    };
    TsbDeviceAddress Addr = Address ? *Address : TsbDeviceAddress{};

    if (Devices.Transport == ttAspi) {
        if (Addr.Flag) {
            Entry = Devices.Add();
            Entry->Address = Addr;
        }
        sbLog("BurnLib_Recorder_Create (before create)");
        uint8_t R = BurnLibDll->BurnLib_Recorder_Create(&H, Text, sizeof Text, &Sys, &Info, Addr.PortID, Addr.BusID,
                                                        Addr.TargetID, Addr.LUN, nullptr, nullptr, 1);
        if (R != 0) {
            H = 0;
            Failed("BurnLib_Recorder_Create", R);
        } else {
            sbLog("BurnLib_Recorder_Create (after create): PortID:" + IntToStr(Addr.PortID) + "," + "BusID:" +
                  IntToStr(Addr.BusID) + "," + "TargetID:" + IntToStr(Addr.TargetID) + "," + "LUN:" +
                  IntToStr(Addr.LUN));
            if (!Entry) {
                Entry = Devices.Add();
                Entry->Address = Addr;
            }
            Entry->TransportType = ttAspi;
        }
    } else {
        uint8_t R = BurnLibDll->BurnLib_Recorder_CreateEx(&H, Text, sizeof Text, &Sys, &Info, Name.c_str(), nullptr,
                                                          nullptr, 1);
        if (R != 0) {
            H = 0;
            Failed("BurnLib_Recorder_CreateEx", R);
        } else {
            Entry = Devices.Add();
            Entry->DeviceName = Name;
            Entry->TransportType = ttSpti;
        }
    }
    Devices.LastError.clear();
    if (!H) return;

    auto Reset = [&] {
        Text[0] = 0;
        Sys = 0;
        Info = BURNLIB_FAILURE_INFO{};
    };
    Entry->DriveLetter = DeviceNameToDrive(Devices.Transport == ttAspi ? Addr : TsbDeviceAddress{}, Name);

    sbLog("BurnLib_Recorder_GetDeviceInformation");
    char Vendor[1024] = {}, Product[1024] = {}, Revision[1024] = {};
    uint32_t BufferSize = 0;
    BurnLibDll->BurnLib_Recorder_GetDeviceInformation(H, Vendor, Product, Revision, &BufferSize);
    Entry->Vendor = CharArrayToString(Vendor, sizeof Vendor);
    Entry->Product = CharArrayToString(Product, sizeof Product);
    Entry->ProductRevisionLevel = CharArrayToString(Revision, sizeof Revision);
    Entry->BufferSize = BufferSize;

    sbLog("BurnLib_Recorder_GetSupportedMediaFormats");
    uint8_t Formats[10] = {};
    BurnLibDll->BurnLib_Recorder_GetSupportedMediaFormats(H, Formats);
    for (int I = 0; I < 10; ++I) Entry->MediaFormats[I] = Formats[I] != 0;
    sbLog("BurnLib_Recorder_GetSupportedMediaFormatsExEx");
    uint8_t FormatsEx[6] = {};
    BurnLibDll->BurnLib_Recorder_GetSupportedMediaFormatsExEx(H, FormatsEx);
    for (int I = 0; I < 6; ++I) Entry->MediaFormatsEx[I] = FormatsEx[I] != 0;

    sbLog("BurnLib_Recorder_ProbeSupportedWriteModes");
    uint8_t WModes[4] = {};
    Reset();
    if (BurnLibDll->BurnLib_Recorder_ProbeSupportedWriteModes(H, Text, sizeof Text, &Sys, &Info, WModes) == 0) {
        Entry->WriteModes = {WModes[0] != 0, WModes[1] != 0, WModes[2] != 0, WModes[3] != 0};
        Entry->WriteModeExtra = Entry->MediaFormats[5];
    }

    sbLog("BurnLib_Recorder_ProbeSupportedReadModes");
    uint8_t RModes[6] = {};
    Reset();
    bool ReadOk = BurnLibDll->BurnLib_Recorder_ProbeSupportedReadModes(H, Text, sizeof Text, &Sys, &Info, RModes) == 0;
    for (int I = 0; I < 6; ++I) Entry->ReadModes[I] = ReadOk && RModes[I] != 0;

    sbLog("BurnLib_Recorder_TestUnitReady");
    Reset();
    bool Ready = BurnLibDll->BurnLib_Recorder_TestUnitReady(H, Text, sizeof Text, &Sys, &Info) == 0;
    Entry->DiscType = DISC_TYPE_NO_MEDIA;

    if (Ready && !Devices.Cancelled) {
        sbLog("BurnLib_Recorder_GetInsertedDiscType");
        Entry->DiscType = BurnLibDll->BurnLib_Recorder_GetInsertedDiscType(H);
        Entry->DiscLabel.clear();
        if (!Entry->DriveLetter.empty()) {
            char Label[257] = {};
            if (GetVolumeInformationA((Entry->DriveLetter + "/").c_str(), Label, 256, /*lpVolumeSerialNumber=*/nullptr,
                                      /*lpMaximumComponentLength=*/nullptr, /*lpFileSystemFlags=*/nullptr,
                                      /*lpFileSystemNameBuffer=*/nullptr, 0))
                Entry->DiscLabel = CharArrayToString(Label, sizeof Label);
        }
        sbLog("BurnLib_Recorder_GetDiscInformation");
        BURNLIB_DISC_INFO Disc{};
        Reset();
        if (BurnLibDll->BurnLib_Recorder_GetDiscInformation(H, Text, sizeof Text, &Sys, &Info, &Disc) != 0) {
            sbStatus(IDS_burn_Info_GetMideaFailed, sbMsgStepError);
        } else {
            Entry->DiscInfo = Disc;
            sbLog("BurnLib_Recorder_GetTrackInformation");
            Reset();
            BurnLibDll->BurnLib_Recorder_GetTrackInformation(H, Text, sizeof Text, &Sys, &Info, 255, &Entry->TrackInfo);
            BurnLibDll->BurnLib_SetFastReadTOC(1);
            sbLog("BurnLib_Recorder_GetTOCInformation");
            Reset();
            BurnLibDll->BurnLib_Recorder_GetTOCInformation(H, Text, sizeof Text, &Sys, &Info, Entry->TocInfo.get());
        }
    }

    if (Entry->MediaFormats[2]) {
        sbLog("BurnLib_Recorder_GetRPC");
        char Out[5][260] = {};
        Reset();
        if (BurnLibDll->BurnLib_Recorder_GetRPC(H, Text, sizeof Text, &Sys, &Info, Out[0], Out[1], Out[2], Out[3],
                                                Out[4]) == 0) {
            Entry->DVDRPC.Present = true;
            for (int I = 0; I < 5; ++I) Entry->DVDRPC.Values[I] = IntToStr(static_cast<uint8_t>(Out[I][0]));
        }
    }

    sbLog("BurnLib_Destroy: Grabber");
    BurnLibDll->BurnLib_Destroy(H);
    if (Devices.Cancelled && Devices.Count() > 0) Devices.Delete(Devices.Count() - 1);
}

void TsbDeviceFinder::ListWriters(TStrings& Items) {
    Items.Clear();
    for (int I = 0; I < Devices->Count(); ++I) {
        TsbDeviceItem* E = Devices->GetItem(I);
        if (!E->MediaFormats[6]) continue;  // not a DVD writer
        Items.AddObject(E->DriveLetter + E->Product + E->Vendor, E);
        if (E->DiscType != DISC_TYPE_NO_MEDIA) E->DiscSpace = GetDiscSpace(*E);
    }
}
