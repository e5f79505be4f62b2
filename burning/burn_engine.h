// The burning engine: one open drive of the burning library, the settings of
// the next burn and erase, drive discovery and speed lists, the workers that
// burn, erase and scan, and the library's callback. Callers set the option
// records directly and call the operations on the GUI thread; burning, erasing
// and scanning run on a worker while the operation waits with message
// processing, so each operation returns when its work is done.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "burning/burnlib_binding.h"
#include "burning/sb_logger.h"
#include "platform/classlib/classes_ext.h"
#include "platform/classlib/threads.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/windef.h"

class TTimer;
class TsbBurner;

// ---- Records -----------------------------------------------------------------
enum TsbTransportType { ttAspi, ttSpti };  // ttAspi: by SCSI address, ttSpti: by device name

struct TsbDeviceAddress {
    uint8_t Flag = 0;  // non-zero when the library reported a drive here
    uint8_t PortID = 0, BusID = 0, TargetID = 0, LUN = 0;
};

struct TsbEraseOptions {
    bool FullErase = false;
    int32_t SpeedFactor = 1;
    int32_t Speed = 176;  // KB/s
    bool EjectAfterErase = false;
    bool ShowEraseProgress = true;
};

struct TsbBurnOptions {
    uint8_t WriteMode = 0;
    bool TestMode = false;
    bool NextSessionAllowed = true;
    bool OPC = false;
    bool EjectAfterBurn = true;
    bool CDROMXA = false;
    bool BufferProtect = true;
    uint8_t Reserved1 = 0;  // copied unchanged by callers
    int32_t SpeedFactor = 0;
    int32_t Speed = 0;  // KB/s
    uint32_t Reserved2 = 0;  // copied unchanged by callers
};

struct TsbDiscSpace {
    int64_t FreeBytes = 0;
    int64_t TotalBytes = 0;  // FreeBytes + UsedBytes
    int64_t UsedBytes = 0;
    int64_t FreeCount = 0;  // the free-space call's block count
};

// In the order the library's write-mode probe answers them.
struct TsbWriteModes {
    bool TrackAtOnce = true;
    bool SessionAtOnce = true;
    bool DiscAtOncePQ = true;
    bool DiscAtOnceRawPW = true;
};

struct TsbVideoBurnOptions {
    bool Used = false;
    uint8_t VideoKind = 0;  // 0 Video CD, 1 Super Video CD, 2 DVD-Video
    std::string SourcePath;     // the Video CD source
    std::string VideoTsFolder;  // the VIDEO_TS folder
    std::string VolumeLabel;
    std::string AuxText;
    uint16_t Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

enum TsbAudioFileType { atMP3, atWAV, atOGG, atWMA };

class TsbAudioFile : public TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;
    std::string FileName, Title, Artist, FormatStr, Album, Genre;
    int32_t Year = 0, Size = 0, Duration = 0;
    TsbAudioFileType FileType = atMP3;
    bool Valid = true;
    bool BurnAfterDelete = false;
};

class TsbAudioFileList : public TCollectionOf<TsbAudioFile> {};

// ---- Disc types -------------------------------------------------------------------
// DISC_TYPE and its values come with the library's header.
std::string DiscTypeName(DISC_TYPE DiscType);  // "Unknown" outside the table
bool IsWritableMedia(DISC_TYPE DiscType);
bool IsRewritableMedia(DISC_TYPE DiscType);
bool IsDvdMedia(DISC_TYPE DiscType);

// ---- Failure texts ------------------------------------------------------------------
enum TsbFailureTextForm {
    ftStandard,   // Name() failed, exception %d, status %d, text "%s"
    ftErase,      // no "()" after the name
    ftTray,       // lock and release: ends with the two characters \n
    ftFreeSpace,  // Name() failed, exception %d"
};
std::string sbFailureText(const std::string& Function, uint8_t ExceptionNumber, uint32_t SystemError,
                          const std::string& ExceptionText, TsbFailureTextForm Form = ftStandard);

// ---- Speeds ------------------------------------------------------------------------------
class TsbDiscSpeedItem : public TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;
    int32_t SpeedInPoint = 1;  // multiple of 1x
    int32_t SpeedInSize = 176;  // KB/s
    std::string StrSpeed;
};

