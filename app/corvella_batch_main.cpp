#include <clocale>
#include <iostream>

#include "batch.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  return corvella::batch_main(argc, argv, std::cout, std::cerr);
}
