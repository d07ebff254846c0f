#pragma once

// What a press of "Lancer" reads from the window (or from the batch tool's
// options). Folder texts end with "/" and are used as prefixes: a file's path
// is the folder text directly followed by the file name.

#include <array>
#include <string>

namespace corvella {

struct RunSettings {
  bool check1 = true;   // "Générer les pages HTML"
  bool check2 = false;  // "Créer les liens hypertexte"
  std::string source;       // data file
  std::string modele;       // template
  std::string destination;  // folder of the generated pages
  std::string lien;         // hyperdir: folder whose pages are compared
  std::string textesource;  // sourcelien: link tag label, "Tag N°2"
  std::string textelien;    // Textelien: text tag label
  std::string tag99;        // prefix of every link address
  bool option1 = true;      // name from the first column; false: composed from tags
  std::array<std::string, 5> tagf;  // nomdufichierhtm(0) to (4): four name tags, title tag
  bool titrep1 = true;      // title from the second column; false: from tagf[4]
};

}  // namespace corvella
