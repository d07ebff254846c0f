#include "platform/text_lines.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace corvella {
namespace {

using Texts = std::vector<std::string>;

TEST(TextLines, EachTextKeepsItsOwnLineEndsInTextsAndFilesOfAnySize) {
  std::vector<std::pair<std::string, Texts>> cases = {
      {"", {}},          {"a", {"a"}},           {"a\r\nb", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},    {"a\nb\r\nc", {"a\nb", "c"}}, {"\r\n\r\n", {"", ""}},
      {"a\r\r\nb", {"a", "", "b"}},
      {std::string("n\0ul\xE9\xFF", 6) + "\r\n", {std::string("n\0ul\xE9\xFF", 6)}},
      // Without any CR, each LF ends a line.
      {"a\nb\n", {"a", "b"}}, {"a\n\nb", {"a", "", "b"}}, {"\n", {""}},
  };
  // The file reader reads 64 KiB chunks: a CR LF astride two, and a 3 MB line.
  const std::string first(64 * 1024 - 1, 'x'), huge(3'000'000, 'y');
  cases.push_back({first + "\r\n" + huge + "\r" + "end", {first, huge, "end"}});
  cases.push_back({first + "\n\n" + huge + "\nend", {first, "", huge, "end"}});
  testing::TempDir dir;
  for (const auto& [bytes, expected] : cases) {
    Texts lines, file_lines;
    LineCursor cursor(bytes);
    for (std::string_view line; cursor.next(line);) lines.emplace_back(line);
    EXPECT_EQ(lines, expected) << bytes.substr(0, 9);
    EXPECT_EQ(count_lines(bytes), expected.size());
    testing::write_bytes(dir / "f", bytes);
    auto reader = LineFileReader::open(dir / "f");
    for (std::string line; reader->next(line);) file_lines.push_back(line);
    EXPECT_FALSE(reader->failed());
    EXPECT_EQ(file_lines, expected) << bytes.substr(0, 9);
  }
  EXPECT_EQ(line_end_of(first + "\n"), "\n");
  EXPECT_EQ(line_end_of("a\nb\r"), "\r\n");
  EXPECT_EQ(LineFileReader::open(dir / "absent"), nullptr);
}

}  // namespace
}  // namespace corvella
