#include "core/run/journalkey.h"

#include <fcntl.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/platform/fileio.h"
#include "core/platform/filesystem.h"
#include "core/platform/privatefiles.h"

namespace zur {
namespace {

bool ReadKey(int fd, std::array<uint8_t, JournalKey::kSize>& bytes) {
  size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    got += static_cast<size_t>(n);
  }
  char more;
  return ::read(fd, &more, 1) == 0;
}

// Writes a new key under a name of its own, then gives it the key's name unless another program has
// made one meanwhile (then that one is used).
bool MakeKey(const std::string& path, std::string& why) {
  std::array<uint8_t, JournalKey::kSize> bytes;
  randombytes_buf(bytes.data(), bytes.size());
  const std::string temp = path + ".new" + std::to_string(::getpid());
  ::unlink(temp.c_str());
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    why = temp + ": " + fs::ErrorText(errno);
    return false;
  }
  const bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) && ::fsync(fd) == 0;
  const int saved = errno;
  ::close(fd);
  if (!ok) {
    ::unlink(temp.c_str());
    why = temp + ": " + fs::ErrorText(saved);
    return false;
  }
  if (!fs::RenameNoReplace(temp, path) && errno != EEXIST) {
    why = path + ": " + fs::ErrorText(errno);
    ::unlink(temp.c_str());
    return false;
  }
  ::unlink(temp.c_str());
  return true;
}

}  // namespace

std::optional<JournalKey> JournalKey::Load(const std::string& folder, std::string& why) {
  if (sodium_init() < 0) {
    why = "libsodium";
    return std::nullopt;
  }
  const std::string path = folder + kFileName;
  for (int attempt = 0; attempt < 2; ++attempt) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
      if (errno == ENOENT && attempt == 0 && MakeKey(path, why)) continue;
      if (why.empty()) why = path + ": " + fs::ErrorText(errno);
      return std::nullopt;
    }
    std::array<uint8_t, kSize> bytes;
    std::string problem;
    struct stat st;
    const bool own = fs::IsPrivateFile(fd, problem) && ::fstat(fd, &st) == 0 && (st.st_mode & 077) == 0;
    const bool read = own && ReadKey(fd, bytes);
    ::close(fd);
    if (!own) {
      why = path + ": " + (problem.empty() ? std::string("others may read it") : problem);
      return std::nullopt;
    }
    if (!read) {
      why = path + ": not a key of this program";
      return std::nullopt;
    }
    return JournalKey(bytes);
  }
  return std::nullopt;
}

LineMac JournalKey::Mac(const LineMac& previous, std::string_view line) const {
  crypto_generichash_state state;
  crypto_generichash_init(&state, bytes_.data(), bytes_.size(), sizeof(LineMac));
  crypto_generichash_update(&state, previous.data(), previous.size());
  crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(line.data()), line.size());
  LineMac out;
  crypto_generichash_final(&state, out.data(), out.size());
  return out;
}

}  // namespace zur
