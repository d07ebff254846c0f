#include "platform/formats.h"

#include <charconv>
#include <clocale>
#include <cmath>

namespace corvella {

namespace {

// Locale-independent: the separator is put in by the caller's choice.
std::string fixed(double value, int decimals) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  return std::string(text, result.ptr);
}

}  // namespace

std::string format_0_00(double value, char decimal_separator) {
  // Rounded here, half away from zero, rather than to even.
  std::string text = fixed(std::round(value * 100.0) / 100.0, 2);
  for (char& c : text) {
    if (c == '.') c = decimal_separator;
  }
  return text;
}

std::string format_0(double value) { return fixed(std::round(value), 0); }

char locale_decimal_separator() {
  const std::lconv* conventions = std::localeconv();
  if (conventions && conventions->decimal_point && conventions->decimal_point[0] != '\0')
    return conventions->decimal_point[0];
  return '.';
}

int bar_width(double done, double total) {
  if (total <= 0) return 0;
  const double percent = done / total * 100.0;
  if (!(percent >= 0 && percent < 1e9)) return static_cast<int>(std::round(percent)) * 50;
  // std::round without its library call (one per page line): the difference
  // of a percentage and its whole part is exact.
  const auto whole = static_cast<int>(percent);
  return (whole + (percent - whole >= 0.5 ? 1 : 0)) * 50;
}

}  // namespace corvella
