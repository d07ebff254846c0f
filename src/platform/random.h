#pragma once

namespace corvella {

// A pseudo-random whole number from 0 to 999999.
int random_0_to_999999();

}  // namespace corvella
