// Decimal numbers read without a library call where one IEEE operation
// gives the correctly rounded value.
//
// strtof and strtod are exact, but slow where long double is emulated in
// software (the page's WebAssembly build, where reading a study's numbers
// took most of a small run). Most numbers in data files have few digits:
// such a number is an integer of under 2^53 times a power of ten within
// 10^22, both exact doubles, and their product or quotient, rounded once, is
// the nearest double (Clinger's fast path). Everything else is left to the
// library, so every build reads the same value.
#pragma once

#include <string_view>

namespace mpdetect {

// The nearest double to `text`, an optionally signed decimal (0.25, .25,
// 2.5e-1, 1, 1.), when one IEEE operation gives it. False, with `value`
// untouched, for any other text and any number that would need more: over
// 19 significant digits, a significand of 2^53 or more, a power of ten
// beyond 10^22 or 10^-22.
bool quick_decimal(std::string_view text, double& value);

// As quick_decimal, to the nearest float. The double is rounded to float
// only where that cannot differ from rounding the decimal itself: not when
// it lies exactly halfway between two floats.
bool quick_decimal(std::string_view text, float& value);

}  // namespace mpdetect
