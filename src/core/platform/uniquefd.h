// A file descriptor with one owner, closed once when the owner goes (or when it is reset).
#pragma once

#include <utility>

namespace zur::fs {

// Closes a descriptor (the platform's close).
void CloseFd(int fd);

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { Reset(); }
  UniqueFd(UniqueFd&& o) noexcept : fd_(std::exchange(o.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& o) noexcept {
    if (this != &o) Reset(std::exchange(o.fd_, -1));
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int Get() const { return fd_; }
  bool Ok() const { return fd_ >= 0; }
  // Gives the descriptor up without closing it.
  [[nodiscard]] int Release() { return std::exchange(fd_, -1); }
  void Reset(int fd = -1) {
    if (fd_ >= 0) CloseFd(fd_);
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

}  // namespace zur::fs
