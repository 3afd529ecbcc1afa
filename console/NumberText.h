// Number texts of the console's lists and fields: fixed notation with a number of decimals,
// thousands separators and the 32nds form of prices. Texts are code page 949 byte strings.
#pragma once

#include <cfloat>

#include "platform/core/CString.h"

// The value in fixed notation with `decimals` decimals, as printf's "%.2f" prints it for 2.
CString DecimalText(double value, int decimals);

// Room for any double in fixed notation with up to 10 decimals: at most 309 digits before
// the point, a sign, the point and the decimals.
constexpr int kNumberRoom = 400;
static_assert(kNumberRoom >= (DBL_MAX_10_EXP + 1) + 1 + 1 + 10 + 1, "digits, sign, point, decimals, NUL");
// The text DecimalText(value, decimals) gives, into `out` (kNumberRoom bytes for 0 to 10
// decimals), NUL-ended, without printf's cost; returns its length.
int FixedText(char* out, double value, int decimals);

// Puts "," before every group of three characters left of the first "." (or of the end),
// never right after a leading sign. Callers pass the bare number and add units afterwards.
void InsertThousandsSeparators(CString& text);
// The same into `out` (room for length * 4 / 3 + 2 bytes), NUL-ended; returns its length.
int GroupThousands(const char* text, int length, char* out);

// Tick base 32: the price in 32nds ("105'08.00"); any other base: thousands separators.
void FormatPriceText(CString& text, int tickBase);
