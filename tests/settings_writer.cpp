// Writes the settings file over and over, for scripts/kill-test: each round
// writes "Source" and "Tag99" with the round's number, so a file read after a
// kill must hold, for each key, some round's whole value.
//   settings_writer FILE ROUNDS

#include <cstdlib>
#include <string>

#include "settings/ini_file.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const long rounds = std::atol(argv[2]);
  for (long round = 0; round < rounds; ++round) {
    const std::string number = std::to_string(round);
    corvella::write_key(argv[1], "Parametres", "Source", "/donnees/fichier-" + number + ".txt");
    corvella::write_key(argv[1], "Parametres", "Tag99", std::string(300, 'x') + number);
  }
  return 0;
}
