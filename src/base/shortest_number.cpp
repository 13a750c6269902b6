#include "base/shortest_number.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace qh {

namespace {

constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6};
constexpr char kPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";
constexpr std::uint64_t kWholePowers[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
constexpr int kMostDecimals = 6;
constexpr double kLargest = 1e15;
// Below 2^52 a whole number is an exact double and one apart from the next
// whole is more than one step between doubles: at most one n / 10^d can
// read back to the value, so it is also the nearest.
constexpr double kExactWhole = 4503599627370496.0;

int DigitCount(std::uint64_t n) {
  int count = 1;
  while (n >= 10) {
    n /= 10;
    ++count;
  }
  return count;
}

}  // namespace

char* WriteShortest(char* out, double value) {
  const double magnitude = std::fabs(value);
  // Zero (its sign), the very small and the very large: the general way.
  if (!(magnitude >= 1e-3 && magnitude < kLargest))
    return std::to_chars(out, out + kShortestRoom, value).ptr;
  // The fewest decimals d for which some whole n has n / 10^d == value:
  // that text reads back to value (n and 10^d are exact, the division
  // rounds once, as reading does), and none with fewer digits does. Such
  // an n is the only one for its d, so if n works for d, then n / 10 works
  // for d - 1 exactly when n ends in 0: amounts (two decimals) are tried
  // first and their zeros dropped, other d from 3 up.
  const auto reads = [magnitude](int decimals, std::uint64_t& whole) {
    // Below 2^52, adding and taking away 2^52 rounds to the nearest whole
    // number, halves to even, as nearbyint does, without the library call.
    // (The product is rounded on its own first, as a separate statement.)
    const double product = magnitude * kPowers[decimals];
    const double scaled = (product + kExactWhole) - kExactWhole;
    if (scaled >= kExactWhole || scaled / kPowers[decimals] != magnitude) return false;
    whole = static_cast<std::uint64_t>(scaled);
    return true;
  };
  std::uint64_t whole = 0;
  int decimals = 2;
  if (reads(decimals, whole)) {
    while (decimals > 0 && whole % 10 == 0) {
      whole /= 10;
      --decimals;
    }
  } else {
    decimals = 3;
    while (decimals <= kMostDecimals && !reads(decimals, whole)) ++decimals;
    if (decimals > kMostDecimals) return std::to_chars(out, out + kShortestRoom, value).ptr;
  }
  // A whole number ending in zeros may be shorter in scientific form
  // (1e+06): the general way decides.
  if (decimals == 0 && whole % 10 == 0) return std::to_chars(out, out + kShortestRoom, value).ptr;
  // Below 1 the form 0.00ddd may lose to d.dde-03; the first digit's
  // place tells. Fixed: zeros before the digits, the point, the digits.
  if (decimals > 0 && whole < kWholePowers[decimals]) {
    const int digits = DigitCount(whole);
    const int fixed = 2 + decimals;  // "0." and the decimals
    const int scientific = digits + (digits > 1 ? 1 : 0) + 4;
    if (fixed > scientific) return std::to_chars(out, out + kShortestRoom, value).ptr;
  }
  if (value < 0) *out++ = '-';
  // The digits from the last, two a step, into the middle of a buffer from
  // which fixed-size pieces are copied out: every piece stays within it,
  // and within the room out has. What lies past a piece's digits is
  // written over or left beyond the end returned.
  char text[48] = {};
  char* const end = text + 24;
  char* first = end;
  while (whole >= 100) {
    first -= 2;
    std::memcpy(first, kPairs + 2 * (whole % 100), 2);
    whole /= 100;
  }
  if (whole >= 10) {
    first -= 2;
    std::memcpy(first, kPairs + 2 * whole, 2);
  } else {
    *--first = static_cast<char>('0' + whole);
  }
  const auto length = static_cast<int>(end - first);
  const int integral = length - decimals;
  if (integral <= 0) {
    // At most 6 decimals: "0.", at most 5 zeros, then the digits.
    std::memcpy(out, "0.00000", 8);
    out += 2 - integral;
    std::memcpy(out, first, 8);
    return out + length;
  }
  std::memcpy(out, first, 16);  // at most 16 digits before the point
  out += integral;
  if (decimals == 0) return out;
  *out++ = '.';
  std::memcpy(out, first + integral, 8);
  return out + decimals;
}

}  // namespace qh
