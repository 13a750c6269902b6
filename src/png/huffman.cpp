#include "png/huffman.h"

#include <algorithm>
#include <array>
#include <vector>

namespace qh::png {
namespace {

constexpr int kMaxCodeBits = 15;

// Huffman code lengths for freq; false when a code would need more than
// maxBits bits.
bool TryCodeLengths(std::span<const uint32_t> freq, int maxBits, std::span<uint8_t> lengths) {
  std::fill(lengths.begin(), lengths.end(), uint8_t{0});
  std::vector<size_t> leaves;
  for (size_t s = 0; s < freq.size(); ++s)
    if (freq[s] > 0) leaves.push_back(s);
  if (leaves.size() < 2) {
    for (size_t s : leaves) lengths[s] = 1;
    return true;
  }
  std::stable_sort(leaves.begin(), leaves.end(),
                   [&](size_t a, size_t b) { return freq[a] < freq[b]; });
  // Nodes 0..n-1 are the leaves by weight, n.. the inner nodes as made;
  // inner nodes are made in order of weight, so two queues stay sorted.
  const size_t n = leaves.size();
  std::vector<uint64_t> weight(2 * n - 1);
  std::vector<size_t> parent(2 * n - 1);
  for (size_t k = 0; k < n; ++k) weight[k] = freq[leaves[k]];
  size_t nextLeaf = 0, nextInner = n;
  auto lightest = [&](size_t made) {
    if (nextLeaf < n && (nextInner >= made || weight[nextLeaf] <= weight[nextInner]))
      return nextLeaf++;
    return nextInner++;
  };
  for (size_t made = n; made < 2 * n - 1; ++made) {
    const size_t a = lightest(made);
    const size_t b = lightest(made);
    weight[made] = weight[a] + weight[b];
    parent[a] = parent[b] = made;
  }
  std::vector<int> depth(2 * n - 1, 0);
  for (size_t k = 2 * n - 2; k-- > 0;) depth[k] = depth[parent[k]] + 1;
  for (size_t k = 0; k < n; ++k) {
    if (depth[k] > maxBits) return false;
    lengths[leaves[k]] = static_cast<uint8_t>(depth[k]);
  }
  return true;
}

}  // namespace

// Too long a code: flatten the counts until every code fits.
void CodeLengths(std::span<const uint32_t> freq, int maxBits, std::span<uint8_t> lengths) {
  std::vector<uint32_t> counts(freq.begin(), freq.end());
  while (!TryCodeLengths(counts, maxBits, lengths))
    for (uint32_t& c : counts)
      if (c > 0) c = std::max<uint32_t>(1, c / 2);
}

// The canonical codes for the lengths, bit-reversed for BitWriter.
void CanonicalCodes(std::span<const uint8_t> lengths, std::span<uint16_t> codes) {
  std::array<int, kMaxCodeBits + 1> perLength{};
  for (uint8_t l : lengths) ++perLength[l];
  perLength[0] = 0;
  std::array<uint32_t, kMaxCodeBits + 1> next{};
  uint32_t code = 0;
  for (int bits = 1; bits <= kMaxCodeBits; ++bits) {
    code = (code + static_cast<uint32_t>(perLength[static_cast<size_t>(bits) - 1])) << 1;
    next[static_cast<size_t>(bits)] = code;
  }
  for (size_t s = 0; s < lengths.size(); ++s) {
    const int bits = lengths[s];
    if (bits == 0) continue;
    uint32_t c = next[static_cast<size_t>(bits)]++, reversed = 0;
    for (int i = 0; i < bits; ++i, c >>= 1) reversed = (reversed << 1) | (c & 1);
    codes[s] = static_cast<uint16_t>(reversed);
  }
}

}  // namespace qh::png
