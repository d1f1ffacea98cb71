#include "core/replace/multimatch.h"

#include <algorithm>
#include <deque>
#include <unordered_map>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zur {
namespace {

uint64_t Key(uint32_t node, unsigned char b) { return static_cast<uint64_t>(node) << 8 | b; }

// Up to this many first bytes are looked for sixteen bytes at a time; more are looked up one by one.
constexpr size_t kVectorStarts = 8;
// Up to this many beginnings of two bytes are looked for as pairs, sixteen places at a time.
constexpr size_t kVectorPairs = 16;

}  // namespace

void MultiMatch::Add(std::string_view s) {
  const uint32_t index = static_cast<uint32_t>(lengths_.size());
  lengths_.push_back(static_cast<uint32_t>(s.size()));
  if (s.empty()) return;
  ++count_;
  auto& children = building_;
  uint32_t node = 0;
  for (unsigned char b : s) {
    auto [it, added] = children.try_emplace(Key(node, b), static_cast<uint32_t>(nodes_.size()));
    if (added) {
      Node n;
      n.depth = nodes_[node].depth + 1;
      nodes_.push_back(n);
      pending_.push_back({node, b, it->second});
    }
    node = it->second;
  }
  // The first string added keeps the node: an equal one later is the same text.
  if (nodes_[node].out == kNone) nodes_[node].out = index;
}

void MultiMatch::Build() {
  building_ = {};
  // Edges sorted by parent and byte, so that each node's children are one sorted run.
  std::sort(pending_.begin(), pending_.end());
  edges_.reserve(pending_.size());
  for (size_t i = 0; i < pending_.size(); ++i) {
    Node& parent = nodes_[pending_[i][0]];
    if (parent.edgeCount == 0) parent.edges = static_cast<uint32_t>(edges_.size());
    ++parent.edgeCount;
    edges_.push_back({static_cast<unsigned char>(pending_[i][1]), pending_[i][2]});
  }
  pending_.clear();
  pending_.shrink_to_fit();
  root_.fill(0);
  starts_.fill(false);
  startBytes_.clear();
  startPairs_.clear();
  bool single = false;
  twoBytes_.assign(65536 / 64, 0);
  for (uint32_t e = nodes_[0].edges; e < nodes_[0].edges + nodes_[0].edgeCount; ++e) {
    const unsigned char first = edges_[e].byte;
    const Node& child = nodes_[edges_[e].to];
    root_[first] = edges_[e].to;
    starts_[first] = true;
    startBytes_.push_back(first);
    // A string of one byte starts wherever that byte stands; a longer one where its two bytes do.
    for (uint32_t g = child.edges; g < child.edges + child.edgeCount; ++g) {
      const unsigned two = first << 8 | edges_[g].byte;
      twoBytes_[two >> 6] |= uint64_t{1} << (two & 63);
      startPairs_.push_back({first, edges_[g].byte});
    }
    if (child.out != kNone) {
      single = true;
      for (unsigned second = 0; second < 256; ++second) twoBytes_[(first << 8 | second) >> 6] |= uint64_t{1} << (second & 63);
    }
  }
  if (single) startPairs_.clear();
  // Fail links breadth first: a node's fail is the longest proper suffix of its text that is a node.
  std::deque<uint32_t> queue;
  for (uint32_t e = nodes_[0].edges; e < nodes_[0].edges + nodes_[0].edgeCount; ++e) queue.push_back(edges_[e].to);
  while (!queue.empty()) {
    const uint32_t node = queue.front();
    queue.pop_front();
    const Node& n = nodes_[node];
    for (uint32_t e = n.edges; e < n.edges + n.edgeCount; ++e) {
      const uint32_t child = edges_[e].to;
      nodes_[child].fail = node == 0 ? 0 : Step(nodes_[node].fail, edges_[e].byte);
      const Node& f = nodes_[nodes_[child].fail];
      nodes_[child].dict = f.out != kNone ? nodes_[child].fail : f.dict;
      queue.push_back(child);
    }
  }
  built_ = true;
}

