#include "adapters/sim/simulator/report_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "adapters/sim/services/atomic_file.h"

namespace strandel::sim {

std::variant<std::filesystem::path, std::string> writeReportFile(
    const std::filesystem::path& directory, std::string_view text) {
  constexpr int kMaxTries = 10000;
  for (int n = 1; n <= kMaxTries; ++n) {
    std::filesystem::path file = directory / ("strandel-report-" + std::to_string(n) + ".json");
    int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) return "cannot create " + file.string() + ": " + errorText(errno);
    size_t written = 0;
    while (written < text.size()) {
      ssize_t wrote = ::write(fd, text.data() + written, text.size() - written);
      if (wrote < 0 && errno == EINTR) continue;
      if (wrote <= 0) {
        int error = errno;
        ::close(fd);
        return "cannot write " + file.string() + ": " + errorText(error);
      }
      written += static_cast<size_t>(wrote);
    }
    if (::close(fd) != 0) return "cannot write " + file.string() + ": " + errorText(errno);
    return file;
  }
  return "every report file name in " + directory.string() + " is taken";
}

}  // namespace strandel::sim
