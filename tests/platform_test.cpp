#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/charset.h"
#include "platform/files.h"
#include "platform/text_lines.h"
#include "test_support.h"

namespace corvella::testing {
namespace {

TEST(Charset, BytesBecomeUtf8TextAndComeBackAsThePageIs) {
  EXPECT_EQ(to_utf8("Fromagerie d\xC3\xA9j\xC3\xA0"), "Fromagerie d\xC3\xA9j\xC3\xA0");
  EXPECT_EQ(to_utf8("caf\xE9 \x80\x9F"), "caf\xC3\xA9 \xE2\x82\xAC\xC5\xB8");  // Windows-1252
  EXPECT_TRUE(is_ascii("fiches/\x7F") && !is_ascii("prix-\x80/"));             // "€" is not ASCII
  EXPECT_FALSE(is_valid_utf8("\xC3"));
  EXPECT_FALSE(is_valid_utf8("\xED\xA0\x80"));                     // a surrogate
  EXPECT_TRUE(is_valid_utf8(std::string_view("caf\xC3\xA9", 3)));  // a part, cut before a character
  EXPECT_EQ(encode_for_page("caf\xC3\xA9.htm", "<p>\xC3\xA9t\xC3\xA9</p>"), "caf\xC3\xA9.htm");
  EXPECT_EQ(encode_for_page("caf\xC3\xA9 \xE2\x82\xAC\xC5\xB8.htm", "<p>\xE9t\xE9</p>"),
            "caf\xE9 \x80\x9F.htm");
  // Every byte comes back, the five the code page leaves undefined included;
  // a character without a byte is percent-escaped as UTF-8, never "?".
  std::string all;
  for (int byte = 1; byte < 256; ++byte) all.push_back(static_cast<char>(byte));
  EXPECT_EQ(cp1252_address(to_utf8(all)), all);
  EXPECT_EQ(cp1252_address("\xC5\x81\xC3\xB3\x64\xC5\xBA 100%\xF0\x9F\xA7\x80.htm"),
            "%C5%81\xF3\x64%C5%BA 100%%F0%9F%A7%80.htm");
}

TEST(Files, WorkingCopiesAreUniqueNeverPagesAndOnlyThoseOfOtherRunsAreCleaned) {
  TempDir dir;
  const std::vector<std::string> kept{".corvella-0123456789abcdef-1.tmp.htm", ".corvella-notes.tmp",
                                      "dossier.htm", "tmp_page.htm"};
  std::filesystem::create_directories(dir / "dossier.htm/sous-dossier");
  for (const std::string& name : kept)
    if (name != "dossier.htm") write_bytes(dir / name, "x");
  write_bytes(dir / ".corvella-0123456789abcdef-1a.tmp", "<p>moi");
  const std::optional<Folder> folder = Folder::open(dir.path());
  const std::optional<FolderLock> held = FolderLock::take(*folder);
  ASSERT_TRUE(held);
  EXPECT_EQ(file_names(dir.path()), kept);
  const int other = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
  EXPECT_NE(::flock(other, LOCK_EX | LOCK_NB), 0) << "held, not excluding";
  ::close(other);

  std::optional<WorkingCopy> first = WorkingCopy::create(*folder, std::nullopt);
  std::optional<WorkingCopy> second = WorkingCopy::create(*folder, 0640);
  ASSERT_TRUE(first && second);
  EXPECT_NE(first->name(), second->name());
  for (const std::string& name : {first->name(), second->name()})
    EXPECT_TRUE(is_working_copy_name(name) && name.size() <= 47 && name.ends_with(".tmp")) << name;
  EXPECT_EQ(look_up(*folder, second->name()).mode, 0640u);
  // The same process takes the folder again (a press while running) and cleans nothing.
  EXPECT_TRUE(FolderLock::take(*Folder::open(dir.path())));
  EXPECT_TRUE(std::filesystem::exists(dir / second->name()));
  ASSERT_TRUE(first->write_and_close("x", /*durable=*/true));
  EXPECT_FALSE(first->deliver("dossier.htm"));
  EXPECT_TRUE(errno == EISDIR || errno == ENOTEMPTY) << errno;
  first.reset();   // a failed delivery removes it
  second.reset();  // never delivered
  EXPECT_EQ(file_names(dir.path()), kept);
}

TEST(TextLines, EachTextKeepsItsOwnLineEndsInTextsAndFilesOfAnySize) {
  std::vector<std::pair<std::string, Texts>> cases = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\nb", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\nb\r\nc", {"a\nb", "c"}},
      {"\r\n\r\n", {"", ""}},
      {"a\r\r\nb", {"a", "", "b"}},
      {std::string("n\0ul\xE9\xFF", 6) + "\r\n", {std::string("n\0ul\xE9\xFF", 6)}},
      // Without any CR, each LF ends a line.
      {"a\nb\n", {"a", "b"}},
      {"a\n\nb", {"a", "", "b"}},
      {"\n", {""}},
  };
  // The file reader reads 64 KiB chunks: a CR LF astride two, and a 3 MB line.
  const std::string first(64 * 1024 - 1, 'x'), huge(3'000'000, 'y');
  cases.push_back({first + "\r\n" + huge + "\r" + "end", {first, huge, "end"}});
  cases.push_back({first + "\n\n" + huge + "\nend", {first, "", huge, "end"}});
  TempDir dir;
  for (const auto& [bytes, expected] : cases) {
    Texts lines, file_lines;
    LineCursor cursor(bytes);
    for (std::string_view line; cursor.next(line);) lines.emplace_back(line);
    write_bytes(dir / "f", bytes);
    auto reader = LineFileReader::open(dir / "f");
    for (std::string line; reader->next(line);) file_lines.push_back(line);
    EXPECT_EQ(std::tuple(lines, file_lines, count_lines(bytes), reader->failed()),
              std::tuple(expected, expected, expected.size(), false))
        << bytes.substr(0, 9);
  }
  EXPECT_EQ(line_end_of(first + "\n"), "\n");
  EXPECT_EQ(line_end_of("a\nb\r"), "\r\n");
  EXPECT_EQ(LineFileReader::open(dir / "absent"), nullptr);
}

}  // namespace
}  // namespace corvella::testing
