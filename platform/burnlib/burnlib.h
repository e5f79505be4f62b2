// The burning library: the C-style calls the burning engine makes.
//
// Drives are the optical drives libburn finds plus one image recorder that is
// always present (see recorder notes below). Every drive operation has the same
// shape: the drive handle, an exception-text buffer (1024 bytes) and its size,
// an out system error and an out failure block, then its own arguments; it
// returns an exception number, BURNLIB_OK (0) meaning done. On failure the text
// says what went wrong in words a user can act on, SystemError holds errno when
// a system call failed (else 0) and the failure block repeats both with the
// name of the call. Queries of device information, media formats, disc type and
// free space, cancel and the tree calls take none of these.
//
// Drive names: "CDROM0" is the image recorder, "CDROM1".. the optical drives
// (/dev/sr0, /dev/sr1 ...), then any libburn pseudo-drives listed in the
// environment variable TESSARO_BURNLIB_TEST_DRIVES ("stdio:/path,..."; for tests).
// Addresses: the recorder answers at port 255, bus 0, target 0, LUN 0; real
// drives at their SCSI host, channel, target and LUN.
//
// The image recorder writes the disc as "<volume label>.iso" (or, when that name
// exists, "<volume label> (2).iso", "(3)" ...; characters a file name cannot
// hold become '_') into its folder: the environment
// variable TESSARO_RECORDER_DIR when set, else the registry value
// HKEY_LOCAL_MACHINE\Software\BurnLib\Recorder "Folder", else the user's Videos
// folder (XDG), else home. Its disc is an empty DVD+R of 4.7 GB (capacity
// changeable by TESSARO_RECORDER_CAPACITY or the registry value "Capacity", in
// bytes, for tests). After a burn the disc holds that image until it is ejected
// or blanked; neither removes the image file. A cancelled or failed burn removes
// the partial image.
//
// Callbacks come on the thread that made the call, with the context given to
// BurnLib_Recorder_Create(Ex) or BurnLib_FindDevice. Kinds sent during
// BurnLib_Recorder_TrackAtOnceFromTree: 2 once for each name of the folder left
// out of the disc (Special1 -> the name, NUL-terminated; Special2 -> int32 node
// count, 1), then about every 40 ms 12 progress (Special1 -> int64 total bytes,
// Special2 -> int64 bytes written; the last report of a finished burn has them
// equal) and 13 buffer (Special1 -> uint32 buffer size, Special2 -> uint32 free
// bytes: the drive's buffer, or for the image recorder our read-ahead buffer).
// Kind 10 is sent by BurnLib_FindDevice for each drive (Special1 ->
// BURNLIB_DEVICE_ADDRESS, Special2 -> its name "CDROMn"). Kind 3 (name collision)
// is never sent: the names on a DVD-Video disc are fixed and cannot collide.
//
// Cancel: BurnLib_Recorder_Cancel from any thread makes a running burn return
// BURNLIB_ERROR_CANCELLED within a fraction of a second. A cancel that comes while
// nothing runs is kept for the next burn on that drive (so a cancel just before
// the burn starts is not lost) until the tray is locked, released, loaded or
// ejected, which the engine does between burns. Erasing cannot be cancelled.
#pragma once

#include <cstdint>

