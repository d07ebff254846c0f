#pragma once

// Number formats of the captions. "000" and "0" round half away from zero.

#include <string>

namespace corvella {

std::string format_0_00(double value, char decimal_separator);  // 0.5 -> "0,50"
std::string format_0(double value);

// The decimal separator of the user's locale (LC_NUMERIC as set by the program).
char locale_decimal_separator();

// Width of a progress bar: the percentage done formatted "000", times 50, so
// a full bar is 5,000 units wide.
int bar_width(double done, double total);

}  // namespace corvella
