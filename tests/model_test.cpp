#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "model/data_file.h"
#include "model/field_table.h"
#include "model/page_filler.h"
#include "test_support.h"

namespace corvella::testing {
namespace {

TEST(DataFile, RecordsSplitIntoAtMost101FieldsAndShortOnesKeepOldEntries) {
  FieldTable fields;
  const auto first = [&](int n) { return Texts(fields.begin(), fields.begin() + n); };
  split_record("Ivo Brasset;5489;disponible;140F;reggae;", fields);
  split_record(" x ;;y;", fields);  // spaces belong to the fields
  EXPECT_EQ(first(7), (Texts{" x ", "", "y", "", "reggae", "", ""}));
  split_record("", fields);  // a blank record empties entry 0 only
  EXPECT_EQ(first(3), (Texts{"", "", "y"}));
  std::string line;
  for (int i = 0; i < 150; ++i) line.append("f").append(std::to_string(i)).append(";");
  split_record(line, fields);
  EXPECT_EQ(fields[0] + fields[100], "f0f100");

  // Records are read and counted without a byte order mark (a file of none counts one).
  TempDir dir;
  const auto data = dir / "donn\303\251es.txt";
  const std::pair<std::string, Texts> files[] = {
      {"\357\273\277caf\xC3\xA9;1\r\nth\xC3\xA9;2\r\n", {"caf\xC3\xA9;1", "th\xC3\xA9;2"}},
      {"\xEF\xBB\xBF\r\n", {""}},
      {"\xEF\xBB\xBF", {}},
  };
  for (const auto& [bytes, expected] : files) {
    write_bytes(data, bytes);
    auto reader = RecordReader::open(data);
    Texts records;
    for (std::string record; reader->next(record);) records.push_back(record);
    EXPECT_EQ(records, expected) << bytes;
    EXPECT_EQ(count_records(data), std::max<long long>(1, std::ssize(expected))) << bytes;
  }
  EXPECT_EQ(count_records(dir / "absent"), std::nullopt);
}

TEST(PageFiller, RegionsTitleAndGeneratorAreRewrittenAndARefillGivesTheSameBytes) {
  FieldTable fields;
  split_record("ivo-brasset;Ivo Brasset;disponible;140F;;", fields);
  fields[100] = "f100";
  const std::string garbage = std::string("\0\xFF\xFE\x80", 4) + "\r\x01\n\x02";
  const std::string huge(1'000'000, '\xE9');
  const std::pair<std::string, std::string> pages[] = {
      {"<html>\r\n<head>\r\n<meta name=\"GENERATOR\" content=\"Bloc-notes 4.0\">\r\n"
       "  <title>Ancien titre</title>\r\n</head>\r\n<!-- hand edit kept -->\r\n"
       "<p><!--tag2-->\r\nold line 1\r\nold line 2\r\n<!--/tag7--></p>\r\n"
       "<!--tag4-->\r\n\r\n<!--/tag4-->\r\n</html>",
       "<html>\r\n<head>\r\n<meta name=\"GENERATOR\" content=\"Corvella 1.0 (c).\">\r\n"
       "<title>Ivo Brasset</title>\r\n</head>\r\n<!-- hand edit kept -->\r\n"
       "<!--tag2-->\r\ndisponible\r\n"
       "<!--/tag2-->\r\n"  // closing number is the last opening number
       "<!--tag4-->\r\n\r\n<!--/tag4-->\r\n</html>\r\n"},
      // Closing marker before any opening marker; lowest tag of a line wins;
      // markers 101, lettered or zero-padded are dropped; title and generator
      // written otherwise are kept; a region left open drops the rest.
      {"<!--/tag4-->\r\n<!--tag5--><!--tag2-->\r\n<!--/tag5-->\r\n"
       "<!--tag100-->\r\n<!--/tag100-->\r\n"
       "<!--tag101-->\r\n<!--tagA-->\r\n<!--tag03-->\r\n<!--TAG1-->\r\n"
       "<TITLE>Majuscules</TITLE>\r\n<meta name=\"GENERATOR\"content=\"x\">\r\n"
       "<meta name=\"generator\" content=\"x\">\r\n<!--tag1-->\r\n"
       "<title>inside a region</title>\r\n",
       "<!--/tag-->\r\n<!--tag2-->\r\ndisponible\r\n<!--/tag2-->\r\n"
       "<!--tag100-->\r\nf100\r\n<!--/tag100-->\r\n<!--TAG1-->\r\n"
       "<TITLE>Majuscules</TITLE>\r\n<meta name=\"GENERATOR\"content=\"x\">\r\n"
       "<meta name=\"generator\" content=\"x\">\r\n<!--tag1-->\r\nIvo Brasset\r\n"},
      // One-line regions keep the lines after them, here in an LF page;
      // text around the markers goes.
      {"<h1><!--tag0--><!--/tag0--></h1>\n<p>Affinage :</p>\n<p><!--tag2-->old<!--/tag9--></p>\n"
       "<img src=\"tomme.jpg\">\n</html>\n",
       "<!--tag0-->\nivo-brasset\n<!--/tag0-->\n<p>Affinage :</p>\n"
       "<!--tag2-->\ndisponible\n<!--/tag2-->\n<img src=\"tomme.jpg\">\n</html>\n"},
      // A closing marker before the opening one does not close the region.
      {"<!--/tag1--><!--tag1-->\nancien\n<!--/tag1-->\nfin\n",
       "<!--tag1-->\nIvo Brasset\n<!--/tag1-->\nfin\n"},
      // Binary pages pass through, their line ends made CR LF.
      {garbage + "\r" + huge,
       std::string("\0\xFF\xFE\x80\r\n", 6) + "\x01\n\x02\r\n" + huge + "\r\n"},
  };
  for (const auto& [page, want] : pages)
    for (const std::string& input : {page, want}) {
      std::string out;
      EXPECT_TRUE(fill_page(input, fields, 1, out));
      EXPECT_EQ(out, want) << input.substr(0, 60);
    }
}

}  // namespace
}  // namespace corvella::testing
