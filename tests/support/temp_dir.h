#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <system_error>

#include <gtest/gtest.h>

namespace strandel::sim::test {

// Calls `visit` on `tree` and everything under it, links included but not followed; false
// when `visit` refused one.
inline bool forEachInTree(const std::filesystem::path& tree,
                          const std::function<bool(const std::filesystem::path&)>& visit) {
  std::error_code ec;
  bool ok = visit(tree);
  for (auto it = std::filesystem::recursive_directory_iterator(tree, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    ok = visit(it->path()) && ok;
  }
  return ok;
}

// A fresh directory under the system's temporary directory, removed with everything in it
// (permissions restored first) when the test ends.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "strandel-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
    path_ = pattern;
  }
  ~TempDir() {
    // A directory is opened only after `visit` made it readable; links lead outside.
    forEachInTree(path_, [](const auto& path) {
      return std::filesystem::is_symlink(path) || chmod(path.c_str(), 0700) == 0;
    });
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline void writeFile(const std::filesystem::path& path, const std::string& contents) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << contents;
}

inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs `body` where directory permissions hold. Root overrides them, so as root the body runs
// in a child process that first hands `tree` to the unprivileged "nobody" user and becomes it;
// the child's failures fail the test.
inline void runWithPermissionsEnforced(const std::filesystem::path& tree,
                                       const std::function<void()>& body) {
  if (geteuid() != 0) {
    body();
    return;
  }
  constexpr uid_t kNobody = 65534;
  EXPECT_EXIT(
      {
        auto give = [](const auto& path) { return lchown(path.c_str(), kNobody, kNobody) == 0; };
        if (!forEachInTree(tree, give)) _exit(2);
        if (setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(3);
        body();
        _exit(::testing::Test::HasFailure() ? 1 : 0);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace strandel::sim::test
