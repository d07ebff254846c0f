#include "batch.h"

#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <iostream>
#include <map>
#include <optional>
#include <string>

#include "generation/naming.h"
#include "generation/run.h"
#include "platform/files.h"
#include "platform/locations.h"
#include "platform/signal_handlers.h"
#include "settings/settings.h"
#include "version.h"

namespace corvella {

namespace {

constexpr const char* kPrefix = "corvella-batch : ";

// The first of SIGINT, SIGTERM or SIGHUP received; 0 for none.
volatile std::sig_atomic_t g_signal = 0;

void on_signal(int number) {
  if (g_signal == 0) g_signal = number;
}

constexpr const char* kUsage =
    "Usage : corvella-batch [options]\n"
    "Génère une page HTML par ligne du fichier de données, puis (avec --liens)\n"
    "lie entre elles les pages dont le tag de lien a le même contenu.\n"
    "\n"
    "  --settings FICHIER     prend dans ce fichier de paramètres toute option non donnée\n"
    "  --source FICHIER       fichier de données (une ligne par page, colonnes séparées par ;)\n"
    "  --modele FICHIER       fichier HTML modèle\n"
    "  --destination DOSSIER  dossier des pages à créer\n"
    "  --lien DOSSIER         dossier des pages à lier\n"
    "  --textesource TAG      tag de lien (\"Tag N°2\" ou 2)\n"
    "  --textelien TAG        tag de texte des liens\n"
    "  --tag99 TEXTE          texte placé avant le nom de la page liée\n"
    "  --option 1|2           nom des pages : 1 = première colonne, 2 = composition de tags\n"
    "  --tagf0 .. --tagf3 TAG tags composant le nom des pages (--option 2)\n"
    "  --tagf4 TAG            tag du titre des pages (--titre 2)\n"
    "  --titre 1|2            titre des pages : 1 = deuxième colonne, 2 = tag --tagf4\n"
    "  --pages, --no-pages    générer les pages (par défaut : oui)\n"
    "  --liens, --no-liens    créer les liens hypertexte (par défaut : non)\n"
    "  --progress             afficher l'avancement même hors d'un terminal\n"
    "  -q, --quiet            rien d'autre que les erreurs\n"
    "  -V, --version          la version\n"
    "  -h, --help             cette aide\n"
    "  --                     fin des options\n"
    "\n"
    "Chaque page non traitée est signalée sur la sortie d'erreur, puis une ligne\n"
    "résume le travail.\n"
    "\n"
    "Codes de sortie : 0 terminé, 1 échec (données illisibles, disque plein, dossier\n"
    "disparu...), 2 erreur d'option ou de paramètre, 3 terminé mais des pages n'ont\n"
    "pas pu être créées ou liées, 128+N arrêté par le signal N (130 Ctrl-C, 129 SIGHUP,\n"
    "143 SIGTERM).\n";

// Shows a run on standard error: a live line when asked (a terminal, or
// --progress), each skipped page as it comes, critical messages at once.
// The end message is kept for batch_main, which knows how the run ended.
class BatchView final : public RunView {
 public:
  BatchView(RunSettings settings, std::ostream& err, bool live, bool quiet)
      : settings_(std::move(settings)), err_(err), live_(live && !quiet), quiet_(quiet) {}

  void attach(Run& run) { run_ = &run; }

  RunSettings read_settings() override { return settings_; }
  void show_frame1(const std::string& caption) override {
    frame1_ = caption;
    painted_ = {};  // a new pass shows at once, however soon it follows the last paint
    paint();
  }
  void show_progressbar2(const std::string& caption) override {
    total_ = caption;
    paint();
  }
  void show_pictotal(int) override {}
  void show_progressbar1(const std::string&) override {}
  void show_piccours(int) override {}
  void show_temps(const std::string& caption) override {
    temps_ = caption;
    paint();
  }
  void show_running(bool) override {}
  void select_titrep1() override {
    settings_.titrep1 = true;
    settings_.tagf[4].clear();
  }
  void select_option1() override {
    settings_.option1 = true;
    for (int box = 0; box < 4; ++box) settings_.tagf[box].clear();
  }
  void handle_events() override {
    if (g_signal != 0 && run_ && run_->running()) run_->press();  // the stop request
  }
  void page_skipped(const SkippedPage& page) override {
    if (!quiet_) say(page.page + " : " + page.reason);
  }
  void message_box(const std::string& text, MessageIcon icon, const std::string&) override {
    if (icon == MessageIcon::Critical) {
      say(text);
    } else {
      end_message_ = text;
      end_icon_ = icon;
    }
  }
  void beep() override {}

