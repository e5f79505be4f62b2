// Start and end of the Unicode layer, run by the program before its first window
// and after its last one.
#pragma once

// Reads the system's version into the layer's process values (InitWideStrings)
// and builds the conversion tables, so that no later thread builds them.
void UnicodeStartup();
void UnicodeShutdown();
// True between UnicodeStartup and UnicodeShutdown.
bool UnicodeLayerStarted();
