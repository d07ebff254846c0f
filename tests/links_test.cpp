#include <algorithm>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <cctype>
#include <map>
#include <random>
#include <regex>

#include "generation/run.h"
#include "links/link_pass.h"
#include "links/link_region.h"
#include "links/tag_reader.h"
#include "platform/charset.h"
#include "platform/files.h"
#include "platform/formats.h"
#include "platform/text_lines.h"
#include "test_support.h"

namespace corvella {
namespace {

namespace fs = std::filesystem;
using testing::read_bytes;
using testing::write_bytes;

// A cheese page as the page filler leaves it: region 1 the name (text tag),
// region 2 the region of origin (link tag), region 99 the links.
std::string fiche(std::string_view name, std::string_view region, std::string_view links = "\r\n") {
  return std::string("<!DOCTYPE html>\r\n<html lang=\"fr\">\r\n<head>\r\n<title>").append(name) +
         "</title>\r\n</head>\r\n<body>\r\n<h1>\r\n<!--tag1-->\r\n" + std::string(name) +
         "\r\n<!--/tag1-->\r\n</h1>\r\n<p class=\"terroir\">\r\n<!--tag2-->\r\n" +
         std::string(region) +
         "\r\n<!--/tag2-->\r\n</p>\r\n<aside>\r\n<h2>Du même "
         "terroir</h2>\r\n<p>\r\n<!--tag99-->\r\n" +
         std::string(links) + "<!--/tag99-->\r\n</p>\r\n</aside>\r\n</body>\r\n</html>\r\n";
}

std::string link(std::string_view href, std::string_view text) {
  return link_line("", href, text) + "\r\n";
}

std::string without_fallbacks(const std::string& page) {
  return std::regex_replace(page, std::regex(">Nom[0-9]+</a>"), ">Nom#</a>");
}

bool is_htm(std::string_view name) {
  std::string end(name.substr(name.size() < 3 ? 0 : name.size() - 3));
  for (char& c : end) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return end == "htm";
}

// The pages of a folder in the order the pass takes them: names ending in
// "htm", without the working copies "tmp_x.htm" of listed pages x.htm.
std::vector<std::string> listed_pages(const fs::path& folder) {
  std::vector<std::string> names = list_ordinary_files(folder);
  std::erase_if(names, [](const std::string& name) { return !is_htm(name); });
  const std::vector<std::string> all = names;
  std::erase_if(names, [&](const std::string& name) {
    return name.starts_with("tmp_") && std::find(all.begin(), all.end(), name.substr(4)) != all.end();
  });
  return names;
}

// Each call a quarter of a second later.
class SteppingClock final : public Clock {
 public:
  double seconds_since_midnight() override { return now_ += 0.25; }

 private:
  double now_ = 36000;
};

struct LinkView : testing::RecordingView {
  std::vector<std::string> progressbar1;
  std::vector<int> piccours;
  void show_progressbar1(const std::string& caption) override { progressbar1.push_back(caption); }
  void show_piccours(int width) override { piccours.push_back(width); }
};

class LinkPass : public ::testing::Test {
 protected:
  void SetUp() override {
    RunSettings& s = view.settings;
    s.check1 = false;
    s.check2 = true;
    s.lien = s.destination = dir.text();
    s.textesource = "Tag N°2";
    s.textelien = "Tag N°1";
  }
  PassOutcome run() { return link_pass(flags, view, clock); }
  void put(std::string_view name, std::string_view bytes) { write_bytes(dir / name, bytes); }
  std::string get(std::string_view name) { return read_bytes(dir / name); }
  // The pages of the folder in the order the pass takes them.
  std::vector<std::string> pages() { return listed_pages(dir.path()); }

