#include "burning/burnlib_binding.h"

#include "platform/commctl/commctrl.h"
#include "platform/rtl/sysutils.h"
#include "platform/win/winuser.h"

namespace {
const TBurnLibCalls EntryPoints = {
#define SB_BURNLIB_ENTRY(Name) &::Name,
    SB_BURNLIB_CALLS(SB_BURNLIB_ENTRY)
#undef SB_BURNLIB_ENTRY
};
}  // namespace

const TBurnLibCalls* BurnLibDll = &EntryPoints;

const TBurnLibCalls& BurnLibEntryPoints() { return EntryPoints; }

void SetBurnLibCalls(const TBurnLibCalls* Calls) { BurnLibDll = Calls ? Calls : &EntryPoints; }

std::string BurnLibVersionText(uint32_t Version, bool& Valid) {
    Valid = Version == BurnLibExpectedVersion;
    if (Valid) return "BurnLib : BurnLib.dll version : 0x" + IntToHex(Version, 8);
    return "BurnLib : Invalid BurnLib.dll version : 0x" + IntToHex(Version, 8) + ". Expected : 0x" +
           IntToHex(BurnLibExpectedVersion, 8);
}

bool CheckBurnLibVersion() {
    bool Valid = false;
    std::string Text = BurnLibVersionText(BurnLibDll->BurnLib_GetVersion(), Valid);
    OutputDebugStringA(Text.c_str());
    if (!Valid) MessageBoxA(/*hWnd=*/nullptr, Text.c_str(), "", MB_OK | MB_ICONWARNING);
    return Valid;
}
