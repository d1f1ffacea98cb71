// A growable byte buffer that is never zero-filled: files are read straight into it, and one buffer
// is reused from file to file, so reading costs only the copy out of the page cache.
#pragma once

#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>
#include <utility>

namespace zur {

class ByteBuffer {
 public:
  ByteBuffer() = default;
  ~ByteBuffer() { std::free(data_); }
  ByteBuffer(ByteBuffer&& o) noexcept : data_(o.data_), size_(o.size_), capacity_(o.capacity_) {
    o.data_ = nullptr;
    o.size_ = o.capacity_ = 0;
  }
  ByteBuffer& operator=(ByteBuffer&& o) noexcept {
    std::swap(data_, o.data_);
    std::swap(size_, o.size_);
    std::swap(capacity_, o.capacity_);
    return *this;
  }
  ByteBuffer(const ByteBuffer&) = delete;
  ByteBuffer& operator=(const ByteBuffer&) = delete;

  char* data() { return data_; }
  const char* data() const { return data_; }
  size_t size() const { return size_; }
  size_t capacity() const { return capacity_; }
  bool empty() const { return size_ == 0; }
  std::string_view view() const { return {data_, size_}; }
  operator std::string_view() const { return view(); }

  // Makes room for `n` bytes without touching the bytes already held; new bytes are not initialised.
  void reserve(size_t n) {
    if (n <= capacity_) return;
    size_t grown = capacity_ + capacity_ / 2;
    if (grown < n) grown = n;
    void* p = std::realloc(data_, grown);
    if (!p) throw std::bad_alloc();
    data_ = static_cast<char*>(p);
    capacity_ = grown;
  }
  // Sets the size; bytes beyond the old size are not initialised.
  void resize(size_t n) {
    reserve(n);
    size_ = n;
  }
  void clear() { size_ = 0; }
  void assign(std::string_view bytes) {
    resize(bytes.size());
    if (!bytes.empty()) std::memcpy(data_, bytes.data(), bytes.size());
  }
  void append(std::string_view bytes) {
    const size_t at = size_;
    resize(size_ + bytes.size());
    if (!bytes.empty()) std::memcpy(data_ + at, bytes.data(), bytes.size());
  }
  // Gives memory back when a large file has made the buffer much larger than `keep` bytes.
  void shrinkTo(size_t keep) {
    if (capacity_ <= keep || size_ > keep) return;
    void* p = std::realloc(data_, keep > 0 ? keep : 1);
    if (!p) return;
    data_ = static_cast<char*>(p);
    capacity_ = keep > 0 ? keep : 1;
  }

 private:
  char* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

}  // namespace zur
