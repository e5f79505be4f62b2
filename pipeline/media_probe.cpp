// Probing through the media-information library's C interface.
#include <cstddef>
#include <cwchar>

#include <MediaInfoDLL/MediaInfoDLL_Static.h>

#include "pipeline/source_list.h"
#include "platform/rtl/shared_library.h"
#include "platform/system/locale_init.h"

namespace {

// The library is opened on the first probe: the program starts without it.
#define TESSARO_MEDIAINFO_CALLS(X) \
    X(MediaInfoA_New) X(MediaInfoA_Open) X(MediaInfoA_Get) X(MediaInfoA_Close) X(MediaInfoA_Delete)

struct TMediaInfoCalls {
#define TESSARO_MEDIAINFO_FIELD(Name) decltype(&::Name) Name = nullptr;
    TESSARO_MEDIAINFO_CALLS(TESSARO_MEDIAINFO_FIELD)
#undef TESSARO_MEDIAINFO_FIELD
};

// Null when the library or an entry is missing; the reason went to the
// standard error stream once.
const TMediaInfoCalls* LoadMediaInfoCalls() {
    static TSharedLibrary Library("media probing", TESSARO_SONAME_MEDIAINFO);
    static TMediaInfoCalls Calls;
    bool ok = Library.Open();
#define TESSARO_MEDIAINFO_BIND(Name) ok = ok && Library.Bind(Calls.Name, #Name);
    TESSARO_MEDIAINFO_CALLS(TESSARO_MEDIAINFO_BIND)
#undef TESSARO_MEDIAINFO_BIND
    if (!ok) {
        Library.ReportError();
        return nullptr;
    }
    return &Calls;
}

}  // namespace

void ProbeMediaFile(const std::string& Path, TFileItem& Item) {
    // The library turns the name into its wide form through the C character
    // type: without UTF-8 there, every non-ASCII name fails to open.
    EnsureUtf8CharacterType();
    static const TMediaInfoCalls* Calls = LoadMediaInfoCalls();
    if (!Calls) return;
    const TMediaInfoCalls& M = *Calls;
    void* h = M.MediaInfoA_New();
    if (!h) return;
    M.MediaInfoA_Open(h, Path.c_str());
    auto get = [h, &M](MediaInfo_stream_C kind, const char* parameter) {
        const char* v = M.MediaInfoA_Get(h, kind, 0, parameter, MediaInfo_Info_Text, MediaInfo_Info_Name);
        return std::string(v ? v : "");
    };
    Item.CompleteName = get(MediaInfo_Stream_General, "CompleteName");
    Item.FileSize = get(MediaInfo_Stream_General, "FileSize");
    Item.Format = get(MediaInfo_Stream_General, "Format");
    Item.PlayTime = get(MediaInfo_Stream_General, "PlayTime/String3");
    Item.AudioCount = get(MediaInfo_Stream_General, "AudioCount");
    Item.VideoCount = get(MediaInfo_Stream_General, "VideoCount");
    Item.VideoCodec = get(MediaInfo_Stream_Video, "Codec/String");
    Item.Width = get(MediaInfo_Stream_Video, "Width");
    Item.Height = get(MediaInfo_Stream_Video, "Height");
    Item.VideoBitrate = get(MediaInfo_Stream_Video, "Bitrate");
    Item.AspectRatio = get(MediaInfo_Stream_Video, "AspectRatio");
    Item.FrameRate = get(MediaInfo_Stream_Video, "FrameRate");
    Item.AudioCodec = get(MediaInfo_Stream_Audio, "Codec/String");
    Item.AudioBitRate = get(MediaInfo_Stream_Audio, "BitRate");
    Item.Channels = get(MediaInfo_Stream_Audio, "Channel(s)");
    Item.SamplingRate = get(MediaInfo_Stream_Audio, "SamplingRate");
    M.MediaInfoA_Close(h);
    M.MediaInfoA_Delete(h);
}
