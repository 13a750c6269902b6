#pragma once
// The shortest text that reads back to the same double, exactly as
// std::to_chars(first, last, value) writes it, but quick for the values
// tables hold (amounts with a few decimals), which a general shortest
// search spends hundreds of instructions on.
#include <cstddef>

namespace qh {

// Room WriteShortest needs at most.
inline constexpr size_t kShortestRoom = 32;

// Writes value at out (room for kShortestRoom chars), returns the end.
// Bytes of the room past that end may be written over.
// Any double is accepted; infinities and NaN come out as to_chars has them.
char* WriteShortest(char* out, double value);

}  // namespace qh