  testing::TempDir dir;
  LinkView view;
  RunFlags flags;
  SteppingClock clock;
};

TEST_F(LinkPass, LinksPagesWhoseTrimmedContentsAreEqual) {
  put("paris1.htm", fiche("Tomme & <b>Cie</b>", "Paris"));
  put("paris2.htm", fiche("Brie de Meaux", " Paris  "));
  put("lyon.htm", fiche("Saint-Marcellin", "Lyon"));
  put("minuscule.htm", fiche("Cervelle de canut", "paris"));
  view.settings.tag99 = "  fiches/ ";
  ASSERT_EQ(run(), PassOutcome::Completed);

  const std::string paris1 =
      fiche("Tomme & <b>Cie</b>", "Paris", link("fiches/paris2.htm", "Brie de Meaux"));
  const std::string paris2 =
      fiche("Brie de Meaux", " Paris  ", link("fiches/paris1.htm", "Tomme & <b>Cie</b>"));
  EXPECT_EQ(get("paris1.htm"), paris1);
  EXPECT_EQ(get("paris2.htm"), paris2);
  EXPECT_EQ(get("lyon.htm"), fiche("Saint-Marcellin", "Lyon"));
  EXPECT_EQ(get("minuscule.htm"), fiche("Cervelle de canut", "paris"));

  EXPECT_EQ(view.frame1, std::vector<std::string>{"Génération des liens hypertexte en cours..."});
  EXPECT_EQ(view.progressbar2,
            (std::vector<std::string>{"", "1 sur 4", "2 sur 4", "3 sur 4", "4 sur 4"}));
  EXPECT_EQ(view.pictotal, (std::vector<int>{0, 1250, 2500, 3750, 5000}));
  EXPECT_EQ(view.progressbar1, (std::vector<std::string>{"", "4", "4", "4", "4"}));
  EXPECT_EQ(view.piccours, (std::vector<int>{0, 3750, 3750, 3750, 3750}));
  ASSERT_EQ(view.temps.size(), 4u);
  EXPECT_EQ(view.temps[0], format_0_00(0.25, locale_decimal_separator()) +
                               "s/fichier - Total restant: moins d'une minute");
  EXPECT_TRUE(view.running && flags.running);

  // Again: the links are replaced, not doubled.
  ASSERT_EQ(run(), PassOutcome::Completed);
  EXPECT_EQ(get("paris1.htm"), paris1);
  EXPECT_EQ(get("paris2.htm"), paris2);
  EXPECT_EQ(testing::file_names(dir.path()).size(), 4u);
}

TEST_F(LinkPass, GroupsLinkInListOrderEmptyContentsIncluded) {
  put("a.htm", fiche("Abondance", "Savoie"));
  put("b.htm", fiche("Beaufort", "Savoie"));
  // Tag 1 missing: "<!--tag11-->" does not hold "<!--tag1-->".
  put("c.htm",
      "<h1>\r\n<!--tag11-->\r\nComté\r\n<!--/tag11-->\r\n</h1>\r\n<!--tag2-->\r\nSavoie\r\n"
      "<!--/tag2-->\r\n<!--tag99-->\r\n<!--/tag99-->\r\n");
  put("vide.htm", "");                       // the empty text...
  put("blanc.htm", fiche("Fourme", "   "));  // ...equals blanks trimmed
  put("sans.htm", "<html>\r\n<!--tag99-->\r\n<!--/tag99-->\r\n</html>\r\n");
  put("sans2.htm", "<html>\r\n<!--tag2-->\r\n");  // marker on the last line
  ASSERT_EQ(run(), PassOutcome::Completed);

  const std::vector<std::string> order = pages();
  const std::map<std::string, std::string> texts{
      {"a.htm", "Abondance"}, {"b.htm", "Beaufort"}, {"c.htm", "Nom#"}};
  const auto links_of = [&](const std::string& self) {
    std::string links;
    for (const std::string& name : order) {
      if (name != self && texts.contains(name)) links += link(name, texts.at(name));
    }
    return links;
  };
  EXPECT_EQ(without_fallbacks(get("a.htm")), fiche("Abondance", "Savoie", links_of("a.htm")));
  EXPECT_EQ(without_fallbacks(get("b.htm")), fiche("Beaufort", "Savoie", links_of("b.htm")));
  EXPECT_NE(get("a.htm").find(">Nom"), std::string::npos);
  EXPECT_EQ(get("c.htm"),
            "<h1>\r\n<!--tag11-->\r\nComté\r\n<!--/tag11-->\r\n</h1>\r\n<!--tag2-->\r\nSavoie\r\n"
            "<!--/tag2-->\r\n<!--tag99-->\r\n" +
                links_of("c.htm") + "<!--/tag99-->\r\n");
  EXPECT_EQ(get("blanc.htm"), fiche("Fourme", "   ", link("vide.htm", "")));
  EXPECT_EQ(get("vide.htm"), "");
  EXPECT_EQ(get("sans.htm"), "<html>\r\n<!--tag99-->\r\n<!--/tag99-->\r\n</html>\r\n");
  EXPECT_EQ(get("sans2.htm"), "<html>\r\n<!--tag2-->\r\n");
}

TEST_F(LinkPass, FolderRules) {
  testing::TempDir liens;
  view.settings.lien = liens.text();
  const auto both = [&](std::string_view name, std::string_view region) {
    write_bytes(liens / name, fiche(std::string("Lien ") + std::string(name), region));
    put(name, fiche("Page", "ailleurs"));  // contents come from the link folder only
  };
  for (const char* name : {"a.htm", "B.HTM", "tmp_a.htm", "lecture.htm", "c.html", "notes.txt"})
    both(name, "Savoie");
  both("seul.htm", "Auvergne");
  write_bytes(liens / "absent.htm", fiche("Lien absent.htm", "Savoie"));
  write_bytes(liens / ".cache.htm", fiche("Lien .cache.htm", "Savoie"));
  fs::create_directory(liens / "dossier.htm");
  write_bytes(liens / "cr.htm", "<!--tag2-->\rSavoie\r<!--tag1-->\rLien cr.htm\r");
  put("cr.htm", "<p>\r<!--tag99-->\r<!--/tag99-->\r</p>");
  ::chmod((dir / "lecture.htm").c_str(), 0444);
  ASSERT_EQ(run(), PassOutcome::Completed);

  // tmp_a.htm is a.htm's working copy: not a page.
  std::vector<std::string> order = listed_pages(liens.path());
  std::erase_if(order, [](const std::string& name) { return name == "seul.htm"; });
  EXPECT_EQ(order.size(), 5u);
  const auto links_of = [&](const std::string& self) {
    std::string links;
    for (const std::string& name : order)
      if (name != self) links += link(name, "Lien " + name);
    return links;
  };
  EXPECT_EQ(get("a.htm"), fiche("Page", "ailleurs", links_of("a.htm")));
  EXPECT_EQ(get("B.HTM"), fiche("Page", "ailleurs", links_of("B.HTM")));
  EXPECT_EQ(get("cr.htm"),
            "<p>\r\n<!--tag99-->\r\n" + links_of("cr.htm") + "<!--/tag99-->\r\n</p>\r\n");
  for (const char* name : {"lecture.htm", "c.html", "notes.txt", "seul.htm"}) {
    EXPECT_EQ(get(name), fiche("Page", "ailleurs")) << name;
  }
  // tmp_a.htm went as a.htm's working copy; absent.htm was not created.
  EXPECT_EQ(testing::file_names(dir.path()),
            (std::vector<std::string>{"B.HTM", "a.htm", "c.html", "cr.htm", "lecture.htm",
                                      "notes.txt", "seul.htm"}));
}

TEST_F(LinkPass, ValidationFailsBeforeAnything) {
  put("a.htm", fiche("Abondance", "Savoie"));
  put("b.htm", fiche("Beaufort", "Savoie"));
  view.settings.textelien = "";
  EXPECT_EQ(run(), PassOutcome::Invalid);
  EXPECT_EQ(view.messages, std::vector<std::string>{"critical: Vous devez choisir un Tag"});
  EXPECT_FALSE(flags.running);
  EXPECT_EQ(get("a.htm"), fiche("Abondance", "Savoie"));
}

// The page pass empties region 99; the link pass of the same press fills it again.
TEST_F(LinkPass, PagesRefilledThenRelinkedInOnePress) {
  fs::create_directory(dir / "pages");
  put("modele.htm", fiche("Nom du fromage", "Région"));
  put("data.txt",
      "tomme;Tomme des Combes;Savoie\r\nbeaufort;Beaufort;Savoie\r\nbleu;Bleu des "
      "Puys;Auvergne\r\n");
  RunSettings& s = view.settings;
  s.check1 = true;
  s.source = (dir / "data.txt").string();
  s.modele = (dir / "modele.htm").string();
  s.lien = s.destination = dir.text() + "pages/";
  corvella::Run press(view, clock);
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(press.press(), PressOutcome::Finished);
    EXPECT_EQ(read_bytes(dir / "pages/tomme.htm"),
              fiche("Tomme des Combes", "Savoie", link("beaufort.htm", "Beaufort")));
    EXPECT_EQ(read_bytes(dir / "pages/beaufort.htm"),
              fiche("Beaufort", "Savoie", link("tomme.htm", "Tomme des Combes")));
    EXPECT_EQ(read_bytes(dir / "pages/bleu.htm"), fiche("Bleu des Puys", "Auvergne"));
  }
  EXPECT_EQ(view.messages, std::vector<std::string>(2, "information: Traitement terminé..."));
}

TEST_F(LinkPass, StopsBetweenPagesLeavingEveryPageWhole) {
  for (const int stop_at : {2, 6}) {  // while reading; before the second page
    SCOPED_TRACE(stop_at);
    for (const char* name : {"a.htm", "b.htm", "c.htm", "d.htm"}) put(name, fiche(name, "Savoie"));
    corvella::Run press(view, clock);
    view.messages.clear();
    view.on_event = [&](int event) {
      if (event == stop_at) {
        EXPECT_EQ(press.press(), PressOutcome::StopRequest);
      }
    };
    view.events = 0;
    EXPECT_EQ(press.press(), PressOutcome::Stopped);
    EXPECT_EQ(view.messages, std::vector<std::string>{"information: Traitement interrompu..."});
    const std::vector<std::string> order = pages();
    for (std::size_t i = 0; i < order.size(); ++i) {
      const bool linked = stop_at == 6 && i == 0;
      EXPECT_EQ(get(order[i]).find("<a href") != std::string::npos, linked) << order[i];
    }
    EXPECT_EQ(testing::file_names(dir.path()).size(), 4u);
  }
}

TEST(TagReader, ContentLineRules) {
  const std::string_view marker = "<!--tag2-->";
  const std::vector<std::pair<std::string_view, std::optional<std::string_view>>> cases = {
      {"<p>\r\n<!--tag2-->\r\n<!--tag2--> encore\r\nParis\r\n<!--/tag2-->\r\n", "Paris"},
      {"<!--tag20-->\r\nVingt\r\n<!--/tag2-->\r\nx\r\n<!--tag2-->\r\n Deux \r\n", " Deux "},
      {"<p><!--tag2--></p>\rSa\nvoie\r", "Sa\nvoie"},
      {"<!--tag2-->\r\n\r\nParis\r\n", ""},
      {"", ""},
      {"<h1>\r\n<!--tag2-->", std::nullopt},
      {"<!--tag20-->\r\nVingt\r\n<!--/tag2-->\r\nx\r\n", std::nullopt},
      {"\r\n", std::nullopt},
  };
  for (const auto& [page, expected] : cases)
    EXPECT_EQ(content_line(page, marker), expected) << page;
  EXPECT_TRUE(std::regex_match(P_recherche_tag_bd("<!--tag2-->", marker),
                               std::regex("Nom(0|[1-9][0-9]{0,5})")));
  EXPECT_EQ(P_recherche_tag_bd("<!--tag2-->\r\nSavoie", marker), "Savoie");
  EXPECT_EQ(opening_marker("Tag N°12"), "<!--tag12-->");
  EXPECT_EQ(opening_marker("Tag N°x"), std::nullopt);
  EXPECT_EQ(trim_spaces("  \tParis "), "\tParis");
}

TEST(LinkRegion, RewriteKeepsEverythingOutsideTheRegion) {
  EXPECT_EQ(link_line("liens/", "lyon.htm", "Lyon"), "<a href =\"liens/lyon.htm\">Lyon</a><br>");
  LinkTable table(" liens/ ");
  table.p_memoire("lyon.htm", "Lyon");
  table.p_memoire("b.htm", "B & <i>C</i>");
  const std::string links =
      "<!--tag99-->\r\n<a href =\"liens/lyon.htm\">Lyon</a><br>\r\n"
      "<a href =\"liens/b.htm\">B & <i>C</i></a><br>\r\n";
  const std::vector<std::pair<std::string_view, std::string>> cases = {
      {"<h1>Fromages</h1>\r\n<!--tag99-->\r\n\r\n<!--/tag99-->\r\n</body>",
       "<h1>Fromages</h1>\r\n" + links + "<!--/tag99-->\r\n</body>\r\n"},
      {"<p><!--tag99-->\r\n<a href =\"x\">x</a><br>\r\n<!--/tag99--></p>\r\n",
       links + "<!--/tag99--></p>\r\n"},
      {"a\rb\nc\r<!--tag99-->\rvieux\r<!--/tag99-->",
       "a\r\nb\nc\r\n" + links + "<!--/tag99-->\r\n"},
      {"<!--tag99-->\r\nx\r\n<!--/tag99-->\r\n<!--tag99-->\r\n<!--/tag99-->\r\n",
       links + "<!--/tag99-->\r\n" + links + "<!--/tag99-->\r\n"},
      // Badly formed regions lose nothing.
      {"<!--tag99-->\r\n<p>suite</p>\r\n</html>\r\n", links + "<p>suite</p>\r\n</html>\r\n"},
      {"<!--tag99-->\r\n<!--/tag99-->\r\n<!--tag99-->\r\nfin\r\n",
       links + "<!--/tag99-->\r\n" + links + "fin\r\n"},
      {"<p><!--tag99--><!--/tag99--></p>\r\nfin\r\n", links + "<!--/tag99-->\r\nfin\r\n"},
      {"sans\nrégion", "sans\nrégion\r\n"},
  };
  for (const auto& [page, expected] : cases)
    EXPECT_EQ(p_ajoute_lien(page, table.lines()), expected) << page;
}

// The pass as first described, kept as the yardstick: every comparison
// reads both pages again, every link text is read again.
std::optional<std::string> reference_tag(const fs::path& file, std::string_view marker) {
  const std::optional<std::string> bytes = read_file(file);
  if (!bytes || bytes->empty()) return bytes;
  bool found = false;
  std::string_view line;
  for (LineCursor cursor(*bytes); cursor.next(line);) {
    if (line.find(marker) != std::string_view::npos) {
      found = true;
    } else if (found) {
      return std::string(line);
    }
  }
  return std::nullopt;
}

void reference_pass(const std::vector<std::string>& names, const std::string& lien,
                    const std::string& destination, std::string_view prefix) {
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::optional<std::string> mine = reference_tag(lien + names[i], "<!--tag2-->");
    std::vector<std::size_t> rows;
    for (std::size_t j = 0; j < names.size(); ++j) {
      if (j == i) continue;
      const std::optional<std::string> theirs = reference_tag(lien + names[j], "<!--tag2-->");
      if (mine && theirs && trim_spaces(*mine) == trim_spaces(*theirs)) rows.push_back(j);
    }
    const std::optional<std::string> page = read_file(destination + names[i]);
    if (rows.empty() || !page) continue;
    std::string out;
    bool inside = false;
    std::string_view line;
    for (LineCursor cursor(*page); cursor.next(line);) {
      if (line.find("<!--/tag99-->") != std::string_view::npos) inside = false;
      if (line.find("<!--tag99-->") != std::string_view::npos) {
        inside = true;
        out += "<!--tag99-->\r\n";
        for (const std::size_t j : rows) {
          const std::string text = reference_tag(lien + names[j], "<!--tag1-->").value_or("Nom#");
          out += "<a href =\"" + std::string(prefix) + encode_for_page(names[j], *page) + "\">" +
                 text + "</a><br>\r\n";
        }
      } else if (!inside) {
        out += std::string(line) + "\r\n";
      }
    }
    write_bytes(destination + "tmp_" + names[i], out);
    fs::rename(destination + "tmp_" + names[i], destination + names[i]);
  }
}

