#include "base/shortest_number.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <cstring>
#include <cmath>
#include <limits>
#include <random>
#include <string>

namespace qh {
namespace {

std::string Ours(double value) {
  char text[kShortestRoom];
  return std::string(text, WriteShortest(text, value));
}

std::string Standard(double value) {
  char text[64];
  return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

TEST(WriteShortest, WritesWhatToCharsWrites) {
  const double kCases[] = {
      0.0, -0.0, 1, -1, 10, 100, 1000000, 1234567, 12340000, 0.1, 0.5, 12.34, -12345.67,
      0.001, 0.0015, 0.0005, 0.00012, 0.000999, 1e-3, 9.999999, 0.1 + 0.2, 1.0 / 3,
      999999999999999.0, 999999999999999.9, 123456789012345.6, 562949953421312.1,
      4503599627370495.5, 1e15, 1e16, 1e21, 1e22, 1e300, 5e-324, 2.2250738585072014e-308,
      std::numeric_limits<double>::max(), std::numeric_limits<double>::infinity(),
      -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()};
  for (const double value : kCases) EXPECT_EQ(Ours(value), Standard(value)) << Standard(value);
  // Each side of every count of digits.
  for (double ten = 1; ten < 1e15; ten *= 10) {
    for (const double value : {ten, ten - 1, ten + 0.5, ten - 0.01, ten * 1.5, ten / 1e3 - 1e-6})
      EXPECT_EQ(Ours(value), Standard(value)) << Standard(value);
  }
}

// Amounts with a few decimals, as tables hold them, and doubles of every
// kind: the two ways never differ.
TEST(WriteShortest, AgreesOnManyValues) {
  std::mt19937_64 random(2026);
  std::uniform_int_distribution<long long> cents(-999999999999, 999999999999);
  std::uniform_int_distribution<int> decimals(0, 8);
  std::uniform_int_distribution<std::uint64_t> bits;
  for (int i = 0; i < 200000; ++i) {
    const double amount = static_cast<double>(cents(random)) / std::pow(10.0, decimals(random));
    ASSERT_EQ(Ours(amount), Standard(amount));
    const double scaled = amount * 1e-6;
    ASSERT_EQ(Ours(scaled), Standard(scaled));
    double any;
    const std::uint64_t pattern = bits(random);
    static_assert(sizeof any == sizeof pattern);
    std::memcpy(&any, &pattern, sizeof any);
    ASSERT_EQ(Ours(any), Standard(any));
  }
}

}  // namespace
}  // namespace qh