class TsbDiscSpeedList : public TCollectionOf<TsbDiscSpeedItem> {
public:
    uint32_t MaxReadSpeed = 0;
    uint32_t MaxWriteSpeed = 0;
    TsbDiscSpeedItem* GetItem(int Index) const { return Items(Index); }
    TsbDiscSpeedItem* FindBySpeedInPoint(int32_t Factor) const;
    void UpdateSpeedTexts();
    // Refills the list by trying the speed table on the engine's open drive.
    virtual void FillWriteSpeeds(TsbBurner& Engine);

protected:
    // Steps shared by both probes; false when the speeds could not be read.
    bool ProbeStart(TsbBurner& Engine, uint32_t& CurRead, uint32_t& CurWrite);
};

class TsbDiscReadSpeedList : public TsbDiscSpeedList {
public:
    // Raises when the speeds cannot be read.
    void FillWriteSpeeds(TsbBurner& Engine) override { FillReadSpeeds(Engine); }
    void FillReadSpeeds(TsbBurner& Engine);
};

// Speeds the probes try, in KB/s.
inline constexpr uint32_t sbCDSpeeds[16] = {176,  353,  387,  528,  706,  1056, 1400, 1760,
                                            2112, 2800, 3250, 4224, 7040, 7744, 8448, 9152};
inline constexpr uint32_t sbDVDSpeeds[10] = {1385, 2770, 3324, 4155, 5540, 6925, 8310, 11080, 16620, 22160};
constexpr uint32_t sbCDSpeed1x = 176;
constexpr uint32_t sbDVDSpeed1x = 1385;

// ---- Drives ----------------------------------------------------------------------------------
struct TsbDVDRPC {
    bool Present = false;
    std::string Values[5];
};

class TsbDeviceItem : public TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;
    std::string Vendor, Product, ProductRevisionLevel;
    std::string DiscLabel;
    uint32_t BufferSize = 0;
    TsbDeviceAddress Address;
    std::string DeviceName;
    TsbTransportType TransportType = ttAspi;
    bool MediaFormats[10] = {};   // by position 1 to 10 at index 0 to 9
    bool MediaFormatsEx[6] = {};
    DISC_TYPE DiscType = DISC_TYPE_UNKNOWN;
    std::string DriveLetter;
    BURNLIB_DISC_INFO DiscInfo{};
    BURNLIB_TRACK_INFO TrackInfo{};
    std::unique_ptr<BURNLIB_TOC_INFO> TocInfo = std::make_unique<BURNLIB_TOC_INFO>();
    TsbDiscSpace DiscSpace;
    bool ReadModes[6] = {};
    TsbWriteModes WriteModes;
    bool WriteModeExtra = false;
    TsbDVDRPC DVDRPC;
    bool Audio = false;
};

class TsbDeviceList : public TCollectionOf<TsbDeviceItem> {
public:
    std::string LastError;
    TsbTransportType Transport = ttAspi;
    std::atomic<bool> Cancelled{false};  // set by the scan dialog while the scan runs
    TsbDeviceItem* GetItem(int Index) const { return Items(Index); }
};

class TsbDeviceFinderThread;

class TsbDeviceFinder : public TPersistent {
public:
    TsbDeviceFinder();
    ~TsbDeviceFinder() override;

    std::atomic<TsbDeviceFinderThread*> ScanThread{nullptr};
    HANDLE ScanThreadHandle = INVALID_HANDLE_VALUE;
    std::unique_ptr<TsbDeviceList> Devices;
    TsbTransportType Transport = ttAspi;
    std::string InfoText;

    virtual void WaitForScan();
    virtual void ScanThreadTerminated(TObject* Sender);

    // Rescans into Devices; returns when the scan has ended. The scan dialog
    // (WithDialog) comes with the drive-scan window.
    void FindDevices(bool WithDialog);
    void CancelScan(TObject* Sender);
    TsbDiscSpace GetDiscSpace(TsbDeviceItem& Entry);
    // The DVD writers found, as a writer list shows them (drive letter,
    // product and vendor, the entry as the item's object), each with its
    // disc's space read when it holds a disc.
    void ListWriters(TStrings& Items);
};

