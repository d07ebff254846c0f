#include "generation/validation.h"

#include "platform/files.h"

namespace corvella {

std::optional<std::string> p_controle(const RunSettings& s) {
  std::optional<std::string> message;
  const auto check = [&](bool failed, const char* text) {
    if (failed) message = text;
  };
  if (s.check1) {
    check(s.source.empty(), "Vous devez choisir un fichier source");
    check(!s.source.empty() && !is_ordinary_file(s.source), "Le fichier source n'existe plus");
    check(s.modele.empty(), "Vous devez choisir un fichier modèle");
    check(!s.modele.empty() && !is_ordinary_file(s.modele), "Le fichier modèle n'existe plus");
    check(s.destination.empty(), "Vous devez choisir un répertoire de destination");
    check(!s.destination.empty() && !is_folder_or_file(s.destination),
          "Le répertoire de destination n'existe plus");
  }
  if (s.check2) {
    check(s.textesource.empty(), "Vous devez choisir un Tag");
    check(s.textelien.empty(), "Vous devez choisir un Tag");
    check(s.lien.empty() || !is_folder_or_file(s.lien),
          "Le répertoire contenant les fichiers à traiter n'existe plus");
  }
  return message;
}

}  // namespace corvella
