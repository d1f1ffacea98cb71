// The files a run has met, by device and inode, so that a file reached again by another name (a hard
// link, a linked folder) is handled once. Looked up once a file, so a hash set, not a tree.
#pragma once

#include <cstdint>
#include <unordered_set>

namespace zur {

class FilesMet {
 public:
  // Whether this is the first time the file is met.
  bool First(uint64_t device, uint64_t inode) { return seen_.insert(Key{device, inode}).second; }
  bool Met(uint64_t device, uint64_t inode) const { return seen_.count(Key{device, inode}) > 0; }

 private:
  struct Key {
    uint64_t device, inode;
    bool operator==(const Key&) const = default;
  };
  struct Hash {
    size_t operator()(const Key& k) const noexcept {
      return static_cast<size_t>((k.inode * 0x9E3779B97F4A7C15ULL) ^ (k.device + (k.inode >> 29)));
    }
  };
  std::unordered_set<Key, Hash> seen_;
};

}  // namespace zur
