#pragma once
// Length-limited Huffman codes as deflate needs them: at most 15 bits for
// literals, lengths and distances, at most 7 for the code length code.
#include <cstdint>
#include <span>

namespace qh::png {

// The code length of each symbol for the counts freq (0 for an unused
// symbol), none longer than maxBits. A symbol used at all gets a code.
void CodeLengths(std::span<const uint32_t> freq, int maxBits, std::span<uint8_t> lengths);

// The canonical code of each length, bit-reversed, as deflate's bit order
// wants it written least significant bit first. maxBits at most 15.
void CanonicalCodes(std::span<const uint8_t> lengths, std::span<uint16_t> codes);

}  // namespace qh::png
