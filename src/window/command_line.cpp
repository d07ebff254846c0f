#include "window/command_line.h"

#include <string_view>

#include "platform/locations.h"
#include "version.h"

namespace corvella::window {

namespace {

constexpr const char* kUsage =
    "Usage : corvella [--help | --version]\n"
    "Ouvre la fenêtre de Corvella, le générateur de pages HTML : une page par\n"
    "ligne d'un fichier de données (colonnes séparées par ;), faite à partir\n"
    "d'un modèle HTML, puis des liens entre les pages dont un même tag a le\n"
    "même contenu.\n"
    "\n"
    "Pour générer les pages sans fenêtre, utilisez corvella-batch\n"
    "(corvella-batch --help).\n"
    "\n"
    "  --help     cette aide\n"
    "  --version  la version du programme\n"
    "\n"
    "Les choix faits dans la fenêtre sont enregistrés dans\n";

}  // namespace

std::optional<int> answer_command_line(int argc, const char* const* argv, std::ostream& out,
                                       std::ostream& err) {
  if (argc <= 1) return std::nullopt;
  const std::string_view argument = argv[1];
  if (argc == 2 && argument == "--help") {
    out << kUsage << "  " << default_locations().settings_file.string() << "\n";
    return 0;
  }
  if (argc == 2 && argument == "--version") {
    out << "corvella " << kVersion << "\n";
    return 0;
  }
  // Here either the first argument is unknown, or a second one follows.
  const bool known = argument == "--help" || argument == "--version";
  const std::string_view wrong = known ? std::string_view(argv[2]) : argument;
  err << "corvella : argument inconnu : " << wrong << "\n"
      << "Essayez « corvella --help ».\n";
  return 2;
}

}  // namespace corvella::window
