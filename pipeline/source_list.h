// The source files of a disc: one probed file, the extension test, play times and
// the size estimate of the meter under the list.
#pragma once

#include <cstdint>
#include <string>

#include "platform/classlib/graphics.h"
#include "platform/rtl/classes.h"

// One source file: its name and folder, and what probing found (empty when nothing).
class TFileItem : public TObject {
public:
    std::string FileName;      // without folder
    std::string FilePath;      // folder, with its trailing separator
    std::string CompleteName;
    std::string FileSize;      // bytes, decimal
    std::string Format;
    std::string PlayTime;      // h:mm:ss.mmm
    std::string AudioCount;
    std::string VideoCount;
    std::string VideoCodec;
    std::string Width;
    std::string Height;
    std::string VideoBitrate;
    std::string AspectRatio;
    std::string FrameRate;
    std::string AudioCodec;
    std::string AudioBitRate;
    std::string Channels;
    std::string SamplingRate;
};

// Fills the probed values of Item for the file Path through the media-information
// library (stream 0 of each kind).
void ProbeMediaFile(const std::string& Path, TFileItem& Item);

// The refusal text key for a probed item, checked in order (empty name, size,
// play time, no audio and no video); "" when the file is accepted.
const std::string* ProbeRefusal(const TFileItem& Item);

// Whether an extension (with its dot) is one of FilterList's masks ("*.avi;*.mpg").
// Each mask pattern is matched whole, letter case ignored.
bool IsSupportedExtension(const std::string& Ext);

// The open dialog's filter: "name|mask|" per FilterList line, then "All Files|*.*".
std::string BuildOpenFilterText();

// "h:mm:ss.mmm" to milliseconds; a part that does not read counts 0.
int64_t PlayTimeToMs(const std::string& Text);

// The meter's reading for a total play time at a quality.
struct TSizeEstimate {
    int64_t SizeMB = 0;    // rounded, before the cap
    TColor BarColor = 0;   // end colour of the bar
    bool Warn = false;     // above a DVD-5
    int BarWidth = 0;      // pixels
};
TSizeEstimate EstimateSize(int64_t TotalMs, int32_t Quality);
