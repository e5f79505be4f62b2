// Turning a bitmap upright for its EXIF orientation.
#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iemisc.h"
#include "imaging/processing/rotate.h"

void ApplyEXIFOrientation(TIEBitmap* Bitmap, int Orientation) {
    if (!Bitmap || Bitmap->IsEmpty()) return;
    const TRGB black{0, 0, 0};
    // Angles are counter-clockwise. Orientation 5 is the transpose (a quarter turn clockwise,
    // then a mirror) and 7 the transverse (a quarter turn counter-clockwise, then a mirror).
    switch (Orientation) {
        case 2: FlipBitmap(Bitmap, 0); break;
        case 3:
            FlipBitmap(Bitmap, 1);
            FlipBitmap(Bitmap, 0);
            break;
        case 4: FlipBitmap(Bitmap, 1); break;
        case 5:
            RotateBitmap(Bitmap, -90, black);
            FlipBitmap(Bitmap, 0);
            break;
        case 6: RotateBitmap(Bitmap, -90, black); break;
        case 7:
            RotateBitmap(Bitmap, 90, black);
            FlipBitmap(Bitmap, 0);
            break;
        case 8: RotateBitmap(Bitmap, 90, black); break;
        default: break;
    }
}