std::string random_page(std::mt19937& rng) {
  const auto pick = [&](const std::vector<std::string>& choices) {
    return choices[rng() % choices.size()];
  };
  const std::string end = pick({"\r\n", "\r\n", "\r"});
  if (rng() % 12 == 0) return "";
  std::string page = "<html>" + end + "<p>un\ndeux</p>" + end;
  const std::string region =
      pick({"Savoie", " Savoie", "Savoie  ", "savoie", "Jura", "", "  ", "Bretagne"});
  const std::string text =
      pick({"Tomme & Cie", "Bleu <i>des Puys</i>", "", "Crème brûlée", "Cr\xE8me", "Comté"});
  if (rng() % 8 != 0) page += "<!--tag1-->" + end + text + end + "<!--/tag1-->" + end;
  if (rng() % 8 != 0) page += "<!--tag2-->" + end + region + end + "<!--/tag2-->" + end;
  if (rng() % 6 != 0)
    page += "<!--tag99-->" + end + pick({"", "<a href =\"x.htm\">x</a><br>" + end}) +
            "<!--/tag99-->" + end;
  page += "</html>";
  return rng() % 3 == 0 ? page : page + end;
}

void copy_folder(const fs::path& from, const fs::path& to, std::mt19937* drop = nullptr) {
  fs::create_directory(to);
  for (const auto& entry : fs::directory_iterator(from)) {
    if (drop && (*drop)() % 8 == 0) continue;
    fs::copy_file(entry.path(), to / entry.path().filename());
  }
}

