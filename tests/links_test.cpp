#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <random>
#include <regex>

#include "generation/run.h"
#include "links/link_pass.h"
#include "links/link_region.h"
#include "links/tag_reader.h"
#include "platform/charset.h"
#include "platform/files.h"
#include "test_support.h"

namespace corvella {
namespace {

namespace fs = std::filesystem;
using testing::file_names;
using testing::read_bytes;
using testing::write_bytes;
using Names = std::vector<std::string>;

// A cheese page as the page filler leaves it: region 1 the name (text tag),
// region 2 the region of origin (link tag), region 99 the links.
std::string fiche(std::string_view name, std::string_view region, std::string_view links = "\r\n") {
  return std::string("<html>\r\n<h1>\r\n<!--tag1-->\r\n") + std::string(name) +
         "\r\n<!--/tag1-->\r\n</h1>\r\n<p>\r\n<!--tag2-->\r\n" + std::string(region) +
         "\r\n<!--/tag2-->\r\n</p>\r\n<h2>Du même terroir</h2>\r\n<p>\r\n<!--tag99-->\r\n" +
         std::string(links) + "<!--/tag99-->\r\n</p>\r\n</html>\r\n";
}

// A link line as the pass writes it, to the byte.
std::string link(const std::string& href, const std::string& text) {
  return "<a href =\"" + href + "\">" + text + "</a><br>\r\n";
}

// Fallback link texts are random numbers: compared as "Nom#".
std::string without_fallbacks(const std::string& page) {
  return std::regex_replace(page, std::regex(">Nom[0-9]+</a>"), ">Nom#</a>");
}

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
  PassOutcome run() { return link_pass(flags, view, clock, report); }
  void put(std::string_view name, std::string_view bytes) { write_bytes(dir / name, bytes); }
  std::string get(std::string_view name) { return read_bytes(dir / name); }

