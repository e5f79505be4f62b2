// The catalogue of transition effects: the 163 named effects with their step
// procedures (types 31 to 163; the player draws types 1 to 30 itself) and the
// geometry helpers the procedures share.
#pragma once

#include <cstdint>
#include <span>

#include "platform/classlib/graphics.h"
#include "platform/gdi/gdi.h"

enum TIETransitionType : uint8_t {
    iettNone = 0,
    iettCrossDissolve = 1,
    iettFadeOut,
    iettFadeIn,
    iettFadeOutIn,
    iettLeftRight1,
    iettLeftRight2,
    iettRightLeft1,
    iettRightLeft2,
    iettUpDown1,
    iettUpDown2,
    iettDownUp1,
    iettDownUp2,
    iettFromUpLeft,
    iettFromUpRight,
    iettFromBottomLeft,
    iettFromBottomRight,
    iettMoveLeftRight1,
    iettMoveLeftRight2,
    iettMoveRightLeft1,
    iettMoveRightLeft2,
    iettMoveUpDown1,
    iettMoveUpDown2,
    iettMoveDownUp1,
    iettMoveDownUp2,
    iettRandomPoints,
    iettRandomBoxes,
    iettCenter1,
    iettCenter2,
    iettCenterZoom1,
    iettCenterZoom2,
    iettExpandFromLeft,
    iettExpandFromRight,
    iettExpandFromTop,
    iettExpandFromBottom,
    iettExpandFromTopLeft,
    iettExpandFromTopRight,
    iettExpandFromBottomLeft,
    iettExpandFromBottomRight,
    iettExpandInFromLeft,
    iettExpandInFromRight,
    iettExpandInFromTop,
    iettExpandInFromBottom,
    iettExpandInToVerticalCenter,
    iettExpandInToHorizon,
    iettExpandInFromSides,
    iettExpandInFromTopAndBottom,
    iettExpandOutFromHorizon,
    iettExpandOutFromVerticalCenter,
    iettWipeFromTopLeft,
    iettWipeFromTopRight,
    iettWipeFromBottomLeft,
    iettWipeFromBottomRight,
    iettWipeFromHorizon,
    iettWipeInFromSides,
    iettWipeOutFromVerticalCenter,
    iettBuildUpFromLeft,
    iettBuildUpFromRight,
    iettBuildUpFromTop,
    iettBuildUpFromBottom,
    iettUnrollFromLeft,
    iettUnrollFromRight,
    iettUnrollFromTop,
    iettUnrollFromBottom,
    iettSlideInFromLeft,
    iettSlideInFromRight,
    iettSlideInFromTop,
    iettSlideInFromBottom,
    iettSlideInFromTopAndBottom,
    iettShrinkToTopLeft,
    iettShrinkToTopRight,
    iettShrinkToBottomLeft,
    iettShrinkToBottomRight,
    iettShrinkToCenter,
    iettQuartersWipeInToCenter,
    iettQuartersExpandToCenter,
    iettQuartersSlideInToCenter,
    iettCurvedWipeFromLeft,
    iettCurvedWipeFromRight,
    iettCurvedWipeFromTop,
    iettCurvedWipeFromBottom,
    iettBarsInFromLeft,
    iettBarsInFromRight,
    iettBarsFromTop,
    iettBarsFromBottom,
    iettBarsLeftThenRight,
    iettBarsRightThenLeft,
    iettBarsTopThenBottom,
    iettBarsBottomThenTop,
    iettBarsFrombothSides,
    iettBarsFromTopAndBottom,
    iettShreddedFromLeft,
    iettShreddedFromRight,
    iettShreddedFromTop,
    iettShreddedFromBottom,
    iettShreddedFromTopAndLeft,
    iettShreddedFromTopAndRight,
    iettShreddedFromBottomAndLeft,
    iettShreddedFromBottomAndRight,
    iettShreddedFromHorizonAndLeft,
    iettShreddedFromHorizonAndRight,
    iettShreddedFromTopAndVerticalCenter,
    iettShreddedFromBottomAndVerticalCenter,
    iettShreddedToCenter,
    iettShreddedFromCenter,
    iettShreddedInToHorizon,
    iettShreddedInToVerticalCenter,
    iettShreddedOutFromHorizon,
    iettShreddedOutFromVerticalCenter,
    iettRectangularShred,
    iettTriangularShredToTopLeft,
    iettCurvedWipeFromTopLeft,
    iettCurvedWipeFromTopRight,
    iettCurvedWipeFromBottomLeft,
    iettCurvedWipeFromBottomRight,
    iettCircularWipeFromCenter,
    iettCircularWipeToCenter,
    iettCrisscrossWipeFromTopLeft,
    iettCrisscrossWipeFromTopRight,
    iettCrisscrossWipeFromBottomLeft,
    iettCrisscrossWipeFromBottomRight,
    iettCrisscrossWipeBounceFromTopLeft,
    iettCrisscrossWipeBounceFromTopRight,
    iettCrisscrossWipeBounceFromBottomLeft,
    iettCrisscrossWipeBounceFromBottomRight,
    iettCrisscrossWipeFromLeftRightAndTop,
    iettCrisscrossWipeFromLeftRightAndBottom,
    iettCrisscrossWipeFromLeftTopAndBottom,
    iettCrisscrossWipeFromTopLeftRightAndBottom,
    iettCrisscrossWipeFromRightTopAndBottom,
    iettCrisscrossWipeFromBottomLeftTopRight,
    iettWipeDiagonalFromTopLeft,
    iettWipeDiagonalFromTopRight,
    iettWipeDiagonalFromBottomLeft,
    iettWipeDiagonalFromBottomRight,
    iettDiagonalSweepClockwise,
    iettDiagonalSweepCounterClockwise,
    iettSweepClockwise,
    iettSweepCounterClockwise,
    iettStarburstClockwiseFromCenter,
    iettRotationalRectangle,
    iettRotationalStar,
    iettSpeckledWipeFromLeft,
    iettSpeckledWipeFromRight,
    iettSpeckledWipeFromTop,
    iettSpeckledWipeFromBottom,
    iettPushLeftAndSlideOut,
    iettPushRightAndSlideOut,
    iettPushUpAndSlideOut,
    iettPushDownAndSlideOut,
    iettPushAndSqueezeLeft,
    iettPushAndSqueezeRight,
    iettPushAndSqueezeUp,
    iettPushAndSqueezeDown,
    iettHorizontalBlinds,
    iettVerticalBlinds,
    iettUnevenBlindsFromLeft,
    iettUnevenBlindsFromRight,
    iettUnevenBlindsFromTop,
    iettUnevenBlindsFromBottom,
    iettRectanglesFromTheLeft,
    iettRectanglesFromTheRight,
    iettRectanglesFromTheTop,
    iettRectanglesFromTheBottom,
    iettPanZoom = 164,
};

