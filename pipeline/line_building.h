// Turns the chunks a child writes into whole lines for the output parsers of the
// conversion and DVD-structure steps.
#pragma once

#include <string>
#include <vector>

struct TOutputLine {
    std::string Line;         // never blank
    std::string Predecessor;  // the line before it in the same chunk (blank ones count); "" for the first
};

// One chunk: cut at a NUL byte, line ends made CR LF, Pending put in front. Until
// the child has Exited, everything after the last CR LF is held back in Pending
// (all of it when there is none); once it has, nothing is held back.
std::vector<TOutputLine> BuildOutputLines(const char* Buffer, int Size, bool Exited, std::string& Pending);

// Lone CR, lone LF and LF CR become CR LF.
std::string NormalizeLineBreaks(const std::string& Text);