  testing::TempDir dir;
  testing::RecordingView view;
  RunFlags flags;
  struct : Clock {
    double seconds_since_midnight() override { return now += 60; }  // a page takes a minute
    double now = 0;
  } clock;
  RunReport report;
};

TEST_F(LinkPass, LinksPagesWhoseTrimmedContentsAreEqual) {
  put("paris1.htm", fiche("Tomme & <b>Cie</b>", "Paris"));
  put("paris2.htm", fiche("Brie", " Paris  "));
  put("lyon.htm", fiche("Saint-Marcellin", "Lyon"));
  put("minuscule.htm", fiche("Cervelle de canut", "paris"));
  view.settings.tag99 = "  fiches/ ";
  const auto paris1 = fiche("Tomme & <b>Cie</b>", "Paris", link("fiches/paris2.htm", "Brie"));
  const auto paris2 = fiche("Brie", " Paris  ", link("fiches/paris1.htm", "Tomme & <b>Cie</b>"));
  testing::DatedBack stamp{};
  for (int pass = 1; pass <= 2; ++pass) {  // the second replaces the links, never doubles them
    ASSERT_EQ(run(), PassOutcome::Completed);
    // The second finds the links in place and writes nothing.
    if (pass == 2) {
      EXPECT_TRUE(testing::dated_back(dir / "paris1.htm", stamp));
    }
    stamp = testing::date_back(dir / "paris1.htm");
    EXPECT_EQ(get("paris1.htm"), paris1);
    EXPECT_EQ(get("paris2.htm"), paris2);
    EXPECT_EQ(get("lyon.htm"), fiche("Saint-Marcellin", "Lyon"));
    EXPECT_EQ(get("minuscule.htm"), fiche("Cervelle de canut", "paris"));
  }
  // Per page: its number, the bar, the comparisons done at once, the time left.
  EXPECT_EQ(Names(view.progressbar2.begin(), view.progressbar2.begin() + 5),
            (Names{"", "1 sur 4", "2 sur 4", "3 sur 4", "4 sur 4"}));
  EXPECT_EQ(std::vector<int>(view.pictotal.begin(), view.pictotal.begin() + 5),
            (std::vector<int>{0, 1250, 2500, 3750, 5000}));
  EXPECT_EQ(std::vector<int>(view.piccours.begin(), view.piccours.begin() + 3),
            (std::vector<int>{0, 3750, 3750}));
  EXPECT_EQ(view.progressbar1[1], "4");
  EXPECT_EQ(Names(view.temps.begin(), view.temps.begin() + 4),
            (Names{"60.00s/fichier - Total restant:2 mn.", "60.00s/fichier - Total restant:1 mn.",
                   "60.00s/fichier - Total restant: moins d'une minute",
                   "60.00s/fichier - Total restant: moins d'une minute"}));
}

// Tag 100 is the last tag: a link tag and a text tag like any other.
TEST_F(LinkPass, TagHundredLinksPages) {
  const auto page = [](std::string_view text, std::string_view links) {
    return "<!--tag100-->\r\n" + std::string(text) + "\r\n<!--/tag100-->\r\n<!--tag99-->\r\n" +
           std::string(links) + "<!--/tag99-->\r\n";
  };
  put("a.htm", page("Cent", ""));
  put("b.htm", page(" Cent", ""));
  view.settings.textesource = view.settings.textelien = "Tag N°100";
  ASSERT_EQ(run(), PassOutcome::Completed);
  EXPECT_EQ(get("a.htm"), page("Cent", link("b.htm", " Cent")));
  EXPECT_EQ(get("b.htm"), page(" Cent", link("a.htm", "Cent")));
}

// Contents come from the link folder; links go into the namesakes of the
// destination folder.
TEST_F(LinkPass, FolderRules) {
  testing::TempDir liens;
  view.settings.lien = liens.text();
  for (const std::string name : {"a.htm", "B.HTM", "tmp_a.htm", "lecture.htm", "c.html",
                                 "notes.txt", "absent.htm", ".cache.htm"}) {
    write_bytes(liens / name, fiche("Lien " + name, "Savoie"));
    if (name != "absent.htm") put(name, fiche("Page", "ailleurs"));
  }
  fs::create_directory(liens / "dossier.htm");
  // CR-only line ends, and no text tag: a fallback link text.
  write_bytes(liens / "cr.htm", "<!--tag2-->\rSavoie\r");
  put("cr.htm", "<p>\r<!--tag99-->\r<!--/tag99-->");
  ::chmod((dir / "lecture.htm").c_str(), 0444);
  ASSERT_EQ(run(), PassOutcome::Completed);

  // Links in the order the folder lists the pages; the empty prefix: bare names.
  const Names pages{"a.htm", "B.HTM", "tmp_a.htm", "lecture.htm", "absent.htm", "cr.htm"};
  const Names listed = list_ordinary_files(liens.path()).value();
  const auto links_of = [&](const std::string& self) {
    std::string links;
    for (const std::string& name : listed)
      if (name != self && std::ranges::count(pages, name) > 0)
        links += link(name, name == "cr.htm" ? "Nom#" : "Lien " + name);
    return links;
  };
  EXPECT_EQ(without_fallbacks(get("a.htm")), fiche("Page", "ailleurs", links_of("a.htm")));
  EXPECT_EQ(without_fallbacks(get("B.HTM")), fiche("Page", "ailleurs", links_of("B.HTM")));
  EXPECT_TRUE(std::regex_search(get("a.htm"), std::regex("\"cr\\.htm\">Nom[0-9]{1,6}</a>")));
  EXPECT_EQ(get("cr.htm"), "<p>\r\n<!--tag99-->\r\n" + links_of("cr.htm") + "<!--/tag99-->\r\n");
  for (const char* name : {"lecture.htm", "c.html", "notes.txt", ".cache.htm"})
    EXPECT_EQ(get(name), fiche("Page", "ailleurs")) << name;
  // The read-only page is told; a page without a namesake is not a failure.
  EXPECT_EQ(view.skipped, Names{"lecture.htm : page en lecture seule"});
  EXPECT_EQ(std::pair(report.pages_linked, report.links_written), std::pair(4LL, 20LL));
  EXPECT_EQ(without_fallbacks(get("tmp_a.htm")), fiche("Page", "ailleurs", links_of("tmp_a.htm")));
  // absent.htm was not created.
  EXPECT_EQ(file_names(dir.path()), (Names{".cache.htm", "B.HTM", "a.htm", "c.html", "cr.htm",
                                           "lecture.htm", "notes.txt", "tmp_a.htm"}));
}

// The page pass empties region 99; the link pass of the same press fills it
// again. The template, alone in its region, stays as it is.
TEST_F(LinkPass, PagesRefilledThenRelinkedInOnePress) {
  put("modele.htm", fiche("Nom du fromage", "Région"));
  put("data.txt", "comte;Comté;Jura\r\nmorbier;Morbier;Jura\r\nbleu;Bleu;Auvergne\r\n");
  view.settings.check1 = true;
  view.settings.source = (dir / "data.txt").string();
  view.settings.modele = (dir / "modele.htm").string();
  corvella::Run press(view);
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(press.press(), PressOutcome::Finished);
    EXPECT_EQ(get("comte.htm"), fiche("Comté", "Jura", link("morbier.htm", "Morbier")));
    EXPECT_EQ(get("morbier.htm"), fiche("Morbier", "Jura", link("comte.htm", "Comté")));
    EXPECT_EQ(get("bleu.htm"), fiche("Bleu", "Auvergne"));
  }
  EXPECT_EQ(get("modele.htm"), fiche("Nom du fromage", "Région"));
  EXPECT_EQ(view.messages, Names(2, "information: Traitement terminé..."));
}

