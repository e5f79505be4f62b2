#include "unicode/unicodestartup.h"

#include "unicode/widepropertyfilers.h"
#include "unicode/widestrings.h"

namespace {
bool Started = false;
}

void UnicodeStartup() {
    if (Started)
        return;
    InitWideStrings();
    ApplyWideStringsSwitch = false;
    // The UTF-7 tables are made on first use; using them here makes them before any worker thread can.
    Utf7ToWide("+AGE-");
    Started = true;
}

void UnicodeShutdown() { Started = false; }

bool UnicodeLayerStarted() { return Started; }
