// Item ID lists of the shell namespace and the folder picker's name matching.
// A list is a chain of items, each starting with its 16-bit byte count (the
// count included), ended by a 16-bit zero; lists live in CoTaskMemAlloc blocks
// and every routine that returns one returns a new block the caller frees.
#pragma once

#include <cstddef>
#include <cstdint>

#include "unicode/widestrings.h"

struct ITEMIDLIST;
using LPITEMIDLIST = ITEMIDLIST*;
using LPCITEMIDLIST = const ITEMIDLIST*;

// Bytes of the list with its terminator; 0 for nil.
std::size_t PIDLSize(LPCITEMIDLIST List);
// Items of the list; 0 for nil.
int PIDLItemCount(LPCITEMIDLIST List);
// A zero-filled block of the shell allocator; nil when none can be had.
void* AllocShellMemZero(std::size_t Size);
void FreePIDL(LPITEMIDLIST List);
// A copy; nil for nil.
LPITEMIDLIST CopyPIDL(LPCITEMIDLIST List);
// First's items followed by Second's; either may be nil (both nil: nil).
LPITEMIDLIST ConcatPIDLs(LPCITEMIDLIST First, LPCITEMIDLIST Second);
// A one-item list of item Index (0-based); Index equal to the count gives an
// empty list, a greater or negative one nil.
LPITEMIDLIST CopyPIDLItem(LPCITEMIDLIST List, int Index);
// The list cut after its first Count items (all of them when Count is larger).
LPITEMIDLIST CopyPIDLPrefix(LPCITEMIDLIST List, int Count);
// A list of the given items' bytes (each without its count), for building lists.
LPITEMIDLIST MakePIDL(const std::string* Items, int Count);
// Item Index's bytes after its count; empty for a missing item.
std::string PIDLItemData(LPCITEMIDLIST List, int Index);

// Name against a mask with * and ?, bracketed sets with ranges and "!"
// negation, ignoring case, on the wide text itself.
bool WideMatchesMask(const WideString& Name, const WideString& Mask);
