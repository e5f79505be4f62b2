// A scripted stand-in of the burning library for the engine's tests: it
// records every call by name, answers from a script (results, disc, speeds)
// and sends callbacks the way the library does. Install() puts it in place of
// the library's calls; Remove() puts the library back.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "burning/burnlib_binding.h"

namespace fakeburn {

struct TDrive {
    std::string Name;  // "CDROMn"
    BURNLIB_DEVICE_ADDRESS Address{1, 0, 0, 0, 0};
    std::string Vendor = "Fake", Product = "Writer";
    uint8_t MediaFormats[10] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    DISC_TYPE DiscType = DISC_TYPE_DVDPLUSR;
    bool Ready = true;
};

struct TScript {
    // Calls that fail, by name, with their exception number; the text and the
    // status are FailText and FailStatus.
    std::map<std::string, uint8_t> Fail;
    std::string FailText = "scripted failure";
    uint32_t FailStatus = 5;
    std::vector<TDrive> Drives;
    int64_t FreeBytes = 4700000000LL, UsedBytes = 0;
    uint32_t FreeCount = 2294921;
    uint8_t BUPEnabled = 0, BUPSupported = 1;
    // Current speeds answered by GetSpeeds for the speeds last set (0xFFFF: the
    // maximum); identity by default.
    std::function<uint32_t(uint32_t Requested)> WriteSpeedFor;
    std::function<uint32_t(uint32_t Requested)> ReadSpeedFor;
    uint32_t MaxRead = 22160, MaxWrite = 22160;
    // Callbacks sent by TrackAtOnceFromTree before it ends (kind, two payloads).
    std::function<void(BURNLIB_CALLBACK Callback, void* Context)> DuringBurn;
    // TrackAtOnceFromTree waits for Cancel (at most 10 s) when set.
    bool BurnWaitsForCancel = false;
    // TrackAtOnceFromTree waits for ReleaseBurn (at most 10 s), then ends as a
    // whole write, when set.
    bool BurnHeld = false;
    // Called by TestUnitReady before it answers (on the calling thread).
    std::function<void()> OnTestUnitReady;
    // How long Blank takes.
    int BlankMs = 0;
};

// The state a test reads back.
struct TState {
    std::mutex Lock;
    std::condition_variable Changed;
    std::vector<std::string> Calls;
    std::atomic<bool> Cancelled{false};
    std::atomic<bool> Burning{false};  // until TrackAtOnceFromTree has its result
    std::atomic<bool> Released{false};
    std::atomic<int> OpenHandles{0};
    uint32_t LastSetRead = 0, LastSetWrite = 0;
    int32_t LastBlankType = -1;
    std::string LastVideoTsFolder, LastVolumeLabel;
};

TScript& Script();
TState& State();
// Fresh script and state, the stand-in in place of the library.
void Install();
void Remove();
// The calls made so far, by name, in order.
std::vector<std::string> Calls();
int CountOf(const std::string& Name);
// Lets a held burn end.
void ReleaseBurn();

}  // namespace fakeburn