// One frame of an effect drawn on the output canvas, which still holds the previous
// frame. AFrom is passed along and used by none; ARect is (0, 0, W, H); AFlag is 1
// from the player; APercent 0..100.
using TIETransitionStep = void (*)(TCanvas& ACanvas, TBitmap* AFrom, TBitmap* ATo, const TRect& ARect, int32_t AFlag,
                                   int32_t APercent);

struct TEffect {
    const char* Name;
    TIETransitionStep Proc;  // nil for the player's own types 1 to 30
};

// Entry i - 1 is type i, for types 1 to 163.
const TEffect& IETransitionEffect(int32_t Type);
constexpr int32_t IETransitionEffectCount = 163;

// W, H of Rect; dx, dy grow to W and H, the longer side by exactly Percent; n is
// max(W, H) x Flag / 90 and at least 1 (pictures below 45 pixels would divide by 0).
void TransitionExtents(const TRect& Rect, int32_t Flag, int32_t Percent, int32_t& W, int32_t& H, int32_t& dx,
                       int32_t& dy, int32_t& n);
// Src (limited to the bitmap) stretched into Dest, mirrored across and/or down.
void StretchMirrored(TCanvas& Canvas, TRect Dest, TBitmap* Bitmap, bool FlipV, bool FlipH, TRect Src);
void SinCos(double Angle, double& Sin, double& Cos);
// Each point turned by Angle (radians, clockwise on the screen) about (CX, CY).
void RotatePoints(std::span<POINT> Points, int32_t CX, int32_t CY, double Angle);
// Regions (winding fill); the caller deletes them.
HRGN TriangleRegion(POINT A, POINT B, POINT C);
HRGN SweepRegion(int32_t CX, int32_t CY, int32_t Radius, int32_t Count, double EndAngle, double StartAngle);
HRGN BarsRegion(int32_t HP, int32_t VP, int32_t W, int32_t H, int32_t N, int32_t HKind, int32_t VKind);
HRGN ShredRegion(int32_t DX, int32_t DY, int32_t W, int32_t H, int32_t HKind, int32_t VKind);
HRGN SpeckleRegion(int32_t DX, int32_t DY, int32_t W, int32_t H, int32_t HKind, int32_t VKind);
