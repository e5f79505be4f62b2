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
