// The disc checks of the burn step, without the window: the window that runs
// the step supplies its message boxes, its rescan of the drives (which updates
// the selected disc it passed in) and its erase dialog.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "burning/burn_engine.h"

struct TsbDiscCheckHost {
    // A message box; answers IDOK, IDCANCEL, ...
    std::function<int(const std::string& Text, const std::string& Caption, unsigned Flags)> MessageBox;
    // Rescans the drives without the scan dialog and refreshes the selected
    // disc's space and type.
    std::function<void()> Rescan;
    // Runs the erase dialog modally, closing by itself after a successful
    // erase, with its eject-after-erase box cleared and disabled.
    std::function<void()> RunEraseDialog;
};

// The selected writer's disc as the window keeps it; read anew after each
// rescan.
struct TsbSelectedDisc {
    const TsbDiscSpace& Space;
    const DISC_TYPE& Type;
};

// A disc is present and writable, then CheckDiscUsable.
bool CheckDiscPresent(TsbBurner& Engine, const TsbSelectedDisc& Disc, int64_t NeedSpace, TsbDiscCheckHost& Host);
// The disc is empty (erased after asking when rewritable) and larger than
// NeedSpace.
bool CheckDiscUsable(TsbBurner& Engine, const TsbSelectedDisc& Disc, int64_t NeedSpace, TsbDiscCheckHost& Host);

// What the burn needs on the disc: the VIDEO_TS folder of OutputFolder and its
// AUDIO_TS folder when there is one (found without regard to case), not
// whatever else lies beside them.
int64_t GetVideoFolderSize(const std::string& OutputFolder);

// Bytes as megabytes rounded to hundredths (halves to even), in the shortest
// form: "4482.27", "1.5", "0".
std::string sbBytesToMBText(int64_t Bytes);
// The status bar's disc text: type, used and free space.
std::string DiscSpaceText(DISC_TYPE DiscType, const TsbDiscSpace& Space);
// The four space statuses before a burn (need, total, free, used; kind 0).
void ReportBurnSpace(int64_t NeedSpace, const TsbDiscSpace& Space);
// What BurnVideo writes for a VIDEO_TS folder: a DVD-Video with Label, stamped
// with the time Stamp.
TsbVideoBurnOptions DvdVideoBurnOptions(const std::string& VideoTsFolder, const std::string& Label, TDateTime Stamp);
