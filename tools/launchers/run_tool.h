#pragma once

// Runs the tool as a child and waits for it, so that this process keeps the file
// name the program looks for when it ends leftover tools by name. The child dies
// with this process. Answers the tool's exit code (128 + signal when killed).
int RunTool(char* const* Argv);
