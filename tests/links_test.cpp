#include <gtest/gtest.h>
#include <sys/stat.h>
#include <algorithm>
#include <regex>

#include "links/link_pass.h"
#include "links/link_region.h"
#include "links/tag_reader.h"
#include "platform/files.h"
#include "test_support.h"

namespace corvella::testing {
namespace {

struct LinkPass : ::testing::Test {
  void SetUp() override {
    view.settings = both_passes(dir);
    view.settings.check1 = false;
    view.settings.lien = view.settings.destination = dir.text();
  }
  PassOutcome run() { return link_pass(flags, view, clock, report); }
  void put(std::string_view name, std::string_view bytes) { write_bytes(dir / name, bytes); }
  std::string get(std::string_view name) { return read_bytes(dir / name); }

  TempDir dir;
  RecordingView view;
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
  ASSERT_EQ(run(), PassOutcome::Completed);
  EXPECT_EQ(view.progressbar2, (Texts{"", "1 sur 4", "2 sur 4", "3 sur 4", "4 sur 4"}));
  EXPECT_EQ(view.pictotal, (std::vector<int>{0, 1250, 2500, 3750, 5000}));
  EXPECT_EQ(view.piccours, (std::vector<int>{0, 3750, 3750, 3750, 3750}));
  EXPECT_EQ(view.progressbar1, (Texts{"", "4", "4", "4", "4"}));
  EXPECT_EQ(view.temps,
            (Texts{"60.00s/fichier - Total restant:2 mn.", "60.00s/fichier - Total restant:1 mn.",
                   "60.00s/fichier - Total restant: moins d'une minute",
                   "60.00s/fichier - Total restant: moins d'une minute"}));
  const DatedBack stamp = date_back(dir / "paris1.htm");
  ASSERT_EQ(run(), PassOutcome::Completed);  // finds the links in place: no write
  EXPECT_TRUE(dated_back(dir / "paris1.htm", stamp));
  EXPECT_EQ(get("paris1.htm"),
            fiche("Tomme & <b>Cie</b>", "Paris", link("fiches/paris2.htm", "Brie")));
  EXPECT_EQ(get("paris2.htm"),
            fiche("Brie", " Paris  ", link("fiches/paris1.htm", "Tomme & <b>Cie</b>")));
  EXPECT_EQ(get("lyon.htm"), fiche("Saint-Marcellin", "Lyon"));
  EXPECT_EQ(get("minuscule.htm"), fiche("Cervelle de canut", "paris"));
}

// Contents come from the link folder; links go into the namesakes of the
// destination folder. Regressions: links to elsewhere, FIFOs, a 255-byte name,
// tmp_notes.htm with no notes.htm, a working copy left by a kill.
TEST_F(LinkPass, FolderRules) {
  TempDir liens, outside;
  view.settings.lien = liens.text();
  const std::string longest = std::string(251, 'l') + ".htm";
  for (const std::string name :
       {"a.htm", "B.HTM", "tmp_notes.htm", "lecture.htm", "c.html", "aide.hlp", "notes.txt",
        "absent.htm", ".cache.htm", "f.htm", "htm", longest.c_str()}) {
    write_bytes(liens / name, fiche("Lien " + name, "Savoie"));
    if (name != "absent.htm" && name != "f.htm") put(name, fiche("Page", "ailleurs"));
  }
  fs::create_directory(liens / "dossier.htm");
  // CR-only line ends, and no text tag: a fallback link text.
  write_bytes(liens / "cr.htm", "<!--tag2-->\rSavoie\r");
  put("cr.htm", "<p>\r<!--tag99-->\r<!--/tag99-->");
  ::chmod((dir / "lecture.htm").c_str(), 0444);
  write_bytes(outside / "ailleurs.htm", fiche("ailleurs", "Savoie"));
  fs::create_symlink(outside / "ailleurs.htm", liens / "lien.htm");
  fs::create_symlink(outside / "ailleurs.htm", dir / "lien.htm");
  ASSERT_EQ(::mkfifo((liens / "fifo.htm").c_str(), 0644), 0);
  ASSERT_EQ(::mkfifo((dir / "f.htm").c_str(), 0644), 0);
  put(".corvella-00000000deadbeef-2a.tmp", fiche("partiel", "Savoie").substr(0, 60));
  // In a child, lest a FIFO hang the test. A page without a namesake is not told.
  const auto pass = [&] {
    const PassOutcome outcome = run();
    EXPECT_EQ(view.skipped,
              (Texts{"f.htm : Invalid argument", "lecture.htm : page en lecture seule"}));
    EXPECT_EQ(std::pair(report.pages_linked, report.links_written), std::pair(6LL, 48LL));
    return HasFailure() ? -1 : static_cast<int>(outcome);
  };
  ASSERT_EQ(in_child(pass), static_cast<int>(PassOutcome::Completed));

  // Links in the order the folder lists the pages; the empty prefix: bare names.
  const Texts pages{"a.htm",  "B.HTM", "tmp_notes.htm", "lecture.htm", "absent.htm",
                    "cr.htm", "f.htm", "htm",           longest};
  const Texts listed = list_ordinary_files(liens.path()).value();
  const auto links_of = [&](const std::string& self) {
    std::string links;
    for (const std::string& name : listed)
      if (name != self && std::ranges::count(pages, name) > 0)
        links += link(name, name == "cr.htm" ? "Nom#" : "Lien " + name);  // then a random number
    return links;
  };
  for (const std::string& self : Texts{"a.htm", "B.HTM", "tmp_notes.htm", "htm", longest})
    EXPECT_EQ(std::regex_replace(get(self), std::regex(">Nom[0-9]+</a>"), ">Nom#</a>"),
              fiche("Page", "ailleurs", links_of(self)))
        << self;
  EXPECT_TRUE(std::regex_search(get("a.htm"), std::regex("\"cr\\.htm\">Nom[0-9]{1,6}</a>")));
  EXPECT_EQ(get("cr.htm"), "<p>\r\n<!--tag99-->\r\n" + links_of("cr.htm") + "<!--/tag99-->\r\n");
  for (const char* name : {"lecture.htm", "c.html", "aide.hlp", "notes.txt", ".cache.htm"})
    EXPECT_EQ(get(name), fiche("Page", "ailleurs")) << name;
  EXPECT_EQ(read_bytes(outside / "ailleurs.htm"), fiche("ailleurs", "Savoie"));
  EXPECT_EQ(file_names(dir.path()),
            (Texts{".cache.htm", "B.HTM", "a.htm", "aide.hlp", "c.html", "cr.htm", "f.htm", "htm",
                   "lecture.htm", "lien.htm", longest, "notes.txt", "tmp_notes.htm"}));
}

// LF pages (as a Linux editor saves them) in Windows-1252 get LF links whose
// addresses give back the names' bytes, the five bytes the code page leaves
// undefined included, and so does the prefix; a UTF-8 page gets UTF-8 ones.
TEST_F(LinkPass, LfPagesGetLfLinksAddressedInTheirCharacterSet) {
  const auto lf = [](const std::string& text) {
    return std::regex_replace(text, std::regex("\r\n"), "\n");
  };
  struct Page {
    std::string listed, cp1252, text;  // file name, its address in a Windows-1252 page
  };
  std::vector<Page> made{{"utf8.htm", "utf8.htm", "Cr\xC3\xA8me"}};
  for (const char undefined : {'\x81', '\x8D', '\x8F', '\x90', '\x9D'})
    made.push_back({std::string("Caf\xC2") + undefined + ".htm",
                    std::string("Caf") + undefined + ".htm",
                    "Cr\xE8me " + std::to_string(static_cast<unsigned char>(undefined))});
  for (const Page& page : made) put(page.listed, lf(fiche(page.text, "Savoie")));
  // As a Windows-1252 settings file holds it; octal: a hex escape would take the "c".
  view.settings.tag99 = " /caves/B\373che/";
  ASSERT_EQ(run(), PassOutcome::Completed);
  const Texts listed = list_ordinary_files(dir.path()).value();
  for (const Page& page : made) {
    std::string links;
    for (const std::string& name : listed) {
      const auto other = std::ranges::find(made, name, &Page::listed);
      if (name == page.listed) continue;
      links += page.listed == "utf8.htm" ? link("/caves/B\303\273che/" + name, other->text)
                                         : link("/caves/B\373che/" + other->cp1252, other->text);
    }
    EXPECT_EQ(get(page.listed), lf(fiche(page.text, "Savoie", links))) << page.listed;
  }
}

TEST_F(LinkPass, StopsBetweenPagesLeavingEveryPageWhole) {
  for (const char* name : {"a.htm", "b.htm", "c.htm"}) put(name, fiche(name, "Savoie"));
  // Events 1 to 3 come as the pages are read, 4 before the first is linked, 5 before the second.
  view.on_event = [&](int event) { flags.stop = event == 5; };
  EXPECT_EQ(run(), PassOutcome::Stopped);
  const Texts p = list_ordinary_files(dir.path()).value();  // the pages in list order
  EXPECT_EQ(get(p[0]), fiche(p[0], "Savoie", link(p[1], p[1]) + link(p[2], p[2])));
  for (const std::size_t i : {1, 2}) EXPECT_EQ(get(p[i]), fiche(p[i], "Savoie"));
}

TEST(LinkPageText, TagReaderAndLinkRegionRules) {
  const std::pair<std::string_view, std::optional<std::string_view>> cases[] = {
      {"<p>\r\n<!--tag2-->\r\n<!--tag2--> encore\r\nParis\r\n<!--/tag2-->\r\n", "Paris"},
      {"<p><!--tag2--></p>\rSa\nvoie\r", "Sa\nvoie"},
      {"", ""},
      {"<h1>\r\n<!--tag2-->", std::nullopt},
      {"<!--tag20-->\r\nVingt\r\n<!--/tag2-->\r\nx\r\n", std::nullopt},
  };
  for (const auto& [page, want] : cases) EXPECT_EQ(content_line(page, "<!--tag2-->"), want) << page;
  EXPECT_EQ(trim_spaces("  \tParis "), "\tParis");  // tabs are content
  EXPECT_EQ(opening_marker("Tag N°100"), "<!--tag100-->");

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

}  // namespace
}  // namespace corvella::testing