void expect_same_folders(const fs::path& fast, const fs::path& reference) {
  ASSERT_EQ(testing::file_names(fast), testing::file_names(reference));
  for (const std::string& name : testing::file_names(fast)) {
    EXPECT_EQ(without_fallbacks(read_bytes(fast / name)), read_bytes(reference / name)) << name;
  }
}

TEST(LinkPassDifferential, SameBytesAsComparingEveryPageWithEveryPage) {
  for (unsigned seed = 1; seed <= 6; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    testing::TempDir dir;
    const fs::path liens = dir / "liens";
    fs::create_directory(liens);
    for (int i = 0; i < 40; ++i) {
      const std::string name = i % 7 == 3   ? "tmp_fiche" + std::to_string(i - 1) + ".htm"
                               : i % 9 == 4 ? "fiché" + std::to_string(i) + ".HTM"
                                            : "fiche" + std::to_string(i) + ".htm";
      write_bytes(liens / name, random_page(rng));
    }
    for (const char* name : {"x.html", "notes.txt", ".cache.htm"})
      write_bytes(liens / name, random_page(rng));

    testing::RecordingView view;
    RunFlags flags;
    SteppingClock clock;
    view.settings.check1 = false;
    view.settings.check2 = true;
    view.settings.textesource = "Tag N°2";
    view.settings.textelien = "Tag N°1";
    view.settings.tag99 = " fiches/";
    std::mt19937 drop_fast(seed), drop_reference(seed);
    copy_folder(liens, dir / "rapide", &drop_fast);
    copy_folder(liens, dir / "reference", &drop_reference);
    view.settings.lien = liens.string() + "/";
    view.settings.destination = (dir / "rapide").string() + "/";
    ASSERT_EQ(link_pass(flags, view, clock), PassOutcome::Completed);
    std::vector<std::string> names = listed_pages(liens);
    reference_pass(names, view.settings.lien, (dir / "reference").string() + "/", "fiches/");
    expect_same_folders(dir / "rapide", dir / "reference");

    // In place: every content as it stood when the pass started.
    copy_folder(liens, dir / "sur-place");
    copy_folder(liens, dir / "reference2");
    names = listed_pages(dir / "sur-place");
    view.settings.lien = view.settings.destination = (dir / "sur-place").string() + "/";
    ASSERT_EQ(link_pass(flags, view, clock), PassOutcome::Completed);
    reference_pass(names, liens.string() + "/", (dir / "reference2").string() + "/", "fiches/");
    expect_same_folders(dir / "sur-place", dir / "reference2");
  }
}

}  // namespace
}  // namespace corvella
