#include "test_support.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace corvella::testing {

namespace {

// No test may touch the real user's files.
struct PrivateHome : ::testing::Environment {
  TempDir home;
  void SetUp() override {
    ::setenv("HOME", home.path().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home / ".local/share").c_str(), 1);
  }
};

const auto* const kPrivateHome = ::testing::AddGlobalTestEnvironment(new PrivateHome);

}  // namespace

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "corvella-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code error;
  // Tests make files read-only; give the bits back so everything goes.
  for (auto it = fs::recursive_directory_iterator(path_, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error))
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
  fs::remove_all(path_, error);
}

std::optional<int> in_child(const std::function<int()>& body, int seconds) {
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    ::alarm(static_cast<unsigned>(seconds));  // a hang ends the child
    ::_exit(body());
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? std::optional(WEXITSTATUS(status)) : std::nullopt;
}

std::optional<int> as_unprivileged(const fs::path& folder, const std::function<int()>& body,
                                   std::string& skip) {
  constexpr uid_t kNobody = 65534;
  skip = ::geteuid() != 0                                 ? "not root: cannot become another user"
         : ::chown(folder.c_str(), kNobody, kNobody) != 0 ? "cannot give the folder to nobody"
                                                          : "";
  if (!skip.empty()) return std::nullopt;
  return in_child([&] {
    const bool dropped =
        ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
    return dropped ? body() : 99;
  });
}

ForeignLock::ForeignLock(const fs::path& folder) : fd(::open(folder.c_str(), O_RDONLY)) {
  EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0) << folder;
}

void write_bytes(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

std::string read_bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot read " << path;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> file_names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::ranges::sort(names);
  return names;
}

DatedBack date_back(const fs::path& path) {
  const fs::file_time_type old = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
  fs::last_write_time(path, old);
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return {old, st.st_ino};
}

bool dated_back(const fs::path& path, const DatedBack& stamp) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && DatedBack(fs::last_write_time(path), st.st_ino) == stamp;
}

}  // namespace corvella::testing
