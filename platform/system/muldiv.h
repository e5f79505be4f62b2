// Number * Numerator / Denominator through a 64-bit intermediate, rounded to the
// nearest integer with halves away from zero; -1 when Denominator is 0 or the
// result does not fit in 32 bits.
#pragma once

int MulDiv(int Number, int Numerator, int Denominator);
