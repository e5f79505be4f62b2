// The program's start and end in the designed order, shared by main() and the
// start-up tests.
#pragma once

#include <string>

// When the main window's start work (the drive scan with its dialog, the burn
// options, the template preview) runs: within FormCreate, or once the message
// loop has painted the window for the first time, so the window comes up first.
enum class TStartWork { InFormCreate, AfterFirstPaint };

// Units' start-up, the application object, the paths and options, the texts of
// the current language, then the main window (whose FormCreate runs). AppFolder
// empty: the executable's folder. False when the start failed (the reason was
// shown); the units are shut down again then.
bool ProgramStartup(const std::string& AppFolder = "", TStartWork StartWork = TStartWork::InFormCreate);
// The message loop until the application terminates.
void ProgramRun();
// Destroys the main window (its FormDestroy saves the options) and shuts the
// units down.
void ProgramShutdown();
