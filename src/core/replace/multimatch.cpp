#include "core/replace/multimatch.h"

#include <algorithm>
#include <deque>
#include <unordered_map>

namespace zur {
namespace {

uint64_t Key(uint32_t node, unsigned char b) { return static_cast<uint64_t>(node) << 8 | b; }

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
  for (uint32_t e = nodes_[0].edges; e < nodes_[0].edges + nodes_[0].edgeCount; ++e) {
    root_[edges_[e].byte] = edges_[e].to;
    starts_[edges_[e].byte] = true;
  }
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

bool MultiMatch::Find(std::string_view text, size_t from, const std::function<bool(const Hit&)>& accept, Hit& hit) const {
  if (!built_ || count_ == 0) return false;
  bool have = false;
  Hit best;
  uint32_t state = 0;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  for (size_t i = from; i < text.size(); ++i) {
    if (state == 0) {
      // At the root only a byte some string starts with leads anywhere: the others are passed over
      // in a tight loop.
      while (i < text.size() && !starts_[bytes[i]]) ++i;
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
