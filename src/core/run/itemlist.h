// The items of a run, in order: a list that one thread may append to while others read the items it
// has published (a run that starts while its folder is still being scanned). Items never move once
// added, so a reader may hold on to one.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <vector>

namespace zur {

template <class T>
class ItemList {
 public:
  ItemList() = default;
  explicit ItemList(std::vector<T> items) {
    for (T& item : items) Append(std::move(item));
  }
  ~ItemList() {
    for (auto& chunk : chunks_) delete chunk.load();
  }
  ItemList(const ItemList&) = delete;
  ItemList& operator=(const ItemList&) = delete;

  // Only one thread appends. The others read items below a count they were told of after the append
  // (through a lock or an atomic), so they see them whole.
  void Append(T item) {
    const size_t n = size_.load(std::memory_order_relaxed);
    Chunk* chunk = chunks_[n / kChunk].load(std::memory_order_relaxed);
    if (!chunk) {
      chunk = new Chunk();
      chunks_[n / kChunk].store(chunk, std::memory_order_release);
    }
    (*chunk)[n % kChunk] = std::move(item);
    size_.store(n + 1, std::memory_order_release);
  }
  size_t size() const { return size_.load(std::memory_order_acquire); }
  const T& operator[](size_t i) const { return (*chunks_[i / kChunk].load(std::memory_order_acquire))[i % kChunk]; }
  T& operator[](size_t i) { return (*chunks_[i / kChunk].load(std::memory_order_acquire))[i % kChunk]; }

 private:
  static constexpr size_t kChunk = 4096;
  using Chunk = std::array<T, kChunk>;
  std::array<std::atomic<Chunk*>, 1 << 16> chunks_{};  // up to 268 million items
  std::atomic<size_t> size_{0};
};

}  // namespace zur