// LF pages (as a Linux editor saves them) in Windows-1252 get LF links whose
// addresses give back the names' bytes, the five bytes the code page leaves
// undefined included; a character without a byte is percent-escaped, and the
// prefix follows the same rule.
TEST_F(LinkPass, LfPagesGetLfLinksAddressedInTheirCharacterSet) {
  const auto lf = [](const std::string& text) {
    return std::regex_replace(text, std::regex("\r\n"), "\n");
  };
  struct Page {
    std::string listed, cp1252, text;  // file name, its address in a Windows-1252 page
  };
  const std::vector<Page> made{{"Caf\xC2\x81.htm", "Caf\x81.htm", "Cr\xE8me 81"},
                               {"Caf\xC2\x8D.htm", "Caf\x8D.htm", "Cr\xE8me 8D"},
                               {"Caf\xC2\x8F.htm", "Caf\x8F.htm", "Cr\xE8me 8F"},
                               {"Caf\xC2\x90.htm", "Caf\x90.htm", "Cr\xE8me 90"},
                               {"Caf\xC2\x9D.htm", "Caf\x9D.htm", "Cr\xE8me 9D"},
                               {"\xC5\x81\xC3\xB3" "dz.htm", "%C5%81\xF3" "dz.htm", "Cr\xE8me L"},
                               {"utf8.htm", "utf8.htm", "Cr\xC3\xA8me"}};
  for (const Page& page : made) put(page.listed, lf(fiche(page.text, "Savoie")));
  view.settings.tag99 = " /caves/B\xFB" "che/";  // as a Windows-1252 settings file holds it
  ASSERT_EQ(run(), PassOutcome::Completed);
  const Names listed = list_ordinary_files(dir.path()).value();
  for (const Page& page : made) {
    const bool utf8 = page.listed == "utf8.htm";
    std::string links;
    for (const std::string& name : listed) {
      const auto other = std::ranges::find(made, name, &Page::listed);
      if (name == page.listed) continue;
      links += utf8 ? link("/caves/B\xC3\xBB" "che/" + other->listed, other->text)
                    : link("/caves/B\xFB" "che/" + other->cp1252, other->text);
    }
    EXPECT_EQ(get(page.listed), lf(fiche(page.text, "Savoie", links))) << page.listed;
  }
}