  // One line on standard error, after the live line if one is shown.
  void say(const std::string& text) {
    end_live_line();
    err_ << kPrefix << text << '\n';
    err_.flush();
  }

  // "Traitement terminé..." needs someone watching; a warning or a stop is
  // always told.
  void tell_end(bool finished) {
    if (quiet_ || end_message_.empty()) return;
    if (finished && end_icon_ == MessageIcon::Information && !live_) return;
    say(end_message_);
  }

 private:
  void paint() {
    if (!live_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - painted_ < std::chrono::milliseconds(100)) return;
    painted_ = now;
    err_ << '\r' << kPrefix << frame1_ << "  " << total_ << "  " << temps_ << "\x1b[K";
    err_.flush();
    line_open_ = true;
  }
  void end_live_line() {
    if (!line_open_) return;
    err_ << "\r\x1b[K";
    line_open_ = false;
  }

  RunSettings settings_;
  std::ostream& err_;
  bool live_;
  bool quiet_;
  Run* run_ = nullptr;
  std::string frame1_, total_, temps_;
  std::string end_message_;
  MessageIcon end_icon_ = MessageIcon::None;
  std::chrono::steady_clock::time_point painted_{};
  bool line_open_ = false;
};

std::string summary(const RunReport& r) {
  return "pages créées : " + std::to_string(r.pages_made) +
         ", remplies : " + std::to_string(r.pages_refilled) +
         ", inchangées : " + std::to_string(r.pages_unchanged) +
         ", non traitées : " + std::to_string(r.pages_skipped) +
         " ; pages liées : " + std::to_string(r.pages_linked) +
         ", liens écrits : " + std::to_string(r.links_written);
}

std::string as_folder(std::string text) {
  if (!text.empty() && text.back() != '/') text += '/';
  return text;
}

// A tag label from "Tag N°3" or "3"; empty stays empty (validation reports it).
std::optional<std::string> as_tag(const std::string& text) {
  if (text.empty()) return text;
  const std::optional<int> number = tag_number(text);
  if (!number) return std::nullopt;
  return tag_label(*number);
}

struct Options {
  std::map<std::string, std::string> values;  // option name without "--" -> text
  std::optional<bool> pages, liens;
  bool quiet = false;
  bool progress = false;
  bool help = false;
  bool version = false;
};

const char* const kValueOptions[] = {"settings",    "source",    "modele", "destination", "lien",
                                     "textesource", "textelien", "tag99",  "option",      "tagf0",
                                     "tagf1",       "tagf2",     "tagf3",  "tagf4",       "titre"};

// Nothing on a usage error, which has been told.
std::optional<Options> parse(int argc, const char* const* argv, std::ostream& err) {
  Options options;
  bool options_ended = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (options_ended || !arg.starts_with("-") || arg == "-") {
      err << kPrefix << "argument inattendu : " << arg << "\n";
      return std::nullopt;
    }
    if (arg == "--") {
      options_ended = true;
    } else if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--version" || arg == "-V") {
      options.version = true;
    } else if (arg == "--quiet" || arg == "-q") {
      options.quiet = true;
    } else if (arg == "--progress") {
      options.progress = true;
    } else if (arg == "--pages" || arg == "--no-pages") {
      options.pages = arg == "--pages";
    } else if (arg == "--liens" || arg == "--no-liens") {
      options.liens = arg == "--liens";
    } else {
      std::string name = arg.starts_with("--") ? arg.substr(2) : std::string();
      std::optional<std::string> value;
      if (const std::size_t equals = name.find('='); equals != std::string::npos) {
        value = name.substr(equals + 1);
        name.erase(equals);
      }
      if (std::ranges::find(kValueOptions, name) == std::end(kValueOptions)) {
        err << kPrefix << "option inconnue : " << arg << "\n";
        return std::nullopt;
      }
      if (!value) {
        if (i + 1 >= argc) {
          err << kPrefix << "valeur manquante après " << arg << "\n";
          return std::nullopt;
        }
        value = argv[++i];
      }
      options.values[name] = *value;
    }
  }
  if (!options.help && !options.version && !options.pages.value_or(true) &&
      !options.liens.value_or(false)) {
    err << kPrefix << "rien à faire : ni pages (--no-pages) ni liens (--liens)\n";
    return std::nullopt;
  }
  return options;
}

