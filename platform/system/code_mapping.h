// The program's and its libraries' code, mapped in at start. Each page of code
// first run costs a page fault; the start runs code spread over thousands of
// pages of the program and its libraries, and on some machines (virtual ones
// above all) a fault costs microseconds. Mapping it all in one request per
// segment, beside the start, spares the main thread most of those faults.
#pragma once

// Maps in the code of the program and of every library loaded now (pages the
// system holds already are only mapped, none is read twice). False when the
// kernel cannot do it (older than 5.14); nothing changes then.
bool MapCodeIn();
// MapCodeIn on a thread of its own; the program goes on at once.
void StartMappingCodeIn();
