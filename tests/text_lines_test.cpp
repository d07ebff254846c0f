#include "platform/text_lines.h"

#include <gtest/gtest.h>

#include <vector>

#include "test_support.h"

namespace corvella {
namespace {

std::vector<std::string> file_lines(const std::filesystem::path& path) {
  std::vector<std::string> lines;
  auto reader = LineFileReader::open(path);
  std::string line;
  while (reader->next(line)) lines.push_back(line);
  EXPECT_FALSE(reader->failed());
  return lines;
}

TEST(TextLines, EachTextKeepsItsOwnLineEndsInTextsAndFilesOfAnySize) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"", {}},          {"a", {"a"}},           {"a\r\n", {"a"}},
      {"a\r\nb", {"a", "b"}}, {"a\rb\r", {"a", "b"}},    {"a\nb\r\nc", {"a\nb", "c"}},
      {"\r\n\r\n", {"", ""}}, {"a\r\r\nb", {"a", "", "b"}},
      {std::string("n\0ul\xE9\xFF", 6) + "\r\n", {std::string("n\0ul\xE9\xFF", 6)}},
      // Without any CR, each LF ends a line.
      {"a\nb\n", {"a", "b"}}, {"a\n\nb", {"a", "", "b"}}, {"\n", {""}},
  };
  testing::TempDir dir;
  for (const auto& [bytes, expected] : cases) {
    std::vector<std::string> lines;
    LineCursor cursor(bytes);
    for (std::string_view line; cursor.next(line);) lines.emplace_back(line);
    EXPECT_EQ(lines, expected) << bytes;
    EXPECT_EQ(count_lines(bytes), expected.size());
    testing::write_bytes(dir / "f", bytes);
    EXPECT_EQ(file_lines(dir / "f"), expected) << bytes;
  }

  // The file reader keeps a CR LF that straddles the reader's 64 KiB chunks, and a 3 MB line.
  const std::string first(64 * 1024 - 1, 'x');
  const std::string huge(3'000'000, 'y');
  testing::write_bytes(dir / "f", first + "\r\n" + huge + "\r" + "end");
  EXPECT_EQ(file_lines(dir / "f"), (std::vector<std::string>{first, huge, "end"}));
  // LF lines across the chunks, the last one without a line end.
  testing::write_bytes(dir / "f", first + "\n\n" + huge + "\nend");
  EXPECT_EQ(file_lines(dir / "f"), (std::vector<std::string>{first, "", huge, "end"}));
  EXPECT_EQ(line_end_of(first + "\n"), "\n");
  EXPECT_EQ(line_end_of("a\nb\r"), "\r\n");
  EXPECT_EQ(LineFileReader::open(dir / "absent"), nullptr);
}

}  // namespace
}  // namespace corvella
