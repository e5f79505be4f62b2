// The DVD-Video disc image: an ISO 9660 + UDF 1.02 bridge file system made from
// a VIDEO_TS folder, generated sector by sector so that it can be streamed to a
// writer without a copy on disk.
//
// Layout (2048-byte sectors):
//   0-15 system area, 16 ISO primary descriptor, 17 ISO terminator,
//   18-20 UDF recognition sequence (BEA01, NSR02, TEA01),
//   32-37 UDF main descriptor sequence, 48-53 its reserve copy,
//   64-65 logical volume integrity sequence, 256 anchor,
//   257.. the UDF partition: file set descriptor, directory and file entries,
//   the ISO path tables and directories, then the file data: VIDEO_TS.IFO,
//   VIDEO_TS.VOB, VIDEO_TS.BUP, then per title set VTS_nn_0.IFO, VTS_nn_0.VOB,
//   VTS_nn_1..9.VOB, VTS_nn_0.BUP, each file contiguous from a sector start,
//   shared by both file systems, at the sectors the IFO files give (players
//   seek by those); last sector: the second anchor.
// AUDIO_TS is always there and empty. Files of the folder that are not part of
// a DVD-Video structure are left out and reported.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/sysutils.h"

namespace burnlib {

// Failure of the image: Code is one of the library's exception numbers,
// SysError the system's error number when a system call failed.
class EBurnLibError : public Exception {
public:
    EBurnLibError(int code, std::string message, int sysError = 0)
        : Exception(std::move(message)), Code(code), SysError(sysError) {}
    int Code;
    int SysError;
};

constexpr int SectorSize = 2048;

// Local creation time stamped on the disc.
struct TDiscTime {
    uint16_t Year = 2000, Month = 1, Day = 1, Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

struct TImageFile {
    std::string Name;  // name on the disc ("VTS_01_1.VOB")
    std::string Path;  // file on disk, as found
    uint64_t Size = 0;
    uint32_t Sector = 0;  // first sector of its data
};

// Sector offsets of the files (in disc order) from the start of the data: where
// their IFO files say, else one after the other.
std::vector<uint32_t> PlaceFiles(const std::vector<TImageFile>& Files);

class TDvdVideoImage {
public:
    // Reads the folder (a VIDEO_TS folder, with or without trailing '/') and lays
    // out the image. Raises EBurnLibError when the folder cannot be used.
    TDvdVideoImage(const std::string& VideoTsFolder, const std::string& VolumeLabel, const TDiscTime& Time);
    ~TDvdVideoImage();
    TDvdVideoImage(const TDvdVideoImage&) = delete;
    TDvdVideoImage& operator=(const TDvdVideoImage&) = delete;

    uint32_t SectorCount() const { return TotalSectors; }
    int64_t ByteSize() const { return int64_t(TotalSectors) * SectorSize; }
    const std::vector<TImageFile>& Files() const { return VideoFiles; }
    // Names in the folder that are not on the disc.
    const std::vector<std::string>& IgnoredNames() const { return Ignored; }
    // The volume identifier as recorded in ISO 9660 (d-characters).
    const std::string& IsoVolumeId() const { return IsoLabel; }
    // The label as the caller gave it (the UDF side records it as it is).
    const std::string& Label() const { return GivenLabel; }

    // Sequential generation: fills Buffer with the next bytes of the image and
    // answers how many (0 at the end). Raises EBurnLibError when a source file
    // cannot be read or has changed, or when Cancel was called.
    size_t Read(uint8_t* Buffer, size_t Size);
    int64_t Position() const { return Pos; }
    void Rewind();
    // May be called from any thread; the running or next Read raises.
    void Cancel() { Cancelled = true; }
    bool IsCancelled() const { return Cancelled; }

    // Writes the whole image to a file (used by tests and the benchmark).
    void WriteToFile(const std::string& FileName);

private:
    void Scan(const std::string& Folder);
    void Layout(const std::string& VolumeLabel, const TDiscTime& Time);
    size_t ReadFileData(uint8_t* Buffer, size_t Size);
    void CloseCurrent();

    std::vector<TImageFile> VideoFiles;
    std::vector<std::string> Ignored;
    std::string IsoLabel;
    std::string GivenLabel;
    std::vector<uint8_t> Meta;  // sectors 0 .. DataStart-1
    std::vector<uint8_t> Tail;  // the closing anchor sector
    uint32_t DataStart = 0;
    uint32_t DataEnd = 0;  // first sector after the file data
    uint32_t TotalSectors = 0;
    int64_t Pos = 0;
    int CurrentFd = -1;
    size_t CurrentFile = 0;
    std::atomic<bool> Cancelled{false};
};

}  // namespace burnlib