// Drive letter of a drive, "X:"; empty when none. There are no drive letters on
// this system: a drive found by name gets none, one found by address gets what
// the library names it.
std::string DeviceNameToDrive(const TsbDeviceAddress& Address, const std::string& Name);
// The characters of a fixed array up to its first NUL or its end.
std::string CharArrayToString(const char* Chars, size_t Size);

// ---- Workers ----------------------------------------------------------------------------------
// A worker of the engine: made suspended and self-freeing; its end handler runs
// on the worker itself, right after Execute.
class TsbCustomThread : public TThread {
public:
    explicit TsbCustomThread(TsbBurner* AEngine);
    TsbBurner* Engine;
    std::function<void(TObject* Sender, int A, int B)> OnNotification;  // nothing assigns it
    virtual void FireNotification(int A, int B);

protected:
    void DoTerminate() override;
};

class TsbEraseThread : public TsbCustomThread {
public:
    using TsbCustomThread::TsbCustomThread;

protected:
    void Execute() override;
};

class TsbVideoBurnThread : public TsbCustomThread {
public:
    TsbVideoBurnThread(TsbBurner* AEngine, const TsbVideoBurnOptions& AOptions);

protected:
    void Execute() override;

private:
    TsbVideoBurnOptions FOptions;
};

class TsbDeviceFinderThread : public TThread {
public:
    explicit TsbDeviceFinderThread(TsbDeviceList* ADevices);
    TsbDeviceList* Devices;
    TsbTransportType Transport;

protected:
    void Execute() override;
    void DoTerminate() override;
};

// The library's callback: kinds 2, 3, 10, 12 and 13; others are ignored.
void BurnerCallback(int32_t Kind, void* Context, void* Special1, void* Special2);

// The name-collision record (kind 3), read and written in place. The two item
// pointers have the width of a pointer of this system.
#pragma pack(push, 1)
struct TsbNameCollision {
    uint8_t IsJoliet;   // 0 an ISO9660 name (8-bit), else Joliet (UTF-16)
    uint8_t Name[520];  // NUL-terminated; the callback writes the new name here
    const uint8_t* FirstItem;  // its path (8-bit, NUL-terminated) starts one byte in
    uint32_t FirstAttributes;
    const uint8_t* SecondItem;
    uint32_t SecondAttributes;
    uint8_t Decision;  // 1 keep the boot image, 2 rename, 3 merge folders
};
#pragma pack(pop)

// The rename rules of a colliding name. Counter is the process-wide rename
// counter (incremented by the ISO9660 rule). Results always fit the record.
std::string sbRenameISO9660(const std::string& Name, int32_t& Counter);
std::u16string sbRenameJoliet(const std::u16string& Name, const std::string& Stamp, int32_t& Counter);
// The callback's process-wide state (last write percent, rename counter).
void sbResetCallbackState();

// Interval of the erase progress timer in ms: one tick per percent of the bytes
// to erase at WriteSpeed KB/s. A speed of 0 counts as 1x of the medium.
uint32_t EraseTimerInterval(bool FullErase, int64_t TotalBytes, DISC_TYPE DiscType, uint32_t WriteSpeed);

// ---- The engine ------------------------------------------------------------------------
class TsbBurner : public TPersistent {
public:
    TsbBurner();
    ~TsbBurner() override;