// The settings of the run: the options given, the rest from the settings
// file (or the defaults when there is none). Nothing on an error, which has
// been told.
std::optional<RunSettings> settings_from(const Options& options, std::ostream& err) {
  const auto given = [&](const char* name) -> const std::string* {
    const auto it = options.values.find(name);
    return it == options.values.end() ? nullptr : &it->second;
  };
  const std::string* settings_file = given("settings");
  // A settings file named but unreadable would silently run on the defaults.
  if (settings_file && !read_file(*settings_file)) {
    err << kPrefix << "--settings : " << *settings_file << " : " << system_reason(errno) << "\n";
    return std::nullopt;
  }
  const std::filesystem::path install = find_install_folder();
  const std::string install_text = install.empty() ? "/" : as_folder(install.string());
  const std::string working = as_folder(default_locations().working_folder.string());
  const StoredSettings stored =
      load_settings(settings_file ? *settings_file : std::string(), install_text, working);

  RunSettings s;
  s.check1 = options.pages.value_or(true);
  s.check2 = options.liens.value_or(false);
  const auto pick = [&](const char* name, const std::string& fallback) {
    const std::string* value = given(name);
    return value ? *value : fallback;
  };
  s.source = pick("source", stored.source);
  s.modele = pick("modele", stored.modele);
  s.destination = as_folder(pick("destination", stored.destination));
  s.lien = as_folder(pick("lien", stored.lien));
  s.tag99 = pick("tag99", stored.tag99);

  bool ok = true;
  // A tag is checked only when its pass runs: a stale one of the other pass
  // in the settings file must not stop this one.
  const auto tag = [&](const char* name, const std::string& fallback, bool checked) {
    const std::string text = pick(name, fallback);
    const std::optional<std::string> label = as_tag(text);
    if (!label && checked) {
      err << kPrefix << "tag invalide pour --" << name << " : " << text << "\n";
      ok = false;
    }
    return label.value_or(std::string());
  };
  s.textesource = tag("textesource", stored.textesource, s.check2);
  s.textelien = tag("textelien", stored.textelien, s.check2);
  const char* const tagf_names[] = {"tagf0", "tagf1", "tagf2", "tagf3", "tagf4"};
  for (int box = 0; box < 5; ++box) s.tagf[box] = tag(tagf_names[box], stored.tagf[box], s.check1);

  const auto choice = [&](const char* name, bool stored_first) {
    const std::string* value = given(name);
    if (!value) return stored_first;
    if (*value != "1" && *value != "2") {
      err << kPrefix << "--" << name << " vaut 1 ou 2, pas : " << *value << "\n";
      ok = false;
    }
    return *value == "1";
  };
  s.option1 = choice("option", stored.option1);
  s.titrep1 = choice("titre", stored.titrep1);
  // The second column, whatever the title tag says.
  if (s.titrep1) s.tagf[4].clear();
  if (!ok) return std::nullopt;
  return s;
}

}  // namespace

int batch_main(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  const std::optional<Options> options = parse(argc, argv, err);
  if (!options) {
    err << kPrefix << "essayez « corvella-batch --help ».\n";
    return 2;
  }
  if (options->help) {
    out << kUsage;
    return 0;
  }
  if (options->version) {
    out << "corvella-batch " << kVersion << "\n";
    return 0;
  }
  const std::optional<RunSettings> settings = settings_from(*options, err);
  if (!settings) return 2;

  // Like the window's start-up: the default working folder exists.
  const std::filesystem::path working = default_locations().working_folder;
  if (!is_folder_or_file(working)) create_folder(working);

  const bool terminal = &err == &std::cerr && ::isatty(STDERR_FILENO);
  BatchView view(*settings, err, terminal || options->progress, options->quiet);
  Run run(view);
  view.attach(run);

  PressOutcome outcome;
  {
    // Taken as a press of "Arrêter" while the run lasts.
    g_signal = 0;
    const SignalHandlers stop_signals({SIGINT, SIGTERM, SIGHUP}, on_signal);
    outcome = run.press();
  }

  if (outcome == PressOutcome::Invalid) return 2;
  view.tell_end(outcome == PressOutcome::Finished);
  if (!options->quiet) view.say(summary(run.report()));
  switch (outcome) {
    case PressOutcome::Finished:
      return run.report().pages_skipped == 0 ? 0 : 3;
    case PressOutcome::Failed:
      return 1;
    case PressOutcome::Invalid:
      return 2;
    case PressOutcome::Stopped:
    case PressOutcome::StopRequest:
      return 128 + (g_signal != 0 ? g_signal : SIGINT);
  }
  return 1;
}

}  // namespace corvella
