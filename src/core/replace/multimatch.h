// Many byte strings searched at once (an Aho-Corasick automaton): the leftmost place where one of them
// starts, and there the longest of them (equal lengths: the one added first), in one pass over the
// text whatever the number of strings.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zur {

class MultiMatch {
 public:
  struct Hit {
    size_t begin = 0, end = 0;
    uint32_t which = 0;  // the index of the string, in the order added
  };

  // Adds a string (an empty one is never found); then Build() once before searching.
  void Add(std::string_view s);
  void Build();
  bool Empty() const { return count_ == 0; }

  // The leftmost-longest occurrence starting at or after `from` that `accept` takes (the caller's
  // test of character boundaries); false when there is none.
  bool Find(std::string_view text, size_t from, const std::function<bool(const Hit&)>& accept, Hit& hit) const;

  // Bytes the automaton holds (for the table's memory figure).
  size_t Bytes() const;

 private:
  struct Node {
    uint32_t edges = 0, edgeCount = 0;  // its children: edges_[edges .. edges + edgeCount), by byte
    uint32_t fail = 0;
    uint32_t out = kNone;   // the longest string that ends here (its index)
    uint32_t dict = 0;      // the nearest node on the fail chain with an out (0: none)
    uint32_t depth = 0;
  };
  struct Edge {
    unsigned char byte;
    uint32_t to;
  };
  static constexpr uint32_t kNone = UINT32_MAX;

  uint32_t Child(uint32_t node, unsigned char b) const;
  uint32_t Step(uint32_t node, unsigned char b) const;
  // The first place at or after `i` where some string may start: its first byte starts one and its
  // first two bytes begin one (or it is the text's last byte); `n` when there is none.
  size_t NextStart(const unsigned char* bytes, size_t i, size_t n) const;
  bool MayStart(const unsigned char* bytes, size_t i, size_t n) const {
    return starts_[bytes[i]] && (i + 1 == n || (twoBytes_[(bytes[i] << 8 | bytes[i + 1]) >> 6] >> (bytes[i + 1] & 63) & 1));
  }

  // While adding: children by (parent, byte), and in a flat list turned into sorted edges by Build().
  std::unordered_map<uint64_t, uint32_t> building_;
  std::vector<std::array<uint32_t, 3>> pending_;  // parent, byte, child
  std::vector<Node> nodes_{Node{}};
  std::vector<Edge> edges_;
  std::vector<uint32_t> lengths_;  // of each string
  std::array<uint32_t, 256> root_{};  // the root's transitions, direct
  std::array<bool, 256> starts_{};     // the bytes some string starts with
  std::vector<unsigned char> startBytes_;  // the same as a list
  std::vector<std::array<unsigned char, 2>> startPairs_;  // the first two bytes of every string (none
                                                          // when some string is one byte long)
  std::vector<uint64_t> twoBytes_;     // bits of the two bytes some string starts with (any second
                                       // byte for a string of one)
  size_t count_ = 0;
  bool built_ = false;
};

}  // namespace zur
