// Loading for the thumbnail grid through the image I/O component.
#pragma once

#include <string>

class TIEBitmap;

// True when the file's extension is that of a readable image format.
bool IEMultiViewIsImageFile(const std::string& FileName);
// Loads the file into Target; false when the component could not read it.
bool IEMultiViewLoadFile(TIEBitmap* Target, const std::string& FileName);
// Loads the preset frame picture of that resource name (a PNG of resources/frames).
bool IEMultiViewLoadFrame(TIEBitmap* Target, const char* Name);