extern "C" {

// ---- Results ----------------------------------------------------------------
enum : uint8_t {
    BURNLIB_OK = 0,
    BURNLIB_ERROR_GENERAL = 1,         // an unexpected failure of libburn
    BURNLIB_ERROR_INVALID_HANDLE = 2,  // unknown, destroyed or wrong kind of handle
    BURNLIB_ERROR_INVALID_ARGUMENT = 3,
    BURNLIB_ERROR_NO_DRIVE = 4,  // drive not found or cannot be opened
    BURNLIB_ERROR_NO_MEDIUM = 5,
    BURNLIB_ERROR_MEDIUM_NOT_WRITABLE = 6,
    BURNLIB_ERROR_MEDIUM_TOO_SMALL = 7,
    BURNLIB_ERROR_WRITE = 8,   // writing failed (SystemError tells why)
    BURNLIB_ERROR_SOURCE = 9,  // a source file or folder cannot be read
    BURNLIB_ERROR_CANCELLED = 10,
    BURNLIB_ERROR_NOT_SUPPORTED = 11,
    BURNLIB_ERROR_BUSY = 12,  // another operation runs on the drive
};

constexpr uint32_t BURNLIB_VERSION = 0x20080820u;
constexpr uint32_t BURNLIB_EXCEPTION_TEXT_SIZE = 1024;
constexpr uint32_t BURNLIB_SPEED_DEFAULT = 0xFFFF;  // "drive chooses" (fastest)

// Callback kinds.
enum : int32_t {
    BURNLIB_CB_IGNORED_NAME = 2,
    BURNLIB_CB_NAME_COLLISION = 3,
    BURNLIB_CB_DEVICE_FOUND = 10,
    BURNLIB_CB_PROGRESS = 12,
    BURNLIB_CB_BUFFER = 13,
};

// Disc types, as the engine lists them.
enum DISC_TYPE : int32_t {
    DISC_TYPE_UNKNOWN = 0,
    DISC_TYPE_CDROM = 1,
    DISC_TYPE_CDR = 2,
    DISC_TYPE_CDRW = 3,
    DISC_TYPE_DVDROM = 4,
    DISC_TYPE_DVDR = 5,
    DISC_TYPE_DVDRAM = 6,
    DISC_TYPE_DVDRWRO = 7,
    DISC_TYPE_DVDRWSR = 8,
    DISC_TYPE_DVDPLUSRW = 9,
    DISC_TYPE_DDCDROM = 10,
    DISC_TYPE_DDCDR = 11,
    DISC_TYPE_DDCDRW = 12,
    DISC_TYPE_DVDPLUSR = 13,
    DISC_TYPE_NO_MEDIA = 14,
    DISC_TYPE_DVDPLUSR_DL = 15,
    DISC_TYPE_DVDR_DL = 16,
    DISC_TYPE_BDR = 17,
    DISC_TYPE_BDRE = 18,
    DISC_TYPE_HDDVDROM = 19,
    DISC_TYPE_HDDVDR = 20,
    DISC_TYPE_HDDVDRW = 21,
};

// Erase types of BurnLib_Recorder_Blank.
enum : int32_t { ERASE_TYPE_BLANK_DISC_FULL = 0, ERASE_TYPE_BLANK_DISC_FAST = 1 };

// ---- Handles and records ------------------------------------------------------
// Handles are opaque numbers, 0 meaning none; stale ones are detected.
using BURNLIB_HANDLE = uintptr_t;

// Kind, context, two pointers whose meaning depends on the kind.
using BURNLIB_CALLBACK = void (*)(int32_t Kind, void* Context, void* Special1, void* Special2);

#pragma pack(push, 1)
struct BURNLIB_DEVICE_ADDRESS {
    uint8_t Flag;  // non-zero: a drive answers at this address
    uint8_t PortID, BusID, TargetID, LUN;
};

// Repeats the failure of the last call.
struct BURNLIB_FAILURE_INFO {
    uint8_t ExceptionNumber;
    uint32_t SystemError;
    char Function[64];  // the call that failed, "BurnLib_Recorder_Blank"
};

// Disc information (33 bytes).
struct BURNLIB_DISC_INFO {
    uint8_t DiscStatus;        // 0 blank, 1 appendable, 2 complete, 3 other
    uint8_t LastSessionState;  // 0 empty, 1 incomplete, 3 complete
    uint8_t Erasable;
    uint8_t FirstTrack;
    uint16_t Sessions;
    uint16_t FirstTrackInLastSession;
    uint16_t LastTrackInLastSession;
    int32_t DiscType;         // DISC_TYPE
    uint16_t Profile;         // MMC profile number
    uint32_t CapacityBlocks;  // 2048-byte blocks
    uint32_t UsedBlocks;
    uint32_t NextWritable;  // next writable block, 0 when closed
    uint8_t Reserved[5];
};

// Track information (28 bytes).
struct BURNLIB_TRACK_INFO {
    uint16_t TrackNumber;
    uint16_t SessionNumber;
    uint8_t TrackMode;
    uint8_t DataMode;
    uint8_t Blank;
    uint8_t Packet;
    uint32_t TrackStart;
    uint32_t NextWritable;
    uint32_t FreeBlocks;
    uint32_t FixedPacketSize;
    uint32_t TrackSize;
};

// Table of contents (13,838 bytes): a count, then up to 1,383 entries of ten bytes.
struct BURNLIB_TOC_ENTRY {
    uint8_t Session;
    uint8_t Track;
    uint8_t Control;
    uint8_t Reserved;
    uint32_t StartBlock;
    uint16_t SizeBlocksHigh;  // unused; sizes follow from the next start
};
struct BURNLIB_TOC_INFO {
    uint16_t EntryCount;
    uint8_t FirstTrack;
    uint8_t LastTrack;
    BURNLIB_TOC_ENTRY Entries[1383];
    uint8_t Reserved[4];
};
#pragma pack(pop)
static_assert(sizeof(BURNLIB_DISC_INFO) == 33);
static_assert(sizeof(BURNLIB_TRACK_INFO) == 28);
static_assert(sizeof(BURNLIB_TOC_INFO) == 13838);

// Media formats (10 flags, by position): 1 reads CD-R, 2 reads CD-RW, 3 reads
// DVD-ROM (the drive has a region), 4 reads DVD-R, 5 reads DVD-RAM, 6 writes CD-R,
// 7 writes recordable DVD, 8 writes DVD-RAM, 9 writes CD-RW, 10 can simulate.
// Extended (6): 1 reads DVD+R, 2 reads DVD+RW, 3 writes DVD+R, 4 writes DVD+RW,
// 5 writes DVD+R DL, 6 writes DVD-R DL.
// Write modes (4): track-at-once, session-at-once, disc-at-once PQ, raw P-W.
// Read modes (6): data mode 1, mode 2 form 1, mode 2 form 2, audio, C2 pointers,
// sub-channel.

// Common error arguments of a drive operation.
#define BURNLIB_ERROR_ARGS \
    char *ExceptionText, uint32_t ExceptionTextSize, uint32_t *SystemError, BURNLIB_FAILURE_INFO *FailureInfo

// ---- Library -------------------------------------------------------------------
uint32_t BurnLib_GetVersion(void);
// Starts the library for one engine object; 1 when ready (answers 1 again on later calls).
int32_t BurnLib_UpStartEx(void);
// Reports every drive through Callback kind 10 (Special1 -> BURNLIB_DEVICE_ADDRESS,
// Special2 -> the drive's name); answers the number reported. Flags and Reserved are
// accepted as the engine passes them.
int32_t BurnLib_FindDevice(int32_t Flags, int32_t Reserved, BURNLIB_CALLBACK Callback, void* Context);
// Name of the drive at an address: "\\.\" followed by the device file ("\\.\/dev/sr0")
// or, for the image recorder, by its folder.
uint8_t BurnLib_GetDeviceNameByDeviceAddress(uint8_t PortID, uint8_t BusID, uint8_t TargetID, uint8_t LUN, char* Name,
                                             uint32_t NameSize);
// Whether the next TOC read may skip slow detail (kept; the TOC is read in one go).
void BurnLib_SetFastReadTOC(int32_t Fast);

// ---- Drive handles -------------------------------------------------------------
// ProbeOnly 1: a short-lived handle for queries.
uint8_t BurnLib_Recorder_Create(BURNLIB_HANDLE* Handle, BURNLIB_ERROR_ARGS, uint8_t PortID, uint8_t BusID,
                                uint8_t TargetID, uint8_t LUN, BURNLIB_CALLBACK Callback, void* Context,
                                int32_t ProbeOnly);
uint8_t BurnLib_Recorder_CreateEx(BURNLIB_HANDLE* Handle, BURNLIB_ERROR_ARGS, const char* DeviceName,
                                  BURNLIB_CALLBACK Callback, void* Context, int32_t ProbeOnly);
// Frees a drive handle (or a tree handle not owned by a DVD-Video object).
void BurnLib_Destroy(BURNLIB_HANDLE Handle);

// ---- Queries without error arguments ---------------------------------------------
// 0 when done.
uint8_t BurnLib_Recorder_GetDeviceInformation(BURNLIB_HANDLE Handle, char* Vendor, char* Product, char* Revision,
                                              uint32_t* BufferSize);  // buffers of 1024
uint8_t BurnLib_Recorder_GetSupportedMediaFormats(BURNLIB_HANDLE Handle, uint8_t Flags[10]);
uint8_t BurnLib_Recorder_GetSupportedMediaFormatsExEx(BURNLIB_HANDLE Handle, uint8_t Flags[6]);
DISC_TYPE BurnLib_Recorder_GetInsertedDiscType(BURNLIB_HANDLE Handle);
// Count := free 2048-byte blocks, Free := free bytes. Flags is accepted as passed.
uint8_t BurnLib_Recorder_GetDiscFreeSpace(BURNLIB_HANDLE Handle, int32_t Flags, uint32_t* Count, int64_t* Free);

// ---- Drive operations ---------------------------------------------------------------
uint8_t BurnLib_Recorder_TestUnitReady(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS);
uint8_t BurnLib_Recorder_ProbeSupportedWriteModes(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS, uint8_t Modes[4]);
uint8_t BurnLib_Recorder_ProbeSupportedReadModes(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS, uint8_t Modes[6]);
uint8_t BurnLib_Recorder_GetDiscInformation(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS, BURNLIB_DISC_INFO* Info);
uint8_t BurnLib_Recorder_GetTrackInformation(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS, uint32_t Track,
                                             BURNLIB_TRACK_INFO* Info);  // 255: the next (invisible) track
uint8_t BurnLib_Recorder_GetTOCInformation(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS, BURNLIB_TOC_INFO* Info);
// Five outputs of 260 bytes: region mask, user changes left, vendor resets left,
// scheme, and whether a region is set; each as its first byte.
uint8_t BurnLib_Recorder_GetRPC(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS, char* Out1, char* Out2, char* Out3,
                                char* Out4, char* Out5);
uint8_t BurnLib_Recorder_GetDiscUsedSpace(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS, int64_t* Used);
// KB/s (1x DVD = 1385, 1x CD = 176).
uint8_t BurnLib_Recorder_GetSpeeds(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS, uint32_t* CurrentRead,
                                   uint32_t* MaximumRead, uint32_t* CurrentWrite, uint32_t* MaximumWrite);
// BURNLIB_SPEED_DEFAULT leaves that side to the drive (its fastest). A speed the
// drive lacks becomes the nearest one below (the slowest when none is below).
uint8_t BurnLib_Recorder_SetSpeeds(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS, uint32_t ReadSpeed, uint32_t WriteSpeed);
// Buffer-underrun protection: Enabled, Supported.
uint8_t BurnLib_Recorder_GetBUP(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS, uint8_t* Enabled, uint8_t* Supported);
uint8_t BurnLib_Recorder_SetBUP(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS, int32_t Enable);
// Optimum power calibration before the next write.
uint8_t BurnLib_Recorder_SendOPC(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS);
uint8_t BurnLib_Recorder_LockMedium(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS);
uint8_t BurnLib_Recorder_ReleaseMedium(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS);
uint8_t BurnLib_Recorder_Eject(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS);
uint8_t BurnLib_Recorder_Load(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS);
// EraseType: ERASE_TYPE_BLANK_DISC_FULL or ERASE_TYPE_BLANK_DISC_FAST. Returns when done.
uint8_t BurnLib_Recorder_Blank(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS, int32_t EraseType);
// Writes a tree as one track and returns when it is written, failed or cancelled.
// Option1 and Option2 are accepted as the engine passes them (1, 5).
uint8_t BurnLib_Recorder_TrackAtOnceFromTree(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS, BURNLIB_HANDLE Tree,
                                             int32_t CDROMXA, int32_t TestMode, int32_t NextSessionAllowed,
                                             int32_t Option1, int32_t Option2);
uint8_t BurnLib_Recorder_CloseSession(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS);
// Makes the running call on this drive return with BURNLIB_ERROR_CANCELLED; any thread.
void BurnLib_Recorder_Cancel(BURNLIB_HANDLE Handle);
// Video CD and Super Video CD are not written by this library: they answer
// BURNLIB_ERROR_NOT_SUPPORTED.
uint8_t BurnLib_Recorder_VideoCD(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS, const char* SourcePath,
                                 const char* VolumeLabel, int32_t Option1, int32_t Option2, int32_t TestMode,
                                 int32_t Option3, int32_t Option4);
uint8_t BurnLib_Recorder_SuperVideoCD(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS, const char* SourcePath,
                                      const char* VolumeLabel, int32_t Option1, int32_t Option2, int32_t TestMode,
                                      int32_t Option3, int32_t Option4);

// ---- DVD-Video ---------------------------------------------------------------------
// Builds the disc tree of a VIDEO_TS folder (and an empty AUDIO_TS). Recurse is
// accepted as passed; AuxText and ProgramPath are kept out of the disc. The time
// is local time.
uint8_t BurnLib_DVDVideo_Create(BURNLIB_HANDLE* DVDVideo, const char* VideoTsFolder, int32_t Recurse,
                                char* ExceptionText, uint32_t ExceptionTextSize, uint32_t* SystemError,
                                const char* VolumeLabel, const char* AuxText, const char* ProgramPath, uint16_t Year,
                                uint16_t Month, uint16_t Day, uint16_t Hour, uint16_t Minute, uint16_t Second,
                                uint16_t Millisecond);
// The tree of a DVD-Video object; owned by it (0 for a bad object).
BURNLIB_HANDLE BurnLib_DVDVideo_GetTreePointer(BURNLIB_HANDLE DVDVideo);
void BurnLib_DVDVideo_Destroy(BURNLIB_HANDLE DVDVideo);

}  // extern "C"
