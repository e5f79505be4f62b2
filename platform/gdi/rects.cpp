// Rectangle helpers.
#include <algorithm>

#include "platform/gdi/gdi.h"

BOOL SetRect(RECT* R, int Left, int Top, int Right, int Bottom) {
    if (!R) return FALSE;
    *R = {Left, Top, Right, Bottom};
    return TRUE;
}

BOOL SetRectEmpty(RECT* R) { return SetRect(R, 0, 0, 0, 0); }

BOOL CopyRect(RECT* Dest, const RECT* Src) {
    if (!Dest || !Src) return FALSE;
    *Dest = *Src;
    return TRUE;
}

BOOL InflateRect(RECT* R, int Dx, int Dy) {
    if (!R) return FALSE;
    R->left -= Dx;
    R->right += Dx;
    R->top -= Dy;
    R->bottom += Dy;
    return TRUE;
}

BOOL OffsetRect(RECT* R, int Dx, int Dy) {
    if (!R) return FALSE;
    R->left += Dx;
    R->right += Dx;
    R->top += Dy;
    R->bottom += Dy;
    return TRUE;
}

BOOL IsRectEmpty(const RECT* R) { return !R || R->right <= R->left || R->bottom <= R->top; }

BOOL IntersectRect(RECT* Dest, const RECT* A, const RECT* B) {
    if (!Dest || !A || !B) return FALSE;
    RECT R{std::max(A->left, B->left), std::max(A->top, B->top), std::min(A->right, B->right),
           std::min(A->bottom, B->bottom)};
    if (IsRectEmpty(&R)) {
        *Dest = {0, 0, 0, 0};
        return FALSE;
    }
    *Dest = R;
    return TRUE;
}

BOOL UnionRect(RECT* Dest, const RECT* A, const RECT* B) {
    if (!Dest || !A || !B) return FALSE;
    if (IsRectEmpty(A) && IsRectEmpty(B)) {
        *Dest = {0, 0, 0, 0};
        return FALSE;
    }
    if (IsRectEmpty(A)) {
        *Dest = *B;
        return TRUE;
    }
    if (IsRectEmpty(B)) {
        *Dest = *A;
        return TRUE;
    }
    *Dest = {std::min(A->left, B->left), std::min(A->top, B->top), std::max(A->right, B->right),
             std::max(A->bottom, B->bottom)};
    return TRUE;
}

BOOL SubtractRect(RECT* Dest, const RECT* A, const RECT* B) {
    if (!Dest || !A || !B) return FALSE;
    RECT R = *A;
    RECT I;
    // Only a cut that leaves a rectangle changes A: B must span A fully in one direction.
    if (IntersectRect(&I, A, B)) {
        if (I.top == R.top && I.bottom == R.bottom) {
            if (I.left == R.left)
                R.left = I.right;
            else if (I.right == R.right)
                R.right = I.left;
        } else if (I.left == R.left && I.right == R.right) {
            if (I.top == R.top)
                R.top = I.bottom;
            else if (I.bottom == R.bottom)
                R.bottom = I.top;
        }
    }
    if (IsRectEmpty(&R)) {
        *Dest = {0, 0, 0, 0};
        return FALSE;
    }
    *Dest = R;
    return TRUE;
}

BOOL PtInRect(const RECT* R, POINT P) {
    return R && P.x >= R->left && P.x < R->right && P.y >= R->top && P.y < R->bottom;
}

BOOL EqualRect(const RECT* A, const RECT* B) {
    return A && B && A->left == B->left && A->top == B->top && A->right == B->right && A->bottom == B->bottom;
}
