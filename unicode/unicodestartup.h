// Start and end of the Unicode layer, run by the program before its first window
// and after its last one.
#pragma once

// Reads the system's version into the layer's process values (InitWideStrings),
// builds the conversion tables (so that no later thread builds them), adds the
// window atoms, makes UniApplication and installs the wide character hook.
// Runs after the class library's application object exists and before the
// main window; UnicodeShutdown undoes it.
void UnicodeStartup();
void UnicodeShutdown();
// True between UnicodeStartup and UnicodeShutdown.
bool UnicodeLayerStarted();