TEST_F(LinkPass, PageNamedTmpNotesWithNoNotesBesideItIsAnOrdinaryPage) {
  put("modele.htm", fiche("Nom du fromage", "Région"));
  put("data.txt", "tmp_notes;Notes de cave;Jura\r\ncomte;Comté;Jura\r\n");
  view.settings.check1 = true;
  view.settings.source = (dir / "data.txt").string();
  view.settings.modele = (dir / "modele.htm").string();
  ASSERT_EQ(corvella::Run(view).press(), PressOutcome::Finished);
  EXPECT_EQ(get("tmp_notes.htm"), fiche("Notes de cave", "Jura", link("comte.htm", "Comté")));
  EXPECT_EQ(get("comte.htm"), fiche("Comté", "Jura", link("tmp_notes.htm", "Notes de cave")));
  EXPECT_EQ(file_names(dir.path()),
            (Names{"comte.htm", "data.txt", "modele.htm", "tmp_notes.htm"}));
}

// Regressions: links to elsewhere, FIFOs, a partial working copy left by a
// kill, and a folder held by another run.
TEST_F(LinkPass, RegressionLinksFifosLeftoversAndAHeldFolder) {
  testing::TempDir liens, outside;
  view.settings.lien = liens.text();
  const std::string longest = std::string(251, 'l') + ".htm";  // 255 bytes
  const Names savoie{"a.htm", "b.htm", "f.htm", longest};
  for (const std::string& name : savoie) {
    write_bytes(liens / name, fiche(name, "Savoie"));
    if (name != "f.htm") put(name, fiche(name, "Savoie"));
  }
  write_bytes(outside / "ailleurs.htm", fiche("ailleurs", "Savoie"));
  fs::create_symlink(outside / "ailleurs.htm", liens / "lien.htm");
  fs::create_symlink(outside / "ailleurs.htm", dir / "lien.htm");
  ASSERT_EQ(::mkfifo((liens / "fifo.htm").c_str(), 0644), 0);
  ASSERT_EQ(::mkfifo((dir / "f.htm").c_str(), 0644), 0);
  const std::string leftover = ".corvella-00000000deadbeef-2a.tmp";
  put(leftover, fiche("partiel", "Savoie").substr(0, 60));

  const std::optional<int> status = testing::in_child([&] { return static_cast<int>(run()); });
  ASSERT_EQ(status, static_cast<int>(PassOutcome::Completed)) << "the pass waited on a FIFO";
  const Names listed = list_ordinary_files(liens.path()).value();
  for (const std::string& self : {std::string("a.htm"), std::string("b.htm"), longest}) {
    std::string links;
    for (const std::string& name : listed)
      if (name != self && std::ranges::count(savoie, name) > 0) links += link(name, name);
    EXPECT_EQ(get(self), fiche(self, "Savoie", links)) << self;
  }
  EXPECT_EQ(read_bytes(outside / "ailleurs.htm"), fiche("ailleurs", "Savoie"));
  EXPECT_EQ(file_names(dir.path()), (Names{"a.htm", "b.htm", "f.htm", "lien.htm", longest}));

  const testing::ForeignLock other_run(dir.path());
  put("a.htm", "<p>à la main</p>\r\n");
  EXPECT_EQ(run(), PassOutcome::Failed);
  EXPECT_EQ(view.messages,
            Names{"critical: Un autre traitement est en cours dans le répertoire de destination"});
  EXPECT_EQ(get("a.htm"), "<p>à la main</p>\r\n");
}

TEST_F(LinkPass, StopsBetweenPagesLeavingEveryPageWhole) {
  for (const char* name : {"a.htm", "b.htm", "c.htm", "d.htm"}) put(name, fiche(name, "Savoie"));
  corvella::Run press(view);
  // Events 1 to 4 come while reading the pages, 5 before the first page is
  // linked, 6 before the second.
  view.on_event = [&](int event) {
    if (event == 6) press.press();
  };
  EXPECT_EQ(press.press(), PressOutcome::Stopped);
  EXPECT_EQ(view.messages, Names{"information: Traitement interrompu..."});
  const Names p = list_ordinary_files(dir.path()).value();  // the pages in list order
  ASSERT_EQ(p.size(), 4u);
  EXPECT_EQ(get(p[0]),
            fiche(p[0], "Savoie", link(p[1], p[1]) + link(p[2], p[2]) + link(p[3], p[3])));
  for (std::size_t i = 1; i < 4; ++i) EXPECT_EQ(get(p[i]), fiche(p[i], "Savoie"));
}

