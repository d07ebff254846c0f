#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/charset.h"
#include "platform/files.h"
#include "test_support.h"

namespace corvella {
namespace {

TEST(Charset, BytesBecomeUtf8TextAndComeBackAsThePageIs) {
  EXPECT_EQ(to_utf8("Fromagerie d\xC3\xA9j\xC3\xA0"), "Fromagerie d\xC3\xA9j\xC3\xA0");
  EXPECT_EQ(to_utf8("caf\xE9 \x80\x9F"), "caf\xC3\xA9 \xE2\x82\xAC\xC5\xB8");  // Windows-1252
  EXPECT_FALSE(is_valid_utf8("\xC3"));
  EXPECT_FALSE(is_valid_utf8("\xED\xA0\x80"));  // a surrogate
  EXPECT_TRUE(is_valid_utf8(std::string_view("caf\xC3\xA9", 3)));  // a part, cut before a character
  EXPECT_EQ(encode_for_page("caf\xC3\xA9.htm", "<p>\xC3\xA9t\xC3\xA9</p>"), "caf\xC3\xA9.htm");
  EXPECT_EQ(encode_for_page("caf\xC3\xA9 \xE2\x82\xAC\xC5\xB8.htm", "<p>\xE9t\xE9</p>"),
            "caf\xE9 \x80\x9F.htm");
  // Every byte comes back, the five the code page leaves undefined included;
  // a character without a byte is percent-escaped as UTF-8, never "?".
  std::string all;
  for (int byte = 1; byte < 256; ++byte) all.push_back(static_cast<char>(byte));
  EXPECT_EQ(cp1252_address(to_utf8(all)), all);
  EXPECT_EQ(cp1252_address("\xC5\x81\xC3\xB3" "d\xC5\xBA 100%\xF0\x9F\xA7\x80.htm"),
            "%C5%81\xF3" "d%C5%BA 100%%F0%9F%A7%80.htm");
}

TEST(Files, OrdinaryFilesAndAnAtomicWriteThatKeepsPermissions) {
  testing::TempDir dir;
  testing::write_bytes(dir / "page.htm", "x");
  testing::write_bytes(dir / ".cache.htm", "x");
  std::filesystem::create_directory(dir / "sub.htm");
  ASSERT_EQ(::mkfifo((dir / "fifo.htm").c_str(), 0600), 0);

  EXPECT_EQ(list_ordinary_files(dir.path()), std::vector<std::string>{"page.htm"});
  EXPECT_TRUE(is_ordinary_file(dir / "page.htm"));
  EXPECT_FALSE(is_ordinary_file(dir / ".cache.htm"));
  EXPECT_FALSE(is_ordinary_file(dir / "fifo.htm"));
  EXPECT_TRUE(is_folder_or_file(dir / "sub.htm"));
  EXPECT_FALSE(is_folder_or_file(dir / "fifo.htm"));
  EXPECT_FALSE(is_folder_or_file(dir / "absent"));

  const auto target = dir / "Corvella.ini";
  testing::write_bytes(target, "old");
  ::chmod(target.c_str(), 0640);
  ASSERT_TRUE(write_file_atomic(target, "new"));
  EXPECT_EQ(testing::read_bytes(target), "new");
  struct stat info {};
  ::stat(target.c_str(), &info);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  EXPECT_EQ(testing::file_names(dir.path()), (std::vector<std::string>{".cache.htm", "Corvella.ini",
                                                                      "fifo.htm", "page.htm", "sub.htm"}));
  EXPECT_FALSE(write_file_atomic(dir / "absent-folder" / "x", "y"));
}

}  // namespace
}  // namespace corvella
