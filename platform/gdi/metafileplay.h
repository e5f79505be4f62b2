// Playing Windows metafiles (enhanced and 16-bit) through our GDI. The player
// keeps the metafile's own mapping (window and viewport origins and extents,
// every mapping mode, the world transform) and draws in device units: lines,
// polygons, Bézier curves (flattened), paths, rectangles and ellipses, text,
// DIB blits and clip rectangles. Other records are skipped. Record sizes and
// counts are checked against the data: a damaged file stops where it breaks.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/gdi/gdi.h"

// Plays the enhanced metafile's picture frame into Bounds (device units of Dc).
BOOL PlayEnhMetaFile(HDC Dc, const void* Data, size_t Size, const RECT* Bounds);
// The same for a 16-bit metafile, with or without its placeable header.
BOOL PlayMetaFile(HDC Dc, const void* Data, size_t Size, const RECT* Bounds);

// True for the data of an enhanced metafile (its header record).
bool IsEnhMetaFileData(const void* Data, size_t Size);
// The picture's size in pixels at 96 dpi: an enhanced metafile's frame, a
// 16-bit one's placeable box, or without it its first window extent. False
// when the data holds no usable size.
bool MetaFileSize96(const void* Data, size_t Size, int& Width, int& Height);