TEST(LinkPageText, TagReaderAndLinkRegionRules) {
  const std::pair<std::string_view, std::optional<std::string_view>> cases[] = {
      {"<p>\r\n<!--tag2-->\r\n<!--tag2--> encore\r\nParis\r\n<!--/tag2-->\r\n", "Paris"},
      {"<!--tag20-->\r\nVingt\r\n<!--/tag2-->\r\nx\r\n<!--tag2-->\r\n Deux \r\n", " Deux "},
      {"<p><!--tag2--></p>\rSa\nvoie\r", "Sa\nvoie"},
      {"", ""},
      {"<h1>\r\n<!--tag2-->", std::nullopt},
      {"<!--tag20-->\r\nVingt\r\n<!--/tag2-->\r\nx\r\n", std::nullopt},
  };
  for (const auto& [page, want] : cases) EXPECT_EQ(content_line(page, "<!--tag2-->"), want) << page;
  EXPECT_TRUE(std::regex_match(P_recherche_tag_bd("<h1>\r\n<!--tag2-->", "<!--tag2-->"),
                               std::regex("Nom(0|[1-9][0-9]{0,5})")));
  EXPECT_EQ(trim_spaces("  \tParis "), "\tParis");

  const std::string rows = link("lyon.htm", "Lyon"), links = "<!--tag99-->\r\n" + rows;
  const std::pair<std::string_view, std::string> regions[] = {
      {"<p><!--tag99-->\r\n<a href =\"x\">x</a><br>\r\n<!--/tag99--></p>\r\n",
       links + "<!--/tag99--></p>\r\n"},
      // Badly formed regions lose no line.
      {"<!--tag99-->\r\n<p>suite</p>\r\n</html>\r\n", links + "<p>suite</p>\r\n</html>\r\n"},
      {"<!--tag99-->\r\n<!--/tag99-->\r\n<!--tag99-->\r\nfin\r\n",
       links + "<!--/tag99-->\r\n" + links + "fin\r\n"},
      {"<p><!--tag99--><!--/tag99--></p>\r\nfin\r\n", links + "<!--/tag99-->\r\nfin\r\n"},
  };
  for (const auto& [page, want] : regions) EXPECT_EQ(p_ajoute_lien(page, rows), want) << page;
}

// A slow pass kept as the yardstick: every comparison reads both pages
// again, every link text is read again. Written for the
// pages random_page makes, where each marker stands once, alone on its line.
std::optional<std::string> reference_page(const std::string& file) {  // line ends made CR LF
  std::optional<std::string> page = read_file(file);
  if (!page || page->empty()) return page;
  static const std::regex line_end("\r\n?"), lf("\n");
  *page = std::regex_replace(*page, has_lf_lines(*page) ? lf : line_end, "\r\n");
  return page->ends_with("\r\n") ? *page : *page + "\r\n";
}

std::optional<std::string> reference_tag(const std::string& file, const std::string& marker) {
  const std::optional<std::string> page = reference_page(file);
  if (!page || page->empty()) return page;
  const std::size_t at = page->find(marker + "\r\n"), line = at + marker.size() + 2;
  if (at == std::string::npos || line == page->size()) return std::nullopt;
  return page->substr(line, page->find("\r\n", line) - line);
}

