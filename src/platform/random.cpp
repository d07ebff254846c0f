#include "platform/random.h"

#include <random>

namespace corvella {

int random_0_to_999999() {
  thread_local std::mt19937 generator{std::random_device{}()};
  return std::uniform_int_distribution<int>(0, 999999)(generator);
}

}  // namespace corvella
