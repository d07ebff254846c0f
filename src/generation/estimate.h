#pragma once

// The time estimate shown in `temps` after each record or page:
// d formatted "0.00", "s/fichier - Total restant:", then " moins d'une
// minute" or m + " mn.", m being the whole minutes of d × (total − counter),
// with the counter already one past the item just done.

#include <string>

namespace corvella {

std::string temps_caption(double seconds_per_item, long long total, long long counter,
                          char decimal_separator);

// Seconds between two readings of the clock (seconds since midnight),
// across midnight too.
double elapsed_seconds(double start, double end);

// "3 sur 120"
std::string sur_caption(long long counter, long long total);

}  // namespace corvella
