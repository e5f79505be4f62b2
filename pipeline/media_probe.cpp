// Probing through the media-information library's C interface.
#include <cstddef>
#include <cwchar>

#include <MediaInfoDLL/MediaInfoDLL_Static.h>

#include "pipeline/source_list.h"
#include "platform/system/locale_init.h"

void ProbeMediaFile(const std::string& Path, TFileItem& Item) {
    // The library turns the name into its wide form through the C character
    // type: without UTF-8 there, every non-ASCII name fails to open.
    EnsureUtf8CharacterType();
    void* h = MediaInfoA_New();
    if (!h) return;
    MediaInfoA_Open(h, Path.c_str());
    auto get = [h](MediaInfo_stream_C kind, const char* parameter) {
        const char* v = MediaInfoA_Get(h, kind, 0, parameter, MediaInfo_Info_Text, MediaInfo_Info_Name);
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
    MediaInfoA_Close(h);
    MediaInfoA_Delete(h);
}