uint32_t MultiMatch::Child(uint32_t node, unsigned char b) const {
  if (node == 0) return root_[b];
  const Node& n = nodes_[node];
  const Edge* first = edges_.data() + n.edges;
  const Edge* last = first + n.edgeCount;
  const Edge* e = std::lower_bound(first, last, b, [](const Edge& x, unsigned char v) { return x.byte < v; });
  return (e != last && e->byte == b) ? e->to : 0;
}

uint32_t MultiMatch::Step(uint32_t node, unsigned char b) const {
  for (;;) {
    const uint32_t next = Child(node, b);
    if (next != 0 || node == 0) return next;
    node = nodes_[node].fail;
  }
}

size_t MultiMatch::NextStart(const unsigned char* bytes, size_t i, size_t n) const {
#if defined(__SSE2__)
  if (!startPairs_.empty() && startPairs_.size() <= kVectorPairs) {
    // Few beginnings: each place of a block of sixteen and the byte after it are compared with each
    // beginning, and only a place where one stands is a candidate.
    __m128i firsts[kVectorPairs], seconds[kVectorPairs];
    const size_t k = startPairs_.size();
    for (size_t j = 0; j < k; ++j) {
      firsts[j] = _mm_set1_epi8(static_cast<char>(startPairs_[j][0]));
      seconds[j] = _mm_set1_epi8(static_cast<char>(startPairs_[j][1]));
    }
    for (; i + 17 <= n; i += 16) {
      const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
      const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i + 1));
      __m128i any = _mm_setzero_si128();
      for (size_t j = 0; j < k; ++j) {
        any = _mm_or_si128(any, _mm_and_si128(_mm_cmpeq_epi8(here, firsts[j]), _mm_cmpeq_epi8(next, seconds[j])));
      }
      const int mask = _mm_movemask_epi8(any);
      if (mask != 0) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
  } else if (startBytes_.size() <= kVectorStarts) {
    // Few first bytes (a glossary of one script, say): each block of sixteen is compared with each.
    __m128i wanted[kVectorStarts];
    const size_t k = startBytes_.size();
    for (size_t j = 0; j < k; ++j) wanted[j] = _mm_set1_epi8(static_cast<char>(startBytes_[j]));
    for (; i + 16 <= n; i += 16) {
      const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
      __m128i any = _mm_setzero_si128();
      for (size_t j = 0; j < k; ++j) any = _mm_or_si128(any, _mm_cmpeq_epi8(block, wanted[j]));
      for (unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(any)); mask != 0; mask &= mask - 1) {
        const size_t at = i + static_cast<size_t>(__builtin_ctz(mask));
        if (MayStart(bytes, at, n)) return at;
      }
    }
  }
#endif
  for (; i < n; ++i) {
    if (MayStart(bytes, i, n)) return i;
  }
  return n;
}

bool MultiMatch::Find(std::string_view text, size_t from, const std::function<bool(const Hit&)>& accept, Hit& hit) const {
  if (!built_ || count_ == 0) return false;
  bool have = false;
  Hit best;
  uint32_t state = 0;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  for (size_t i = from; i < text.size(); ++i) {
    if (state == 0) {
      // At the root only the bytes some string starts with lead anywhere: the others are passed
      // over without stepping.
      i = NextStart(bytes, i, text.size());
      if (i == text.size()) break;
    }
    state = Step(state, bytes[i]);
    // Every string that ends here: the node's own, then along the dictionary links.
    for (uint32_t n = nodes_[state].out != kNone ? state : nodes_[state].dict; n != 0; n = nodes_[n].dict) {
      const uint32_t which = nodes_[n].out;
      const Hit h{i + 1 - lengths_[which], i + 1, which};
      const bool better = !have || h.begin < best.begin ||
                          (h.begin == best.begin && (h.end > best.end || (h.end == best.end && h.which < best.which)));
      if (better && accept(h)) {
        best = h;
        have = true;
      }
    }
    // No later occurrence can start at or before the best one's start once the text the automaton
    // is in starts after it.
    if (have && i + 1 - nodes_[state].depth > best.begin) break;
  }
  if (have) hit = best;
  return have;
}

size_t MultiMatch::Bytes() const {
  return nodes_.capacity() * sizeof(Node) + edges_.capacity() * sizeof(Edge) + lengths_.capacity() * sizeof(uint32_t);
}

}  // namespace zur
