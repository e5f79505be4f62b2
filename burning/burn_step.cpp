#include "burning/burn_step.h"

#include "burning/burn_internal.h"
#include "core/globals.h"
#include "core/ui_texts.h"
#include "platform/commctl/commctrl.h"

namespace {

bool NoDisc(DISC_TYPE T) { return T == DISC_TYPE_UNKNOWN || T == DISC_TYPE_NO_MEDIA; }
bool Empty(const TsbDiscSpace& S) { return S.FreeBytes == S.TotalBytes; }

int Box(TsbDiscCheckHost& Host, const std::string& Text, const std::string& Caption, unsigned Flags) {
    return Host.MessageBox ? Host.MessageBox(Text, Caption, Flags) : IDCANCEL;
}

void Rescan(TsbBurner& Engine, TsbDiscCheckHost& Host) {
    Engine.LoadTray();
    if (Host.Rescan) Host.Rescan();
}

}  // namespace

bool CheckDiscPresent(TsbBurner& Engine, const TsbSelectedDisc& Disc, int64_t NeedSpace, TsbDiscCheckHost& Host) {
    if (NoDisc(Disc.Type)) {
        Engine.Eject();
        sbStatus(IDS_Main_MSG_InsertDesDisc, sbMsgInfo);
        Box(Host, IDS_Main_MSG_InsertDesDisc, IDS_main_MSG_Hint, MB_OK | MB_ICONERROR);
        Rescan(Engine, Host);
        if (NoDisc(Disc.Type)) return false;
    }
    if (!IsWritableMedia(Disc.Type)) {
        sbStatus(IDS_Main_MSG_NoWriteMedia, sbMsgInfo);
        Engine.Eject();
        Box(Host, IDS_Main_MSG_NoWriteMedia, IDS_main_MSG_Hint, MB_OK);
        Rescan(Engine, Host);
        if (!IsWritableMedia(Disc.Type)) return false;
    }
    return CheckDiscUsable(Engine, Disc, NeedSpace, Host);
}

bool CheckDiscUsable(TsbBurner& Engine, const TsbSelectedDisc& Disc, int64_t NeedSpace, TsbDiscCheckHost& Host) {
    bool Result = true;
    if (!Empty(Disc.Space)) {
        if (IsRewritableMedia(Disc.Type)) {
            if (Box(Host, IDS_Main_NoEnoughSpaceToErase, IDS_main_MSG_Hint, MB_OKCANCEL) != IDOK) {
                Engine.Eject();
                sbStatus(IDS_Main_MSG_NonemptyDisc, sbMsgInfo);
                return false;
            }
            sbStatus(IDS_Main_NoEnoughSpaceYesErase, sbMsgInfo);
            sbStatus(IDS_Main_Info_EraseDisc, sbMsgInfo);
            if (Host.RunEraseDialog) Host.RunEraseDialog();
            Rescan(Engine, Host);
            if (!Empty(Disc.Space)) {
                sbStatus(IDS_Main_EreaseDiscNotEmpty, sbMsgInfo);
                Box(Host, IDS_Main_EreaseDiscNotEmpty, IDS_main_MSG_Hint, MB_OK);
                Engine.Eject();
                Result = false;
            }
        } else {
            Engine.Eject();
            Box(Host, IDS_Main_MSG_NonemptyDisc, IDS_main_MSG_Error, MB_OK | MB_ICONERROR);
            Rescan(Engine, Host);
            if (!Empty(Disc.Space)) {
                sbStatus(IDS_Main_MSG_NonemptyDisc, sbMsgInfo);
                return false;
            }
        }
    }
    if (NeedSpace >= Disc.Space.FreeBytes) {
        Engine.Eject();
        sbStatus(IDS_Main_MSG_DiscSpaceNotEnough, sbMsgInfo);
        Box(Host, IDS_Main_MSG_DiscSpaceNotEnough, IDS_main_MSG_Error, MB_OK | MB_ICONERROR);
        Rescan(Engine, Host);
        if (NeedSpace >= Disc.Space.FreeBytes) return false;
    }
    return Result;
}

int64_t GetVideoFolderSize(const std::string& OutputFolder) {
    std::string Folder = IncludeTrailingPathDelimiter(OutputFolder);
    int64_t Size = 0;
    for (const char* Name : {"VIDEO_TS", "AUDIO_TS"}) {
        std::string OnDisk = FindNameNoCase(Folder, Name);
        if (!OnDisk.empty()) Size += GetFolderSize(Folder + OnDisk);
    }
    return Size;
}

std::string sbBytesToMBText(int64_t Bytes) {
    return FloatToStr(static_cast<double>(Round(static_cast<double>(Bytes) / 1024 / 1024 * 100)) / 100);
}

std::string DiscSpaceText(DISC_TYPE DiscType, const TsbDiscSpace& Space) {
    return DiscTypeName(DiscType) + ", " + sbFormatText(IDS_Main_status_UsedSpace, {sbBytesToMBText(Space.UsedBytes)}) +
           ", " + sbFormatText(IDS_Main_status_FreeSpace, {sbBytesToMBText(Space.FreeBytes)});
}

void ReportBurnSpace(int64_t NeedSpace, const TsbDiscSpace& Space) {
    auto MB = [](int64_t Bytes) { return static_cast<double>(Bytes) / 1024 / 1024; };
    sbStatus(sbFormatText(IDS_Main_MSG_DVDSize, {MB(NeedSpace)}), sbMsgInfo);
    sbStatus(sbFormatText(IDS_Main_MSG_DVDDiscTotalSize, {MB(Space.TotalBytes)}), sbMsgInfo);
    sbStatus(sbFormatText(IDS_Main_MSG_DVDDiscFreeSize, {MB(Space.FreeBytes)}), sbMsgInfo);
    sbStatus(sbFormatText(IDS_Main_MSG_DVDDiscUsedSize, {MB(Space.UsedBytes)}), sbMsgInfo);
}

TsbVideoBurnOptions DvdVideoBurnOptions(const std::string& VideoTsFolder, const std::string& Label, TDateTime Stamp) {
    TsbVideoBurnOptions O;
    O.Used = true;
    O.VideoKind = 2;
    O.VideoTsFolder = VideoTsFolder;
    O.VolumeLabel = Label;
    int Y, Mo, D, H, Mi, S, Ms;
    DecodeDate(Stamp, Y, Mo, D);
    DecodeTime(Stamp, H, Mi, S, Ms);
    O.Year = static_cast<uint16_t>(Y);
    O.Month = static_cast<uint16_t>(Mo);
    O.Day = static_cast<uint16_t>(D);
    O.Hour = static_cast<uint16_t>(H);
    O.Minute = static_cast<uint16_t>(Mi);
    O.Second = static_cast<uint16_t>(S);
    O.Millisecond = static_cast<uint16_t>(Ms);
    return O;
}
