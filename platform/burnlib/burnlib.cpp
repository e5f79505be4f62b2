// The burning library over libburn: handles, drives, the image recorder and the
// burn loop that feeds our DVD-Video image into libburn.
#include "platform/burnlib/burnlib.h"

#include <libburn/libburn.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/burnlib/burnlib_rules.h"
#include "platform/burnlib/dvdvideo_image.h"
#include "platform/rtl/scope.h"

using namespace burn;  // libburn declares itself in this namespace for C++

namespace burnlib {
namespace {

// ---- State --------------------------------------------------------------------------
// libburn is not thread-safe: every call into it holds g_Libburn. Calls are short;
// the burn loop only polls, so a cancel from another thread gets through at once.
std::mutex g_Libburn;
std::mutex g_Table;
bool g_Started = false;
bool g_StartFailed = false;

struct TDrive {
    bool Recorder = false;
    std::string Path;  // device file of a real drive
    BURNLIB_DEVICE_ADDRESS Address{};
    int Users = 0;
    burn_drive_info* Info = nullptr;  // real drive, while it has users
    burn_drive* Drive = nullptr;
    bool Grabbed = false;
    std::atomic<bool> Busy{false};           // a write or blank runs
    std::atomic<bool> CancelPending{false};  // a cancel that came while nothing ran
    std::mutex RunLock;                      // guards the two running pointers
    TDvdVideoImage* RunningImage = nullptr;
    burn_drive* RunningDrive = nullptr;
    std::atomic<bool> CancelRunning{false};
    std::atomic<uint32_t> ReadSpeed{BURNLIB_SPEED_DEFAULT}, WriteSpeed{BURNLIB_SPEED_DEFAULT};
    std::atomic<bool> Bup{true};
    std::atomic<bool> Opc{false};          // calibrate at the start of the next write
    std::atomic<int64_t> RecorderUsed{0};  // the recorder's disc: bytes of the image it holds
};

struct TDvdVideo {
    std::unique_ptr<TDvdVideoImage> Image;
    BURNLIB_HANDLE Tree = 0;
};

struct THandle {
    enum Kind { Drive, DvdVideo, Tree } kind = Drive;
    std::shared_ptr<TDrive> drive;
    BURNLIB_CALLBACK callback = nullptr;
    void* context = nullptr;
    std::shared_ptr<TDvdVideo> dvd;
};

std::map<std::string, std::shared_ptr<TDrive>> g_Drives;  // by device file, "" = recorder
std::map<BURNLIB_HANDLE, THandle> g_Handles;
BURNLIB_HANDLE g_NextHandle = 0x1000;

const char* const RecorderVendor = "Tessaro ";
const char* const RecorderProduct = "Image Recorder  ";
const char* const RecorderRevision = "1.0 ";
constexpr uint8_t RecorderPort = 255;

// ---- Results -------------------------------------------------------------------------
struct TOut {
    const char* Function;
    char* Text;
    uint32_t TextSize;
    uint32_t* SystemError;
    BURNLIB_FAILURE_INFO* Failure;
};

uint8_t Report(const TOut& o, uint8_t code, const std::string& text, uint32_t sys) {
    if (o.Text && o.TextSize) {
        size_t n = std::min<size_t>(text.size(), o.TextSize - 1);
        std::memcpy(o.Text, text.data(), n);
        o.Text[n] = '\0';
    }
    if (o.SystemError) *o.SystemError = sys;
    if (o.Failure) {
        std::memset(o.Failure, 0, sizeof *o.Failure);
        if (code) {
            o.Failure->ExceptionNumber = code;
            o.Failure->SystemError = sys;
            std::strncpy(o.Failure->Function, o.Function, sizeof o.Failure->Function - 1);
        }
    }
    return code;
}

template <class F>
uint8_t Guarded(const TOut& o, F&& body) {
    try {
        body();
        return Report(o, BURNLIB_OK, "", 0);
    } catch (const EBurnLibError& e) {
        return Report(o, uint8_t(e.Code), e.Message, uint32_t(e.SysError));
    } catch (const std::exception& e) {
        return Report(o, BURNLIB_ERROR_GENERAL, e.what(), 0);
    }
}

[[noreturn]] void Fail(int code, const std::string& text, int sys = 0) { throw EBurnLibError(code, text, sys); }

// The last problem libburn reported (its message queue), with the system's reason.
std::string LibburnReason(int* osErrno) {
    char text[BURN_MSGS_MESSAGE_LEN];
    char severity[80];
    int code = 0, err = 0;
    std::string last;
    while (burn_msgs_obtain(const_cast<char*>("SORRY"), &code, text, &err, severity) > 0) {
        last = text;
        if (err && osErrno) *osErrno = err;
    }
    return last;
}

void DrainMessages() { LibburnReason(nullptr); }

bool Start() {
    std::lock_guard<std::mutex> lock(g_Libburn);
    if (g_Started) return true;
    if (g_StartFailed) return false;
    if (!burn_initialize()) {
        g_StartFailed = true;
        return false;
    }
    burn_msgs_set_severities(const_cast<char*>("SORRY"), const_cast<char*>("NEVER"), const_cast<char*>("libburn: "));
    // The program keeps its own signal handling.
    burn_set_signal_handling(nullptr, nullptr, 1);
    g_Started = true;
    return true;
}

void RequireStarted() {
    if (!Start()) Fail(BURNLIB_ERROR_GENERAL, "The burning library could not start libburn.");
}

// ---- Drives ----------------------------------------------------------------------------
std::vector<std::string> OpticalDevices() {
    std::vector<std::string> out;
    for (int n = 0; n < 32; ++n) {
        std::string path = "/dev/sr" + std::to_string(n);
        struct stat st {};
        if (stat(path.c_str(), &st) == 0 && S_ISBLK(st.st_mode)) out.push_back(path);
    }
    // Tests put libburn pseudo-drives ("stdio:/path") after the real ones, to run
    // the drive code on a machine without a writer.
    if (const char* extra = std::getenv("TESSARO_BURNLIB_TEST_DRIVES")) {
        std::string list = extra;
        for (size_t p = 0; p <= list.size();) {
            size_t q = std::min(list.find(',', p), list.size());
            if (q > p) out.push_back(list.substr(p, q - p));
            p = q + 1;
        }
    }
    return out;
}

BURNLIB_DEVICE_ADDRESS AddressOf(const std::string& path, size_t index) {
    BURNLIB_DEVICE_ADDRESS a{1, uint8_t(200 + index), 0, 0, 0};
    int bus, host, channel, target, lun;
    std::lock_guard<std::mutex> lock(g_Libburn);
    if (burn_drive_obtain_scsi_adr(const_cast<char*>(path.c_str()), &bus, &host, &channel, &target, &lun) == 1)
        a = {1, uint8_t(host), uint8_t(channel), uint8_t(target), uint8_t(lun)};
    return a;
}

// Drive object of a device file ("" for the recorder); made on first use.
std::shared_ptr<TDrive> DriveFor(const std::string& path, const BURNLIB_DEVICE_ADDRESS& address) {
    std::lock_guard<std::mutex> lock(g_Table);
    auto& d = g_Drives[path];
    if (!d) {
        d = std::make_shared<TDrive>();
        d->Recorder = path.empty();
        d->Path = path;
        d->Address = address;
    }
    return d;
}

std::shared_ptr<TDrive> Recorder() { return DriveFor("", {1, RecorderPort, 0, 0, 0}); }

// Grabs a real drive for its first user.
void Attach(TDrive& d) {
    if (d.Recorder) return;
    std::lock_guard<std::mutex> lock(g_Libburn);
    if (d.Users++ > 0) return;
    DrainMessages();
    burn_drive_info* info = nullptr;
    if (burn_drive_scan_and_grab(&info, const_cast<char*>(d.Path.c_str()), 0) != 1 || !info) {
        --d.Users;
        int err = 0;
        std::string why = LibburnReason(&err);
        Fail(BURNLIB_ERROR_NO_DRIVE, "The drive " + d.Path + " cannot be opened" + (why.empty() ? "." : ": " + why),
             err);
    }
    d.Info = info;
    d.Drive = info[0].drive;
    d.Grabbed = true;
}

void Detach(TDrive& d) {
    if (d.Recorder) return;
    std::lock_guard<std::mutex> lock(g_Libburn);
    if (--d.Users > 0) return;
    if (d.Grabbed) burn_drive_release(d.Drive, 0);
    burn_drive_info_free(d.Info);
    d.Info = nullptr;
    d.Drive = nullptr;
    d.Grabbed = false;
}

// The libburn drive, grabbed again when a release or eject let it go. Caller holds g_Libburn.
burn_drive* Grabbed(TDrive& d) {
    if (!d.Grabbed) {
        if (burn_drive_grab(d.Drive, 0) != 1) {
            int err = 0;
            std::string why = LibburnReason(&err);
            Fail(BURNLIB_ERROR_NO_DRIVE, "The drive " + d.Path + " cannot be used" + (why.empty() ? "." : ": " + why),
                 err);
        }
        d.Grabbed = true;
    }
    return d.Drive;
}

THandle Lookup(BURNLIB_HANDLE h, THandle::Kind kind) {
    std::lock_guard<std::mutex> lock(g_Table);
    auto it = g_Handles.find(h);
    if (it == g_Handles.end() || it->second.kind != kind)
        Fail(BURNLIB_ERROR_INVALID_HANDLE, "The handle is not valid (it was never made or has been destroyed).");
    return it->second;
}

BURNLIB_HANDLE Register(THandle entry) {
    std::lock_guard<std::mutex> lock(g_Table);
    BURNLIB_HANDLE h = g_NextHandle;
    g_NextHandle += 0x10;
    g_Handles[h] = std::move(entry);
    return h;
}

// Marks a drive busy for a write or blank; another one at the same time is refused.
class TBusy {
public:
    explicit TBusy(TDrive& d) : drive(d) {
        if (drive.Busy.exchange(true)) Fail(BURNLIB_ERROR_BUSY, "The drive is busy with another burn or erase.");
    }
    ~TBusy() { drive.Busy = false; }
    TBusy(const TBusy&) = delete;
    TBusy& operator=(const TBusy&) = delete;

private:
    TDrive& drive;
};

// Disc state of a real drive. Caller holds g_Libburn.
enum burn_disc_status DiscStatus(burn_drive* d) {
    enum burn_disc_status s;
    // A drive still spinning up the disc answers "unready" for a few seconds.
    for (int tries = 0; (s = burn_disc_get_status(d)) == BURN_DISC_UNREADY && tries < 200; ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (s == BURN_DISC_UNREADY)
        Fail(BURNLIB_ERROR_NO_MEDIUM, "The drive does not get ready. Check the disc and try again.");
    return s;
}

void RequireMedium(burn_drive* d) {
    if (DiscStatus(d) == BURN_DISC_EMPTY)
        Fail(BURNLIB_ERROR_NO_MEDIUM, "There is no disc in the drive. Insert a disc.");
}

DISC_TYPE RealDiscType(burn_drive* d) {
    if (DiscStatus(d) == BURN_DISC_EMPTY) return DISC_TYPE_NO_MEDIA;
    int profile = 0;
    char name[80];
    if (burn_disc_get_profile(d, &profile, name) != 1) return DISC_TYPE_UNKNOWN;
    return DiscTypeOfProfile(profile);
}

std::vector<uint32_t> RealSpeeds(burn_drive* d, bool write) {
    std::vector<uint32_t> out;
    burn_speed_descriptor* list = nullptr;
    if (burn_drive_get_speedlist(d, &list) == 1) {
        for (burn_speed_descriptor* s = list; s; s = s->next) {
            int v = write ? s->write_speed : s->read_speed;
            if (v > 0 && std::find(out.begin(), out.end(), uint32_t(v)) == out.end()) out.push_back(uint32_t(v));
        }
        burn_drive_free_speedlist(&list);
    }
    if (out.empty()) {
        int v = write ? burn_drive_get_write_speed(d) : burn_drive_get_read_speed(d);
        if (v > 0) out.push_back(uint32_t(v));
    }
    std::sort(out.begin(), out.end());
    return out;
}

// Whether the drive protects against buffer underruns: the BUF bit of its CD
// track-at-once, CD mastering or DVD-R/-RW write feature, or a DVD+R/+RW or
// BD medium, whose writing links losslessly anyway. Caller holds g_Libburn.
bool DriveProtectsBuffer(burn_drive* d) {
    if (burn_drive_get_drive_role(d) != 1) return false;  // pseudo-drives write files
    for (unsigned feature : {0x2Du, 0x2Eu, 0x2Fu}) {
        unsigned char flags = 0, length = 0;
        unsigned char* data = nullptr;
        bool buf = burn_drive_get_feature(d, feature, &flags, &length, &data, nullptr) > 0 && data && length > 0 &&
                   (data[0] & 0x40);
        std::free(data);
        if (buf) return true;
    }
    int profile = 0;
    char name[80];
    if (burn_disc_get_profile(d, &profile, name) == 1)
        return profile == 0x1A || profile == 0x1B || profile == 0x2B || (profile >= 0x41 && profile <= 0x43);
    return false;
}

struct TSpace {
    int64_t Free = 0, Used = 0, Capacity = 0;
};

TSpace SpaceOf(TDrive& d) {
    TSpace s;
    if (d.Recorder) {
        s.Capacity = RecorderSettings().Capacity;
        s.Used = d.RecorderUsed;
        s.Free = s.Used ? 0 : s.Capacity;  // a written recorder disc is closed
        return s;
    }
    std::lock_guard<std::mutex> lock(g_Libburn);
    burn_drive* drive = Grabbed(d);
    enum burn_disc_status st = DiscStatus(drive);
    if (st == BURN_DISC_EMPTY) return s;
    if (st == BURN_DISC_BLANK || st == BURN_DISC_APPENDABLE)
        s.Free = std::max<off_t>(0, burn_disc_available_space(drive, nullptr));
    if (st == BURN_DISC_APPENDABLE || st == BURN_DISC_FULL) {
        int cap = 0;
        if (burn_get_read_capacity(drive, &cap, 0) == 1 && cap > 0) s.Used = int64_t(cap) * SectorSize;
    }
    s.Capacity = s.Free + s.Used;
    return s;
}

// ---- Burning ------------------------------------------------------------------------------
// The burn_source that hands our image to libburn, read ahead in large pieces.
struct TSourceState {
    TDvdVideoImage* Image = nullptr;
    std::vector<uint8_t> Buffer = std::vector<uint8_t>(1 << 20);
    size_t Have = 0, Used = 0;
    off_t FixedSize = 0;
    std::atomic<size_t> Buffered{0};  // bytes read ahead, for the buffer report
    int ErrorCode = 0, ErrorSys = 0;
    std::string ErrorText;
};

TSourceState* StateOf(burn_source* s) { return static_cast<std::shared_ptr<TSourceState>*>(s->data)->get(); }

int SourceRead(burn_source* src, unsigned char* buffer, int size) {
    TSourceState* st = StateOf(src);
    int done = 0;
    try {
        while (done < size) {
            if (st->Used == st->Have) {
                st->Have = st->Image->Read(st->Buffer.data(), st->Buffer.size());
                st->Used = 0;
                if (st->Have == 0) break;
            }
            size_t n = std::min<size_t>(size_t(size - done), st->Have - st->Used);
            std::memcpy(buffer + done, st->Buffer.data() + st->Used, n);
            st->Used += n;
            done += int(n);
        }
        st->Buffered = st->Have - st->Used;
    } catch (const EBurnLibError& e) {
        if (!st->ErrorCode) {
            st->ErrorCode = e.Code;
            st->ErrorSys = e.SysError;
            st->ErrorText = e.Message;
        }
        return -1;
    }
    return done;
}
off_t SourceSize(burn_source* src) { return StateOf(src)->Image->ByteSize(); }
int SourceSetSize(burn_source* src, off_t size) {
    StateOf(src)->FixedSize = size;
    return 1;
}
void SourceFree(burn_source* src) { delete static_cast<std::shared_ptr<TSourceState>*>(src->data); }
int SourceCancel(burn_source* src) {
    StateOf(src)->Image->Cancel();
    return 1;
}

void Notify(const THandle& h, int32_t kind, void* s1, void* s2) {
    if (h.callback) h.callback(kind, h.context, s1, s2);
}

struct TWriteRequest {
    bool TestMode = false;
    bool Multi = false;
    bool Recorder = false;
};

// Writes the image as one track through a grabbed libburn drive, reporting
// progress and buffer fill on the calling thread until the write has ended.
void WriteTrack(TDrive& d, const THandle& h, burn_drive* drive, TDvdVideoImage& image, const TWriteRequest& req) {
    auto state = std::make_shared<TSourceState>();
    state->Image = &image;
    image.Rewind();
    burn_source* source = nullptr;
    burn_disc* disc = nullptr;
    burn_session* session = nullptr;
    burn_track* track = nullptr;
    burn_write_opts* opts = nullptr;
    auto freeAll = [&] {  // g_Libburn held
        if (opts) burn_write_opts_free(opts);
        if (disc)
            burn_disc_free(disc);  // frees its sessions and tracks
        else {
            if (session) burn_session_free(session);
            if (track) burn_track_free(track);
        }
        if (source) burn_source_free(source);
        opts = nullptr, disc = nullptr, session = nullptr, track = nullptr, source = nullptr;
    };
    {
        std::lock_guard<std::mutex> lock(g_Libburn);
        DrainMessages();
        auto* src = static_cast<burn_source*>(std::calloc(1, sizeof(burn_source)));
        if (!src) Fail(BURNLIB_ERROR_GENERAL, "Out of memory.");
        src->refcount = 1;
        src->get_size = SourceSize;
        src->set_size = SourceSetSize;
        src->free_data = SourceFree;
        src->data = new std::shared_ptr<TSourceState>(state);  // freed by SourceFree
        src->version = 1;
        src->read_xt = SourceRead;
        src->cancel = SourceCancel;
        // Our source is the track's source: libburn's write thread reads it directly
        // (a libburn fifo thread in between outlived cancelled burns).
        source = src;
        disc = burn_disc_create();
        session = burn_session_create();
        track = burn_track_create();
        burn_disc_add_session(disc, session, BURN_POS_END);
        burn_session_free(session);  // the disc holds it
        burn_track_define_data(track, 0, 0, 1, BURN_MODE1);
        burn_track_set_source(track, source);
        burn_session_add_track(session, track, BURN_POS_END);
        burn_track_free(track);  // the session holds it
        session = nullptr, track = nullptr;
        opts = burn_write_opts_new(drive);
        burn_write_opts_set_perform_opc(opts, d.Opc ? 1 : 0);
        burn_write_opts_set_underrun_proof(opts, d.Bup ? 1 : 0);
        burn_write_opts_set_simulate(opts, req.TestMode ? 1 : 0);
        burn_write_opts_set_multi(opts, req.Multi ? 1 : 0);
        char reasons[BURN_REASONS_LEN] = "";
        // Track-at-once as the engine asks; media that take another write type
        // (overwritable DVD+RW, DVD-RAM) get the one libburn finds for them.
        bool typed = !req.Recorder && burn_write_opts_set_write_type(opts, BURN_WRITE_TAO, BURN_BLOCK_MODE1) > 0 &&
                     burn_precheck_write(opts, disc, reasons, 1) == 1;
        if (!typed && burn_write_opts_auto_write_type(opts, disc, reasons, 0) == BURN_WRITE_NONE) {
            std::string why = reasons;
            freeAll();
            Fail(BURNLIB_ERROR_MEDIUM_NOT_WRITABLE, "The disc cannot be written: " + why);
        }
        if (!req.Recorder)
            burn_drive_set_speed(drive, 0, d.WriteSpeed >= BURNLIB_SPEED_DEFAULT ? 0 : int(d.WriteSpeed));
        {
            std::lock_guard<std::mutex> run(d.RunLock);
            d.RunningImage = &image;
            d.RunningDrive = drive;
        }
        if (d.CancelRunning) image.Cancel();
    }
    // libburn lets a write thread finish its bookkeeping after it reports idle; a
    // write that starts in that moment is refused as "still going on": try again.
    std::string startReason;
    int startErrno = 0;
    for (int attempt = 0;; ++attempt) {
        std::lock_guard<std::mutex> lock(g_Libburn);
        burn_disc_write(opts, disc);
        if (burn_drive_get_status(drive, nullptr) != BURN_DRIVE_IDLE || attempt == 50) break;
        char text[BURN_MSGS_MESSAGE_LEN], severity[80];
        int code = 0, err = 0;
        bool busy = false;
        while (burn_msgs_obtain(const_cast<char*>("SORRY"), &code, text, &err, severity) > 0) {
            if (code == 0x00020102) busy = true;
            startReason = text;
            if (err) startErrno = err;
        }
        if (!busy) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const int64_t total = image.ByteSize();
    int64_t totalArg = total, doneArg = 0;
    Notify(h, BURNLIB_CB_PROGRESS, &totalArg, &doneArg);
    bool cancelSent = false;
    for (;;) {
        burn_progress p{};
        enum burn_drive_status st;
        int bufSize = 0, bufFree = 0;  // buffer size and free bytes
        {
            std::lock_guard<std::mutex> lock(g_Libburn);
            st = burn_drive_get_status(drive, &p);
            if (p.buffer_capacity > 0) {  // the drive's own buffer
                bufSize = int(std::min<unsigned>(p.buffer_capacity, INT32_MAX));
                bufFree = int(std::min<unsigned>(p.buffer_available, p.buffer_capacity));
            } else {  // a file has none: our read-ahead buffer
                bufSize = int(state->Buffer.size());
                bufFree = int(state->Buffer.size() - state->Buffered);
            }
            if (d.CancelRunning && !cancelSent && st != BURN_DRIVE_SPAWNING) {
                burn_drive_cancel(drive);
                cancelSent = true;
            }
        }
        if (st == BURN_DRIVE_IDLE) break;
        if (p.sectors > 0 && p.sector > 0) {
            doneArg = std::min<int64_t>(total, int64_t(p.sector) * SectorSize);
            Notify(h, BURNLIB_CB_PROGRESS, &totalArg, &doneArg);
        }
        uint32_t size = uint32_t(std::max(bufSize, 0));
        uint32_t freeBytes = uint32_t(std::clamp(bufFree, 0, std::max(bufSize, 0)));
        if (size) Notify(h, BURNLIB_CB_BUFFER, &size, &freeBytes);
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
    bool well;
    std::string why;
    int err = 0;
    {
        std::lock_guard<std::mutex> lock(g_Libburn);
        well = burn_drive_wrote_well(drive) == 1;
        err = startErrno;
        why = LibburnReason(&err);
        if (why.empty()) why = startReason;
        {
            std::lock_guard<std::mutex> run(d.RunLock);
            d.RunningImage = nullptr;
            d.RunningDrive = nullptr;
        }
        freeAll();
    }
    if (d.CancelRunning) Fail(BURNLIB_ERROR_CANCELLED, "The burn was cancelled.");
    if (state->ErrorCode) Fail(state->ErrorCode, state->ErrorText, state->ErrorSys);
    if (!well || (!req.TestMode && image.Position() < total)) {
        std::string text = "Writing the disc failed";
        if (!why.empty()) text += ": " + why;
        if (err) text += std::string(" (") + std::strerror(err) + ")";
        Fail(BURNLIB_ERROR_WRITE, text + ".", err);
    }
    doneArg = total;
    Notify(h, BURNLIB_CB_PROGRESS, &totalArg, &doneArg);
}

std::string MegaBytes(int64_t bytes) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", double(bytes) / (1024.0 * 1024.0));
    return buf;
}

void CheckFolderSpace(const std::string& folder, int64_t need) {
    struct statvfs vs {};
    if (statvfs(folder.c_str(), &vs) != 0) return;  // the write itself will tell
    int64_t avail = int64_t(vs.f_bavail) * int64_t(vs.f_frsize);
    if (avail < need)
        Fail(BURNLIB_ERROR_WRITE,
             "There is not enough free space in the folder \"" + folder + "\" for the image: " + MegaBytes(need) +
                 " MB are needed, " + MegaBytes(avail) + " MB are free.",
             ENOSPC);
}

void CheckSize(int64_t need, int64_t free) {
    if (need > free)
        Fail(BURNLIB_ERROR_MEDIUM_TOO_SMALL, "The disc is too small for this burn: it needs " + MegaBytes(need) +
                                                 " MB but only " + MegaBytes(free) +
                                                 " MB are free on the disc. Insert a disc with more space.");
}

// The recorder: a libburn stdio drive on a new image file in its folder; the
// file goes again unless the burn succeeds (a test burn writes nothing).
void BurnToRecorder(TDrive& d, const THandle& h, TDvdVideoImage& image, bool testMode) {
    const TRecorderSettings settings = RecorderSettings();
    const int64_t need = image.ByteSize();
    if (d.RecorderUsed)
        Fail(BURNLIB_ERROR_MEDIUM_NOT_WRITABLE,
             "The disc in the image recorder has already been written. Eject or erase it to get an empty disc.");
    CheckSize(need, settings.Capacity);
    const std::string path = ReserveImageFile(settings.Folder, image.Label());
    burn_drive_info* info = nullptr;
    rtl::TScopeExit Undo([&] {
        if (info) {
            std::lock_guard<std::mutex> lock(g_Libburn);
            burn_drive_release(info[0].drive, 0);
            burn_drive_info_free(info);
        }
        unlink(path.c_str());
    });
    if (!testMode) CheckFolderSpace(settings.Folder, need);
    {
        std::lock_guard<std::mutex> lock(g_Libburn);
        DrainMessages();
        std::string adr = "stdio:" + path;
        if (burn_drive_scan_and_grab(&info, adr.data(), 0) != 1 || !info) {
            int err = 0;
            std::string why = LibburnReason(&err);
            info = nullptr;
            Fail(BURNLIB_ERROR_WRITE,
                 "The image file \"" + path + "\" cannot be written" + (why.empty() ? "." : ": " + why), err);
        }
    }
    TWriteRequest req;
    req.TestMode = testMode;
    req.Recorder = true;
    WriteTrack(d, h, info[0].drive, image, req);
    {
        std::lock_guard<std::mutex> lock(g_Libburn);
        burn_drive_release(info[0].drive, 0);
        burn_drive_info_free(info);
        info = nullptr;
    }
    struct stat st {};
    if (!testMode && (stat(path.c_str(), &st) != 0 || st.st_size < need))
        Fail(BURNLIB_ERROR_WRITE, "The image file \"" + path + "\" was not written completely.");
    if (testMode)
        unlink(path.c_str());
    else
        d.RecorderUsed = need;
    Undo.Dismiss();
}

void BurnToDrive(TDrive& d, const THandle& h, TDvdVideoImage& image, bool testMode, bool multi) {
    burn_drive* drive;
    {
        std::lock_guard<std::mutex> lock(g_Libburn);
        drive = Grabbed(d);
        enum burn_disc_status st = DiscStatus(drive);
        if (st == BURN_DISC_EMPTY)
            Fail(BURNLIB_ERROR_NO_MEDIUM, "There is no disc in the drive. Insert an empty disc.");
        if (st != BURN_DISC_BLANK && st != BURN_DISC_APPENDABLE)
            Fail(BURNLIB_ERROR_MEDIUM_NOT_WRITABLE,
                 "The disc in the drive cannot be written: it is full or closed. Insert an empty disc.");
        CheckSize(image.ByteSize(), std::max<off_t>(0, burn_disc_available_space(drive, nullptr)));
    }
    TWriteRequest req;
    req.TestMode = testMode;
    req.Multi = multi;
    WriteTrack(d, h, drive, image, req);
    d.Opc = false;
}

// Standard prologue of a drive operation.
#define BURNLIB_OUT(name) \
    const TOut out { name, ExceptionText, ExceptionTextSize, SystemError, FailureInfo }

}  // namespace
}  // namespace burnlib

using namespace burnlib;

// ================================ The calls =================================================
extern "C" {

uint32_t BurnLib_GetVersion(void) { return BURNLIB_VERSION; }

int32_t BurnLib_UpStartEx(void) { return Start() ? 1 : 0; }

int32_t BurnLib_FindDevice(int32_t Flags, int32_t Reserved, BURNLIB_CALLBACK Callback, void* Context) {
    if (!Start()) return 0;
    int32_t count = 0;
    auto report = [&](BURNLIB_DEVICE_ADDRESS a, std::string name) {
        ++count;
        if (Callback) Callback(BURNLIB_CB_DEVICE_FOUND, Context, &a, name.data());
    };
    report(Recorder()->Address, "CDROM0");
    std::vector<std::string> devices = OpticalDevices();
    for (size_t i = 0; i < devices.size() && i < 20; ++i)
        report(AddressOf(devices[i], i), "CDROM" + std::to_string(i + 1));
    return count;
}

uint8_t BurnLib_GetDeviceNameByDeviceAddress(uint8_t PortID, uint8_t BusID, uint8_t TargetID, uint8_t LUN, char* Name,
                                             uint32_t NameSize) {
    if (!Name || !NameSize) return BURNLIB_ERROR_INVALID_ARGUMENT;
    std::string found;
    if (PortID == RecorderPort && !BusID && !TargetID && !LUN) {
        found = RecorderSettings().Folder;
    } else {
        std::vector<std::string> devices = OpticalDevices();
        for (size_t i = 0; i < devices.size(); ++i) {
            BURNLIB_DEVICE_ADDRESS a = AddressOf(devices[i], i);
            if (a.PortID == PortID && a.BusID == BusID && a.TargetID == TargetID && a.LUN == LUN) found = devices[i];
        }
    }
    if (found.empty()) return BURNLIB_ERROR_NO_DRIVE;
    std::string text = "\\\\.\\" + found;
    size_t n = std::min<size_t>(text.size(), NameSize - 1);
    std::memcpy(Name, text.data(), n);
    Name[n] = '\0';
    return BURNLIB_OK;
}

void BurnLib_SetFastReadTOC(int32_t) {}

uint8_t BurnLib_Recorder_Create(BURNLIB_HANDLE* Handle, BURNLIB_ERROR_ARGS, uint8_t PortID, uint8_t BusID,
                                uint8_t TargetID, uint8_t LUN, BURNLIB_CALLBACK Callback, void* Context,
                                int32_t ProbeOnly) {
    BURNLIB_OUT("BurnLib_Recorder_Create");
    return Guarded(out, [&] {
        if (!Handle) Fail(BURNLIB_ERROR_INVALID_ARGUMENT, "No place for the handle was given.");
        *Handle = 0;
        RequireStarted();
        std::shared_ptr<TDrive> drive;
        if (PortID == RecorderPort && !BusID && !TargetID && !LUN) {
            drive = Recorder();
        } else {
            std::vector<std::string> devices = OpticalDevices();
            for (size_t i = 0; i < devices.size() && !drive; ++i) {
                BURNLIB_DEVICE_ADDRESS a = AddressOf(devices[i], i);
                if (a.PortID == PortID && a.BusID == BusID && a.TargetID == TargetID && a.LUN == LUN)
                    drive = DriveFor(devices[i], a);
            }
        }
        if (!drive)
            Fail(BURNLIB_ERROR_NO_DRIVE, "No drive answers at " + std::to_string(PortID) + ":" + std::to_string(BusID) +
                                             ":" + std::to_string(TargetID) + ":" + std::to_string(LUN) + ".");
        Attach(*drive);
        THandle h;
        h.drive = drive;
        h.callback = Callback;
        h.context = Context;
        *Handle = Register(h);
    });
}

uint8_t BurnLib_Recorder_CreateEx(BURNLIB_HANDLE* Handle, BURNLIB_ERROR_ARGS, const char* DeviceName,
                                  BURNLIB_CALLBACK Callback, void* Context, int32_t ProbeOnly) {
    BURNLIB_OUT("BurnLib_Recorder_CreateEx");
    return Guarded(out, [&] {
        if (!Handle) Fail(BURNLIB_ERROR_INVALID_ARGUMENT, "No place for the handle was given.");
        *Handle = 0;
        RequireStarted();
        std::string name = DeviceName ? DeviceName : "";
        std::shared_ptr<TDrive> drive;
        if (name.size() > 5 && strncasecmp(name.c_str(), "CDROM", 5) == 0 &&
            name.find_first_not_of("0123456789", 5) == std::string::npos) {
            int n = std::atoi(name.c_str() + 5);
            if (n == 0) drive = Recorder();
            std::vector<std::string> devices = OpticalDevices();
            if (n >= 1 && size_t(n) <= devices.size())
                drive = DriveFor(devices[n - 1], AddressOf(devices[n - 1], n - 1));
        }
        if (!drive)
            Fail(BURNLIB_ERROR_NO_DRIVE, "There is no drive named \"" + name + "\". Refresh the list of drives.");
        Attach(*drive);
        THandle h;
        h.drive = drive;
        h.callback = Callback;
        h.context = Context;
        *Handle = Register(h);
    });
}

void BurnLib_Destroy(BURNLIB_HANDLE Handle) {
    THandle entry;
    {
        std::lock_guard<std::mutex> lock(g_Table);
        auto it = g_Handles.find(Handle);
        if (it == g_Handles.end() || it->second.kind == THandle::DvdVideo) return;
        if (it->second.kind == THandle::Tree) return;  // owned by its DVD-Video object
        entry = it->second;
        g_Handles.erase(it);
    }
    if (!entry.drive) return;
    // A burn still running through this handle is cancelled and waited for (at
    // most half a minute) before the drive can go.
    if (entry.drive->Busy) {
        entry.drive->CancelRunning = true;
        {
            std::lock_guard<std::mutex> run(entry.drive->RunLock);
            if (entry.drive->RunningImage) entry.drive->RunningImage->Cancel();
        }
        for (int i = 0; i < 600 && entry.drive->Busy; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    Detach(*entry.drive);
}

uint8_t BurnLib_Recorder_GetDeviceInformation(BURNLIB_HANDLE Handle, char* Vendor, char* Product, char* Revision,
                                              uint32_t* BufferSize) {
    char text[BURNLIB_EXCEPTION_TEXT_SIZE];
    const TOut out{"BurnLib_Recorder_GetDeviceInformation", text, sizeof text, nullptr, nullptr};
    return Guarded(out, [&] {
        THandle h = Lookup(Handle, THandle::Drive);
        auto put = [](char* dst, const std::string& s) {
            if (!dst) return;
            size_t n = std::min<size_t>(s.size(), BURNLIB_EXCEPTION_TEXT_SIZE - 1);
            std::memcpy(dst, s.data(), n);
            dst[n] = '\0';
        };
        if (h.drive->Recorder) {
            put(Vendor, RecorderVendor);
            put(Product, RecorderProduct);
            put(Revision, RecorderRevision);
            if (BufferSize) *BufferSize = 4096;
            return;
        }
        std::lock_guard<std::mutex> lock(g_Libburn);
        const burn_drive_info& i = h.drive->Info[0];
        put(Vendor, i.vendor);
        put(Product, i.product);
        put(Revision, i.revision);
        if (BufferSize) *BufferSize = uint32_t(std::max(i.buffer_size, 0));
    });
}

uint8_t BurnLib_Recorder_GetSupportedMediaFormats(BURNLIB_HANDLE Handle, uint8_t Flags[10]) {
    char text[BURNLIB_EXCEPTION_TEXT_SIZE];
    const TOut out{"BurnLib_Recorder_GetSupportedMediaFormats", text, sizeof text, nullptr, nullptr};
    return Guarded(out, [&] {
        THandle h = Lookup(Handle, THandle::Drive);
        std::memset(Flags, 0, 10);
        if (h.drive->Recorder) {  // writes recordable DVD and can simulate; reads nothing
            Flags[6] = 1;
            Flags[9] = 1;
            return;
        }
        std::lock_guard<std::mutex> lock(g_Libburn);
        const burn_drive_info& i = h.drive->Info[0];
        int profiles[64], n = 0;
        char current[64];
        bool writesDvd = i.write_dvdr;
        if (burn_drive_get_all_profiles(i.drive, &n, profiles, current) == 1)
            for (int k = 0; k < n; ++k)
                if (profiles[k] == 0x11 || profiles[k] == 0x14 || profiles[k] == 0x1A || profiles[k] == 0x1B ||
                    profiles[k] == 0x2B || profiles[k] == 0x15)
                    writesDvd = true;
        const uint8_t v[10] = {uint8_t(i.read_cdr),      uint8_t(i.read_cdrw),    uint8_t(i.read_dvdrom),
                               uint8_t(i.read_dvdr),     uint8_t(i.read_dvdram),  uint8_t(i.write_cdr),
                               uint8_t(writesDvd),       uint8_t(i.write_dvdram), uint8_t(i.write_cdrw),
                               uint8_t(i.write_simulate)};
        std::memcpy(Flags, v, 10);
    });
}

uint8_t BurnLib_Recorder_GetSupportedMediaFormatsExEx(BURNLIB_HANDLE Handle, uint8_t Flags[6]) {
    char text[BURNLIB_EXCEPTION_TEXT_SIZE];
    const TOut out{"BurnLib_Recorder_GetSupportedMediaFormatsExEx", text, sizeof text, nullptr, nullptr};
    return Guarded(out, [&] {
        THandle h = Lookup(Handle, THandle::Drive);
        std::memset(Flags, 0, 6);
        if (h.drive->Recorder) {
            Flags[2] = 1;  // writes DVD+R
            return;
        }
        std::lock_guard<std::mutex> lock(g_Libburn);
        int profiles[64], n = 0;
        char current[64];
        if (burn_drive_get_all_profiles(h.drive->Drive, &n, profiles, current) != 1) return;
        for (int k = 0; k < n; ++k) {
            switch (profiles[k]) {
                case 0x1B:
                    Flags[0] = Flags[2] = 1;
                    break;
                case 0x1A:
                    Flags[1] = Flags[3] = 1;
                    break;
                case 0x2B:
                    Flags[4] = 1;
                    break;
                case 0x15:
                    Flags[5] = 1;
                    break;
            }
        }
    });
}

DISC_TYPE BurnLib_Recorder_GetInsertedDiscType(BURNLIB_HANDLE Handle) {
    try {
        THandle h = Lookup(Handle, THandle::Drive);
        if (h.drive->Recorder) return DISC_TYPE_DVDPLUSR;
        std::lock_guard<std::mutex> lock(g_Libburn);
        return RealDiscType(Grabbed(*h.drive));
    } catch (const std::exception&) {
        return DISC_TYPE_UNKNOWN;
    }
}

uint8_t BurnLib_Recorder_GetDiscFreeSpace(BURNLIB_HANDLE Handle, int32_t, uint32_t* Count, int64_t* Free) {
    char text[BURNLIB_EXCEPTION_TEXT_SIZE];
    const TOut out{"BurnLib_Recorder_GetDiscFreeSpace", text, sizeof text, nullptr, nullptr};
    return Guarded(out, [&] {
        THandle h = Lookup(Handle, THandle::Drive);
        TSpace s = SpaceOf(*h.drive);
        if (Count) *Count = uint32_t(s.Free / SectorSize);
        if (Free) *Free = s.Free;
    });
}

uint8_t BurnLib_Recorder_TestUnitReady(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS) {
    BURNLIB_OUT("BurnLib_Recorder_TestUnitReady");
    return Guarded(out, [&] {
        THandle h = Lookup(Handle, THandle::Drive);
        if (h.drive->Recorder) return;
        std::lock_guard<std::mutex> lock(g_Libburn);
        RequireMedium(Grabbed(*h.drive));
    });
}

uint8_t BurnLib_Recorder_ProbeSupportedWriteModes(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS, uint8_t Modes[4]) {
    BURNLIB_OUT("BurnLib_Recorder_ProbeSupportedWriteModes");
    return Guarded(out, [&] {
        THandle h = Lookup(Handle, THandle::Drive);
        std::memset(Modes, 0, 4);
        if (h.drive->Recorder) {
            Modes[0] = 1;
            return;
        }
        std::lock_guard<std::mutex> lock(g_Libburn);
        const burn_drive_info& i = h.drive->Info[0];
        Modes[0] = i.tao_block_types != 0 || i.write_dvdr;
        Modes[1] = i.sao_block_types != 0;
        Modes[2] = (i.sao_block_types & BURN_BLOCK_SAO) != 0;
        Modes[3] = i.raw_block_types != 0;
    });
}

uint8_t BurnLib_Recorder_ProbeSupportedReadModes(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS, uint8_t Modes[6]) {
    BURNLIB_OUT("BurnLib_Recorder_ProbeSupportedReadModes");
    return Guarded(out, [&] {
        THandle h = Lookup(Handle, THandle::Drive);
        std::memset(Modes, 0, 6);
        if (h.drive->Recorder) Fail(BURNLIB_ERROR_NOT_SUPPORTED, "The image recorder does not read discs.");
        std::lock_guard<std::mutex> lock(g_Libburn);
        const burn_drive_info& i = h.drive->Info[0];
        Modes[0] = Modes[1] = Modes[2] = i.read_cdr || i.read_dvdrom;
        Modes[3] = i.read_cdr;
    });
}

uint8_t BurnLib_Recorder_GetDiscInformation(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS, BURNLIB_DISC_INFO* Info) {
    BURNLIB_OUT("BurnLib_Recorder_GetDiscInformation");
    return Guarded(out, [&] {
        THandle h = Lookup(Handle, THandle::Drive);
        if (!Info) Fail(BURNLIB_ERROR_INVALID_ARGUMENT, "No place for the disc information was given.");
        BURNLIB_DISC_INFO i{};
        TSpace s = SpaceOf(*h.drive);
        i.FirstTrack = 1;
        i.CapacityBlocks = uint32_t(s.Capacity / SectorSize);
        i.UsedBlocks = uint32_t(s.Used / SectorSize);
        if (h.drive->Recorder) {
            i.DiscStatus = s.Used ? 2 : 0;
            i.LastSessionState = s.Used ? 3 : 0;
            i.Sessions = s.Used ? 1 : 0;
            i.FirstTrackInLastSession = i.LastTrackInLastSession = 1;
            i.DiscType = DISC_TYPE_DVDPLUSR;
            i.Profile = 0x1B;
        } else {
            std::lock_guard<std::mutex> lock(g_Libburn);
            burn_drive* d = Grabbed(*h.drive);
            RequireMedium(d);
            enum burn_disc_status st = DiscStatus(d);
            i.DiscStatus = st == BURN_DISC_BLANK ? 0 : st == BURN_DISC_APPENDABLE ? 1 : st == BURN_DISC_FULL ? 2 : 3;
            i.Erasable = uint8_t(burn_disc_erasable(d) == 1);
            int profile = 0;
            char name[80];
            burn_disc_get_profile(d, &profile, name);
            i.Profile = uint16_t(profile);
            i.DiscType = RealDiscType(d);
            if (burn_disc* disc = burn_drive_get_disc(d)) {
                int sessions = 0;
                burn_session** list = burn_disc_get_sessions(disc, &sessions);
                i.Sessions = uint16_t(sessions);
                if (sessions > 0) {
                    int tracks = 0;
                    burn_session_get_tracks(list[sessions - 1], &tracks);
                    i.FirstTrackInLastSession = uint16_t(burn_session_get_start_tno(list[sessions - 1], 0));
                    i.LastTrackInLastSession = uint16_t(i.FirstTrackInLastSession + std::max(tracks, 1) - 1);
                }
                burn_disc_free(disc);
            }
            i.LastSessionState = i.DiscStatus == 0 ? 0 : 3;
            int lba = 0, nwa = 0;
            if (st == BURN_DISC_BLANK || st == BURN_DISC_APPENDABLE)
                if (burn_disc_track_lba_nwa(d, nullptr, 0, &lba, &nwa) == 1) i.NextWritable = uint32_t(nwa);
        }
        *Info = i;
    });
}

uint8_t BurnLib_Recorder_GetTrackInformation(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS, uint32_t Track,
                                             BURNLIB_TRACK_INFO* Info) {
    BURNLIB_OUT("BurnLib_Recorder_GetTrackInformation");
    return Guarded(out, [&] {
        THandle h = Lookup(Handle, THandle::Drive);
        if (!Info) Fail(BURNLIB_ERROR_INVALID_ARGUMENT, "No place for the track information was given.");
        BURNLIB_TRACK_INFO t{};
        TSpace s = SpaceOf(*h.drive);
        t.TrackNumber = uint16_t(Track);
        t.SessionNumber = 1;
        t.DataMode = 1;
        t.Blank = s.Used == 0;
        t.TrackStart = uint32_t(s.Used / SectorSize);
        t.FreeBlocks = uint32_t(s.Free / SectorSize);
        t.TrackSize = t.FreeBlocks;
        if (!h.drive->Recorder && s.Free > 0) {
            std::lock_guard<std::mutex> lock(g_Libburn);
            int lba = 0, nwa = 0;
            if (burn_disc_track_lba_nwa(Grabbed(*h.drive), nullptr, 0, &lba, &nwa) == 1) {
                t.TrackStart = uint32_t(lba);
                t.NextWritable = uint32_t(nwa);
            }
        } else {
            t.NextWritable = t.TrackStart;
        }
        *Info = t;
    });
}

uint8_t BurnLib_Recorder_GetTOCInformation(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS, BURNLIB_TOC_INFO* Info) {
    BURNLIB_OUT("BurnLib_Recorder_GetTOCInformation");
    return Guarded(out, [&] {
        THandle h = Lookup(Handle, THandle::Drive);
        if (!Info) Fail(BURNLIB_ERROR_INVALID_ARGUMENT, "No place for the table of contents was given.");
        std::memset(Info, 0, sizeof *Info);
        if (h.drive->Recorder) {
            if (h.drive->RecorderUsed) {
                Info->EntryCount = 1;
                Info->FirstTrack = Info->LastTrack = 1;
                Info->Entries[0] = {1, 1, 4, 0, 0, 0};
            }
            return;
        }
        std::lock_guard<std::mutex> lock(g_Libburn);
        burn_drive* d = Grabbed(*h.drive);
        RequireMedium(d);
        burn_disc* disc = burn_drive_get_disc(d);
        if (!disc) return;
        int sessions = 0;
        burn_session** list = burn_disc_get_sessions(disc, &sessions);
        size_t n = 0;
        for (int s = 0; s < sessions; ++s) {
            int tracks = 0;
            burn_track** tl = burn_session_get_tracks(list[s], &tracks);
            for (int t = 0; t < tracks && n < std::size(Info->Entries); ++t) {
                burn_toc_entry e{};
                burn_track_get_entry(tl[t], &e);
                BURNLIB_TOC_ENTRY& out = Info->Entries[n++];
                out.Session = uint8_t(s + 1);
                out.Track = e.point;
                out.Control = e.control;
                out.StartBlock = (e.extensions_valid & 1) ? uint32_t(e.start_lba)
                                                          : uint32_t(burn_msf_to_lba(e.pmin, e.psec, e.pframe));
                if (n == 1) Info->FirstTrack = e.point;
                Info->LastTrack = e.point;
            }
        }
        Info->EntryCount = uint16_t(n);
        burn_disc_free(disc);
    });
}

uint8_t BurnLib_Recorder_GetRPC(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS, char*, char*, char*, char*, char*) {
    BURNLIB_OUT("BurnLib_Recorder_GetRPC");
    return Guarded(out, [&] {
        Lookup(Handle, THandle::Drive);
        Fail(BURNLIB_ERROR_NOT_SUPPORTED, "The drive's region setting cannot be read through libburn.");
    });
}

uint8_t BurnLib_Recorder_GetDiscUsedSpace(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS, int64_t* Used) {
    BURNLIB_OUT("BurnLib_Recorder_GetDiscUsedSpace");
    return Guarded(out, [&] {
        THandle h = Lookup(Handle, THandle::Drive);
        TSpace s = SpaceOf(*h.drive);
        if (Used) *Used = s.Used;
    });
}

uint8_t BurnLib_Recorder_GetSpeeds(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS, uint32_t* CurrentRead,
                                   uint32_t* MaximumRead, uint32_t* CurrentWrite, uint32_t* MaximumWrite) {
    BURNLIB_OUT("BurnLib_Recorder_GetSpeeds");
    return Guarded(out, [&] {
        THandle h = Lookup(Handle, THandle::Drive);
        std::vector<uint32_t> reads, writes;
        if (h.drive->Recorder) {
            reads = writes = RecorderSpeeds();
        } else {
            std::lock_guard<std::mutex> lock(g_Libburn);
            burn_drive* d = Grabbed(*h.drive);
            reads = RealSpeeds(d, /*write=*/false);
            writes = RealSpeeds(d, /*write=*/true);
        }
        if (CurrentRead) *CurrentRead = ChooseSpeed(reads, h.drive->ReadSpeed);
        if (MaximumRead) *MaximumRead = reads.empty() ? 0 : reads.back();
        if (CurrentWrite) *CurrentWrite = ChooseSpeed(writes, h.drive->WriteSpeed);
        if (MaximumWrite) *MaximumWrite = writes.empty() ? 0 : writes.back();
    });
}

uint8_t BurnLib_Recorder_SetSpeeds(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS, uint32_t ReadSpeed, uint32_t WriteSpeed) {
    BURNLIB_OUT("BurnLib_Recorder_SetSpeeds");
    return Guarded(out, [&] {
        THandle h = Lookup(Handle, THandle::Drive);
        h.drive->ReadSpeed = ReadSpeed;
        h.drive->WriteSpeed = WriteSpeed;
        if (h.drive->Recorder) return;
        std::lock_guard<std::mutex> lock(g_Libburn);
        burn_drive* d = Grabbed(*h.drive);
        burn_drive_set_speed(d, ReadSpeed >= BURNLIB_SPEED_DEFAULT ? 0 : int(ReadSpeed),
                             WriteSpeed >= BURNLIB_SPEED_DEFAULT ? 0 : int(WriteSpeed));
    });
}

uint8_t BurnLib_Recorder_GetBUP(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS, uint8_t* Enabled, uint8_t* Supported) {
    BURNLIB_OUT("BurnLib_Recorder_GetBUP");
    return Guarded(out, [&] {
        THandle h = Lookup(Handle, THandle::Drive);
        bool supported = false;
        if (!h.drive->Recorder) {
            std::lock_guard<std::mutex> lock(g_Libburn);
            supported = DriveProtectsBuffer(Grabbed(*h.drive));
        }
        if (Enabled) *Enabled = supported && h.drive->Bup;
        if (Supported) *Supported = supported;  // an image file cannot run dry
    });
}

uint8_t BurnLib_Recorder_SetBUP(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS, int32_t Enable) {
    BURNLIB_OUT("BurnLib_Recorder_SetBUP");
    return Guarded(out, [&] { Lookup(Handle, THandle::Drive).drive->Bup = Enable != 0; });
}

uint8_t BurnLib_Recorder_SendOPC(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS) {
    BURNLIB_OUT("BurnLib_Recorder_SendOPC");
    return Guarded(out, [&] {
        THandle h = Lookup(Handle, THandle::Drive);
        if (h.drive->Recorder) return;  // an image file needs no calibration
        {
            std::lock_guard<std::mutex> lock(g_Libburn);
            RequireMedium(Grabbed(*h.drive));
        }
        h.drive->Opc = true;  // libburn calibrates at the start of the next write
    });
}

uint8_t BurnLib_Recorder_LockMedium(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS) {
    BURNLIB_OUT("BurnLib_Recorder_LockMedium");
    return Guarded(out, [&] {
        THandle h = Lookup(Handle, THandle::Drive);
        h.drive->CancelPending = false;
        if (h.drive->Recorder) return;
        std::lock_guard<std::mutex> lock(g_Libburn);
        Grabbed(*h.drive);  // a grabbed drive keeps its tray locked
    });
}

uint8_t BurnLib_Recorder_ReleaseMedium(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS) {
    BURNLIB_OUT("BurnLib_Recorder_ReleaseMedium");
    return Guarded(out, [&] {
        THandle h = Lookup(Handle, THandle::Drive);
        h.drive->CancelPending = false;
        if (h.drive->Recorder) return;
        if (h.drive->Busy) Fail(BURNLIB_ERROR_BUSY, "The drive is busy with a burn or erase.");
        std::lock_guard<std::mutex> lock(g_Libburn);
        if (h.drive->Grabbed) burn_drive_release(h.drive->Drive, 0);
        h.drive->Grabbed = false;
    });
}

uint8_t BurnLib_Recorder_Eject(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS) {
    BURNLIB_OUT("BurnLib_Recorder_Eject");
    return Guarded(out, [&] {
        THandle h = Lookup(Handle, THandle::Drive);
        h.drive->CancelPending = false;
        if (h.drive->Busy) Fail(BURNLIB_ERROR_BUSY, "The drive is busy with a burn or erase.");
        if (h.drive->Recorder) {  // the written disc goes; a new empty one is ready
            h.drive->RecorderUsed = 0;
            return;
        }
        std::lock_guard<std::mutex> lock(g_Libburn);
        burn_drive_release(Grabbed(*h.drive), 1);
        h.drive->Grabbed = false;
    });
}

uint8_t BurnLib_Recorder_Load(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS) {
    BURNLIB_OUT("BurnLib_Recorder_Load");
    return Guarded(out, [&] {
        THandle h = Lookup(Handle, THandle::Drive);
        h.drive->CancelPending = false;
        if (h.drive->Recorder) return;
        if (h.drive->Busy) Fail(BURNLIB_ERROR_BUSY, "The drive is busy with a burn or erase.");
        std::lock_guard<std::mutex> lock(g_Libburn);
        if (h.drive->Grabbed) {
            burn_drive_release(h.drive->Drive, 0);
            h.drive->Grabbed = false;
        }
        if (burn_drive_grab(h.drive->Drive, 1) != 1) {
            int err = 0;
            std::string why = LibburnReason(&err);
            Fail(BURNLIB_ERROR_NO_DRIVE, "The tray could not be closed" + (why.empty() ? "." : ": " + why), err);
        }
        h.drive->Grabbed = true;
    });
}

uint8_t BurnLib_Recorder_Blank(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS, int32_t EraseType) {
    BURNLIB_OUT("BurnLib_Recorder_Blank");
    return Guarded(out, [&] {
        THandle h = Lookup(Handle, THandle::Drive);
        if (EraseType != ERASE_TYPE_BLANK_DISC_FULL && EraseType != ERASE_TYPE_BLANK_DISC_FAST)
            Fail(BURNLIB_ERROR_INVALID_ARGUMENT, "Unknown erase type " + std::to_string(EraseType) + ".");
        TDrive& d = *h.drive;
        TBusy busy(d);
        if (d.Recorder) {  // the image file stays; the disc is empty again
            d.RecorderUsed = 0;
            return;
        }
        burn_drive* drive;
        {
            std::lock_guard<std::mutex> lock(g_Libburn);
            drive = Grabbed(d);
            RequireMedium(drive);
            if (burn_disc_erasable(drive) != 1)
                Fail(BURNLIB_ERROR_MEDIUM_NOT_WRITABLE, "The disc in the drive cannot be erased.");
            DrainMessages();
            burn_disc_erase(drive, EraseType == ERASE_TYPE_BLANK_DISC_FAST ? 1 : 0);
        }
        for (;;) {
            burn_progress p{};
            enum burn_drive_status st;
            {
                std::lock_guard<std::mutex> lock(g_Libburn);
                st = burn_drive_get_status(drive, &p);
            }
            if (st == BURN_DRIVE_IDLE) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        std::lock_guard<std::mutex> lock(g_Libburn);
        if (DiscStatus(drive) != BURN_DISC_BLANK) {
            int err = 0;
            std::string why = LibburnReason(&err);
            Fail(BURNLIB_ERROR_WRITE, "Erasing the disc failed" + (why.empty() ? "." : ": " + why), err);
        }
    });
}

uint8_t BurnLib_Recorder_TrackAtOnceFromTree(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS, BURNLIB_HANDLE Tree,
                                             int32_t CDROMXA, int32_t TestMode, int32_t NextSessionAllowed, int32_t,
                                             int32_t) {
    BURNLIB_OUT("BurnLib_Recorder_TrackAtOnceFromTree");
    return Guarded(out, [&] {
        THandle h = Lookup(Handle, THandle::Drive);
        THandle tree = Lookup(Tree, THandle::Tree);
        TDrive& d = *h.drive;
        TBusy busy(d);
        d.CancelRunning = d.CancelPending.exchange(false);
        if (d.CancelRunning) Fail(BURNLIB_ERROR_CANCELLED, "The burn was cancelled.");
        TDvdVideoImage& image = *tree.dvd->Image;
        for (const std::string& name : image.IgnoredNames()) {
            std::string copy = name;
            int32_t nodes = 1;
            Notify(h, BURNLIB_CB_IGNORED_NAME, copy.data(), &nodes);
        }
        rtl::TScopeExit ResetCancel([&] { d.CancelRunning = false; });
        if (d.Recorder)
            BurnToRecorder(d, h, image, TestMode != 0);
        else
            BurnToDrive(d, h, image, TestMode != 0, NextSessionAllowed != 0);
    });
}

uint8_t BurnLib_Recorder_CloseSession(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS) {
    BURNLIB_OUT("BurnLib_Recorder_CloseSession");
    return Guarded(out, [&] {
        // The write closes its session itself (leaving the disc appendable when the
        // next session was allowed); here the drive must still answer.
        THandle h = Lookup(Handle, THandle::Drive);
        if (h.drive->Recorder) return;
        std::lock_guard<std::mutex> lock(g_Libburn);
        RequireMedium(Grabbed(*h.drive));
    });
}

void BurnLib_Recorder_Cancel(BURNLIB_HANDLE Handle) {
    std::shared_ptr<TDrive> d;
    try {
        d = Lookup(Handle, THandle::Drive).drive;
    } catch (const std::exception&) {
        return;
    }
    if (!d->Busy) {
        d->CancelPending = true;
        return;
    }
    d->CancelRunning = true;
    std::lock_guard<std::mutex> run(d->RunLock);
    if (d->RunningImage) d->RunningImage->Cancel();
}

uint8_t BurnLib_Recorder_VideoCD(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS, const char*, const char*, int32_t, int32_t,
                                 int32_t, int32_t, int32_t) {
    BURNLIB_OUT("BurnLib_Recorder_VideoCD");
    return Guarded(out, [&] {
        Lookup(Handle, THandle::Drive);
        Fail(BURNLIB_ERROR_NOT_SUPPORTED, "Video CDs are not written by this program.");
    });
}

uint8_t BurnLib_Recorder_SuperVideoCD(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS, const char*, const char*, int32_t,
                                      int32_t, int32_t, int32_t, int32_t) {
    BURNLIB_OUT("BurnLib_Recorder_SuperVideoCD");
    return Guarded(out, [&] {
        Lookup(Handle, THandle::Drive);
        Fail(BURNLIB_ERROR_NOT_SUPPORTED, "Super Video CDs are not written by this program.");
    });
}

uint8_t BurnLib_DVDVideo_Create(BURNLIB_HANDLE* DVDVideo, const char* VideoTsFolder, int32_t, char* ExceptionText,
                                uint32_t ExceptionTextSize, uint32_t* SystemError, const char* VolumeLabel, const char*,
                                const char*, uint16_t Year, uint16_t Month, uint16_t Day, uint16_t Hour,
                                uint16_t Minute, uint16_t Second, uint16_t Millisecond) {
    const TOut out{"BurnLib_DVDVideo_Create", ExceptionText, ExceptionTextSize, SystemError, nullptr};
    return Guarded(out, [&] {
        if (!DVDVideo) Fail(BURNLIB_ERROR_INVALID_ARGUMENT, "No place for the DVD-Video object was given.");
        *DVDVideo = 0;
        if (!VideoTsFolder || !*VideoTsFolder) Fail(BURNLIB_ERROR_INVALID_ARGUMENT, "No VIDEO_TS folder was given.");
        TDiscTime t{Year, Month, Day, Hour, Minute, Second, Millisecond};
        if (Month < 1 || Month > 12 || Day < 1 || Day > 31 || Hour > 23 || Minute > 59 || Second > 60 ||
            Millisecond > 999)
            Fail(BURNLIB_ERROR_INVALID_ARGUMENT, "The creation time is not a valid time.");
        auto dvd = std::make_shared<TDvdVideo>();
        dvd->Image = std::make_unique<TDvdVideoImage>(VideoTsFolder, VolumeLabel ? VolumeLabel : "", t);
        THandle treeEntry;
        treeEntry.kind = THandle::Tree;
        treeEntry.dvd = dvd;
        dvd->Tree = Register(treeEntry);
        THandle entry;
        entry.kind = THandle::DvdVideo;
        entry.dvd = dvd;
        *DVDVideo = Register(entry);
    });
}

BURNLIB_HANDLE BurnLib_DVDVideo_GetTreePointer(BURNLIB_HANDLE DVDVideo) {
    try {
        return Lookup(DVDVideo, THandle::DvdVideo).dvd->Tree;
    } catch (const std::exception&) {
        return 0;
    }
}

void BurnLib_DVDVideo_Destroy(BURNLIB_HANDLE DVDVideo) {
    std::lock_guard<std::mutex> lock(g_Table);
    auto it = g_Handles.find(DVDVideo);
    if (it == g_Handles.end() || it->second.kind != THandle::DvdVideo) return;
    g_Handles.erase(it->second.dvd->Tree);
    g_Handles.erase(it);  // a burn still running keeps the image through its own reference
}

}  // extern "C"
