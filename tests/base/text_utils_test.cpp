#include "base/text_utils.h"

#include <gtest/gtest.h>

namespace qh {
namespace {

TEST(StripSpaces, RemovesEverySpaceKindEverywhere) {
  EXPECT_EQ(StripSpaces(u" North\tRegion\r\n\u00A0\u3000X "), QStringLiteral("NorthRegionX"));
  EXPECT_TRUE(IsBlank(u" \t\u3000"));
  EXPECT_FALSE(IsBlank(u" a "));
}

TEST(RoundHalfEven, HalvesGoToEven) {
  EXPECT_EQ(RoundHalfEven(20.5), 20);
  EXPECT_EQ(RoundHalfEven(21.5), 22);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(2.6), 3);
}

}  // namespace
}  // namespace qh