    std::string LastError;
    TsbDeviceAddress Address;
    TsbTransportType TransportType = ttAspi;
    TsbEraseOptions EraseOptions;
    TsbBurnOptions BurnOptions;
    TsbDiscSpace DiscSpace;
    std::unique_ptr<TsbDeviceFinder> DeviceFinder;
    std::string VolumeLabel = "NEW";
    std::string DriveLetter;
    TsbWriteModes WriteModes;
    bool WriteModeExtra = false;
    DISC_TYPE DiscType = DISC_TYPE_UNKNOWN;
    std::function<void(TObject* Sender, int Value, bool Flag)> OnEvent;  // nothing assigns it
    std::unique_ptr<TStringList> FileList;
    std::unique_ptr<TsbAudioFileList> AudioFiles;
    std::string DeviceName;
    std::atomic<TsbCustomThread*> SpareThread{nullptr};
    HANDLE SpareThreadHandle = INVALID_HANDLE_VALUE;
    std::atomic<TsbEraseThread*> EraseThread{nullptr};
    HANDLE EraseThreadHandle = INVALID_HANDLE_VALUE;
    std::atomic<TsbVideoBurnThread*> BurnThread{nullptr};
    HANDLE BurnThreadHandle = INVALID_HANDLE_VALUE;
    std::unique_ptr<TsbDiscSpeedList> WriteSpeeds;
    std::unique_ptr<TsbDiscReadSpeedList> ReadSpeeds;
    bool AltModeNumbering = true;
    BURNLIB_TRACK_INFO TrackInfo{};
    std::atomic<bool> Cancelled{false};
    std::atomic<bool> Success{false};
    int32_t EraseTick = 0;
    std::atomic<BURNLIB_HANDLE> GrabberHandle{0};
    BURNLIB_HANDLE FileTreeHandle = 0;
    uint8_t ExceptionNumber = 0;
    uint32_t SystemError = 0;
    char ExceptionText[BURNLIB_EXCEPTION_TEXT_SIZE] = {};
    BURNLIB_FAILURE_INFO FailureInfo{};
    BURNLIB_DISC_INFO DiscInfo{};
    TsbVideoBurnOptions VideoBurnOptions;

    virtual void WaitForSpareThread();
    virtual void SpareThreadTerminated(TObject* Sender);
    virtual void WaitForBurnThread();
    virtual void BurnThreadTerminated(TObject* Sender);
    virtual void ForwardEvent(int Value, bool Flag);
    virtual void WaitForEraseThread();
    virtual void EraseThreadTerminated(TObject* Sender);

    // Raises Exception with the failure text when the drive cannot be opened.
    void OpenDevice();
    // Takes over a found drive's fields, opens it and fills the write speeds (the
    // common part of choosing a writer in the main window and the erase dialog).
    void UseDevice(const TsbDeviceItem& Entry);
    void CloseDevice();
    void FreeFileTree();
    void Eject();
    void LoadTray();
    void LockTray();
    void ReleaseTray();
    void CloseSession();
    void BurnVideo();
    void Erase() { EraseDisc(); }
    void EraseDisc();
    void EraseTimerTick(TObject* Sender);
    void RunEraseThread();
    // From the GUI thread while BurnVideo waits.
    void CancelBurn();

    // The failure text of the last call, named after Function.
    std::string FailureText(const std::string& Function, TsbFailureTextForm Form = ftStandard) const;
    // Resets the result fields before a call (the worker's and the GUI's calls
    // share them, one at a time).
    void ClearCallResult();

private:
    std::unique_ptr<TTimer> FEraseTimer;
};

// The standard error arguments of a drive operation on Engine.
#define SB_ERRARGS(Engine)                                                                  \
    (Engine).ExceptionText, BURNLIB_EXCEPTION_TEXT_SIZE, &(Engine).SystemError, &(Engine).FailureInfo

// ---- Burn step helpers (no window) ----------------------------------------------------------
// Size of every file below Folder, subfolders included.
int64_t GetFolderSize(const std::string& Folder);
// -1 when there is no such file.
int64_t FileSizeByName(const std::string& Path);
bool IsFolderEmpty(const std::string& Folder);
// Folder is a VIDEO_TS folder: VIDEO_TS.VOB with its IFO and BUP, and for each
// title set whose menu VOB is there, its IFO, BUP and first title VOB. Names
// are found without regard to case.
bool CheckVideoTsFolder(const std::string& Folder);
// The name of the entry of Folder that equals Name ignoring case, as it is on
// disk; empty when there is none.
std::string FindNameNoCase(const std::string& Folder, const std::string& Name);
// Test unit ready, buffer protection, speeds and OPC before a burn; statuses
// through the event hub. False when the drive is not ready or the speed
// cannot be set.
bool PrepareBurner(TsbBurner& Engine);

// Unit start-up and shut-down: the version check and the engine log.
void BurnEngineStartup();
void BurnEngineShutdown();
