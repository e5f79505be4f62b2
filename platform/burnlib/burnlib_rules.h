// Small rules of the burning library that do not need a drive: media profiles,
// speed choice, the image recorder's settings and file names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/burnlib/burnlib.h"

namespace burnlib {

// DISC_TYPE of an MMC profile number (0 = no medium).
DISC_TYPE DiscTypeOfProfile(int Profile);

// The speed a drive with the listed speeds (KB/s) takes when asked for Wanted:
// the fastest for BURNLIB_SPEED_DEFAULT or 0, else the fastest not above Wanted,
// else the slowest. 0 when the list is empty.
uint32_t ChooseSpeed(const std::vector<uint32_t>& Speeds, uint32_t Wanted);

// The image recorder's settings, read at each use: the environment (TESSARO_RECORDER_DIR,
// TESSARO_RECORDER_CAPACITY), else the values "Folder" and "Capacity" (bytes) of
// this registry key under HKEY_LOCAL_MACHINE, else the user's Videos folder (home
// when it does not exist) and a single-layer DVD.
constexpr const char* RecorderRegistryKey = "Software\\BurnLib\\Recorder";
constexpr int64_t RecorderDefaultCapacity = 2295104LL * 2048;  // single-layer DVD+R
struct TRecorderSettings {
    std::string Folder;  // ends with '/'
    int64_t Capacity = RecorderDefaultCapacity;
};
TRecorderSettings RecorderSettings();

// "<label>.iso" in Folder, or "<label> (2).iso", "(3)" ... when taken; control
// characters and / \ : * ? " < > | of the label become '_', an empty label is "DVD". A missing
// folder is made. The name is reserved by creating the empty file, which the
// caller removes when the burn does not succeed. Raises EBurnLibError when the
// folder cannot be written.
std::string ReserveImageFile(const std::string& Folder, const std::string& Label);

// Speeds the recorder offers (KB/s): 1x, 2x, 4x, 8x, 16x DVD.
const std::vector<uint32_t>& RecorderSpeeds();

}  // namespace burnlib