void reference_pass(const Names& names, const std::string& lien, const std::string& destination) {
  for (const std::string& me : names) {
    const std::optional<std::string> page = reference_page(destination + me),
                                     mine = reference_tag(lien + me, "<!--tag2-->");
    std::string links;
    for (const std::string& other : names) {
      const std::optional<std::string> theirs = reference_tag(lien + other, "<!--tag2-->");
      if (other == me || !mine || !theirs || trim_spaces(*mine) != trim_spaces(*theirs)) continue;
      links += link("fiches/" + encode_for_page(other, page.value_or("")),
                    reference_tag(lien + other, "<!--tag1-->").value_or("Nom#"));
    }
    if (links.empty() || !page) continue;
    std::string linked = std::regex_replace(
        *page, std::regex("<!--tag99-->\r\n[\\s\\S]*?<!--/tag99-->"),
        "<!--tag99-->\r\n" + links + "<!--/tag99-->");
    if (has_lf_lines(*read_file(destination + me))) {
      linked = std::regex_replace(linked, std::regex("\r\n"), "\n");
    }
    write_bytes(destination + ".new", linked);
    fs::rename(destination + ".new", destination + me);
  }
}

std::string random_page(std::mt19937& rng) {
  const auto pick = [&](std::vector<std::string> from) { return from[rng() % from.size()]; };
  const std::string end = pick({"\r\n", "\r\n", "\r", "\n"});
  const std::pair<std::string, std::string> regions[] = {
      {"tag1", pick({"Tomme & Cie", "Bleu <i>des Puys</i>", "", "Crème", "Cr\xE8me"})},
      {"tag2", pick({"Savoie", " Savoie", "Savoie  ", "savoie", "Jura", "", "  "})},
      {"tag99", pick({"", "<a href =\"x.htm\">x</a><br>"})}};
  std::string page = "<html>" + end + "<p>un\ndeux</p>" + end;  // one line, or two in LF
  for (const auto& [tag, text] : regions)
    if (rng() % 8) page += "<!--" + tag + "-->" + end + text + end + "<!--/" + tag + "-->" + end;
  return rng() % 12 == 0 ? "" : page + "</html>" + pick({"", end, end});
}

TEST_F(LinkPass, SameBytesAsComparingEveryPageWithEveryPage) {
  view.settings.tag99 = " fiches/";
  for (unsigned seed = 1; seed <= 6; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    testing::TempDir liens;
    for (int i = 0; i < 40; ++i) {  // names beyond ASCII; "tmp_" names beside their namesakes
      const std::string name = i % 7 == 3   ? "tmp_fiche" + std::to_string(i - 1) + ".htm"
                               : i % 9 == 4 ? "fiché" + std::to_string(i) + ".HTM"
                                            : "fiche" + std::to_string(i) + ".htm";
      write_bytes(liens / name, random_page(rng));
    }

    // Across folders, some pages missing from the destination; then in
    // place, where every content is taken as it stood when the pass started.
    for (const std::string mode : {"across", "in-place"}) {
      const fs::path fast = dir / (mode + std::to_string(seed)), reference = fast.string() + "-ref";
      for (const fs::path& to : {fast, reference}) {
        std::mt19937 drop(seed);  // the same pages missing from both
        fs::create_directory(to);
        for (const std::string& name : file_names(liens.path()))
          if (mode == "in-place" || drop() % 8 != 0) fs::copy(liens / name, to / name);
      }
      const fs::path contents = mode == "across" ? liens.path() : fast;
      // The pages in list order: names ending in "htm" in any case.
      Names names = list_ordinary_files(contents).value();
      std::erase_if(names, [&](const std::string& name) {
        return !std::regex_search(name, std::regex("htm$", std::regex::icase));
      });
      view.settings.lien = contents.string() + "/";
      view.settings.destination = fast.string() + "/";
      ASSERT_EQ(run(), PassOutcome::Completed);
      reference_pass(names, liens.text(), reference.string() + "/");
      ASSERT_EQ(file_names(fast), file_names(reference));
      for (const std::string& name : file_names(fast))
        EXPECT_EQ(without_fallbacks(read_bytes(fast / name)), read_bytes(reference / name)) << name;
    }
  }
}

}  // namespace
}  // namespace corvella
