// The views' side of the I/O component, kept in a unit of its own: the I/O
// component's header names TColor differently from the class library's, so
// the two are never included together (the views' unit sees only these calls).
#pragma once

#include <string>

class TIEBitmap;
class TIEImageIO;

TIEImageIO* IEViewNewIO(TIEBitmap* Target);
void IEViewFreeIO(TIEImageIO* IO);
void IEViewSetTarget(TIEImageIO* IO, TIEBitmap* Target);
// Loads by the file's extension or content; raises as the component does.
// False when the component reports the load aborted.
bool IEViewLoadFile(TIEImageIO* IO, const std::string& FileName);
