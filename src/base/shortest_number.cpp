#include "base/shortest_number.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace qh {

namespace {

constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6};
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
    const double scaled = std::nearbyint(magnitude * kPowers[decimals]);
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
  const int digits = DigitCount(whole);
  // Below 1 the form 0.00ddd may lose to d.dde-03; the first digit's
  // place tells. Fixed: zeros before the digits, the point, the digits.
  const int exponent = digits - 1 - decimals;
  if (exponent < 0) {
    const int fixed = 2 + decimals;  // "0." and the decimals
    const int scientific = digits + (digits > 1 ? 1 : 0) + 4;
    if (fixed > scientific) return std::to_chars(out, out + kShortestRoom, value).ptr;
  }
  if (value < 0) *out++ = '-';
  char text[24];
  char* end = std::to_chars(text, text + sizeof text, whole).ptr;
  const auto length = static_cast<int>(end - text);
  if (decimals == 0) {
    for (char* c = text; c < end; ++c) *out++ = *c;
    return out;
  }
  // The digits with the point put in, zeros before as needed.
  const int integral = length - decimals;
  if (integral <= 0) {
    *out++ = '0';
    *out++ = '.';
    for (int i = integral; i < 0; ++i) *out++ = '0';
    for (char* c = text; c < end; ++c) *out++ = *c;
    return out;
  }
  for (int i = 0; i < integral; ++i) *out++ = text[i];
  *out++ = '.';
  for (int i = integral; i < length; ++i) *out++ = text[i];
  return out;
}

}  // namespace qh
