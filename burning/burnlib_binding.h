// The binding of the burning library: every call the engine makes goes through
// one table of the library's entry points, under their own names
// (BurnLibDll->BurnLib_Recorder_Blank(...)). The table holds the library's
// calls; tests put a scripted stand-in in its place.
#pragma once

#include <cstdint>
#include <string>

#include "platform/burnlib/burnlib.h"

#define SB_BURNLIB_CALLS(X)                                                                             \
    X(BurnLib_GetVersion)                                                                               \
    X(BurnLib_UpStartEx)                                                                                \
    X(BurnLib_FindDevice)                                                                               \
    X(BurnLib_GetDeviceNameByDeviceAddress)                                                             \
    X(BurnLib_SetFastReadTOC)                                                                           \
    X(BurnLib_Recorder_Create)                                                                          \
    X(BurnLib_Recorder_CreateEx)                                                                        \
    X(BurnLib_Destroy)                                                                                  \
    X(BurnLib_Recorder_GetDeviceInformation)                                                            \
    X(BurnLib_Recorder_GetSupportedMediaFormats)                                                        \
    X(BurnLib_Recorder_GetSupportedMediaFormatsExEx)                                                    \
    X(BurnLib_Recorder_GetInsertedDiscType)                                                             \
    X(BurnLib_Recorder_GetDiscFreeSpace)                                                                \
    X(BurnLib_Recorder_TestUnitReady)                                                                   \
    X(BurnLib_Recorder_ProbeSupportedWriteModes)                                                        \
    X(BurnLib_Recorder_ProbeSupportedReadModes)                                                         \
    X(BurnLib_Recorder_GetDiscInformation)                                                              \
    X(BurnLib_Recorder_GetTrackInformation)                                                             \
    X(BurnLib_Recorder_GetTOCInformation)                                                               \
    X(BurnLib_Recorder_GetRPC)                                                                          \
    X(BurnLib_Recorder_GetDiscUsedSpace)                                                                \
    X(BurnLib_Recorder_GetSpeeds)                                                                       \
    X(BurnLib_Recorder_SetSpeeds)                                                                       \
    X(BurnLib_Recorder_GetBUP)                                                                          \
    X(BurnLib_Recorder_SetBUP)                                                                          \
    X(BurnLib_Recorder_SendOPC)                                                                         \
    X(BurnLib_Recorder_LockMedium)                                                                      \
    X(BurnLib_Recorder_ReleaseMedium)                                                                   \
    X(BurnLib_Recorder_Eject)                                                                           \
    X(BurnLib_Recorder_Load)                                                                            \
    X(BurnLib_Recorder_Blank)                                                                           \
    X(BurnLib_Recorder_TrackAtOnceFromTree)                                                             \
    X(BurnLib_Recorder_CloseSession)                                                                    \
    X(BurnLib_Recorder_Cancel)                                                                          \
    X(BurnLib_Recorder_VideoCD)                                                                         \
    X(BurnLib_Recorder_SuperVideoCD)                                                                    \
    X(BurnLib_DVDVideo_Create)                                                                          \
    X(BurnLib_DVDVideo_GetTreePointer)                                                                  \
    X(BurnLib_DVDVideo_Destroy)

struct TBurnLibCalls {
#define SB_BURNLIB_FIELD(Name) decltype(&::Name) Name;
    SB_BURNLIB_CALLS(SB_BURNLIB_FIELD)
#undef SB_BURNLIB_FIELD
};

// The calls in use; never null.
extern const TBurnLibCalls* BurnLibDll;
// The library's own entry points.
const TBurnLibCalls& BurnLibEntryPoints();
// Puts Calls in place of the library (nullptr: the library again). Only while
// no engine work runs.
void SetBurnLibCalls(const TBurnLibCalls* Calls);

constexpr uint32_t BurnLibExpectedVersion = 0x20080820u;

// The start-up check: the text written to the debugger output for Version, and
// whether it is the expected one.
std::string BurnLibVersionText(uint32_t Version, bool& Valid);
// Compares the library's version with the expected one; a different version
// only brings up a warning box. True on a match.
bool CheckBurnLibVersion();
