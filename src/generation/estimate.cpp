#include "generation/estimate.h"

#include <cmath>

#include "platform/formats.h"

namespace corvella {

std::string temps_caption(double seconds_per_item, long long total, long long counter,
                          char decimal_separator) {
  const double d = seconds_per_item;
  double minutes = std::floor((d * static_cast<double>(total) - d * static_cast<double>(counter)) / 60.0);
  if (!(minutes > 0)) minutes = 0;  // negative, or NaN from a clock gone wrong
  const std::string rest =
      minutes == 0 ? std::string(" moins d'une minute") : format_0(minutes) + " mn.";
  return format_0_00(d, decimal_separator) + "s/fichier - Total restant:" + rest;
}

double elapsed_seconds(double start, double end) {
  const double d = end - start;
  return d < 0 ? d + 86400.0 : d;
}

std::string sur_caption(long long counter, long long total) {
  return std::to_string(counter) + " sur " + std::to_string(total);
}

}  // namespace corvella
