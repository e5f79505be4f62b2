#include "unicode/unicodestartup.h"

#include "platform/system/locale_init.h"
#include "unicode/unicodewindows.h"
#include "unicode/uniforms.h"
#include "unicode/unimenus.h"
#include "unicode/widewrappers.h"
#include "unicode/widepropertyfilers.h"
#include "unicode/widestrings.h"

namespace {
bool Started = false;
}

void UnicodeStartup() {
    if (Started)
        return;
    // Case folding and character types of wide text follow a UTF-8 character type.
    EnsureUtf8CharacterType();
    InitWideStrings();
    ApplyWideStringsSwitch = false;
    // The UTF-7 tables are made on first use; using them here makes them before any worker thread can.
    Utf7ToWide("+AGE-");
    UnicodeWindowsStartup();
    UniFormsStartup();
    UniMenusStartup();
    Started = true;
}

void UnicodeShutdown() {
    if (!Started)
        return;
    UniMenusShutdown();
    UniFormsShutdown();
    FreeShell32Module();
    UnicodeWindowsShutdown();
    Started = false;
}

bool UnicodeLayerStarted() { return Started; }
