#include "base/text_utils.h"

#include <gtest/gtest.h>

namespace qh {
namespace {

TEST(StripSpaces, RemovesEverySpaceKindEverywhere) {
  EXPECT_EQ(StripSpaces(u" North\tRegion\r\n\u00A0\u3000X "), QStringLiteral("NorthRegionX"));
  EXPECT_TRUE(IsBlank(u" \t\u3000"));
  EXPECT_FALSE(IsBlank(u" a "));
}

struct CommandLineCase {
  const char16_t* args;
  const char16_t* path;
};

TEST(CommandLinePath, QuotedAndUnquotedPaths) {
  const CommandLineCase cases[] = {
      {u"", u""},
      {u"   ", u""},
      {uR"("C:\a b\data.html" extra)", uR"(C:\a b\data.html)"},
      {uR"(C:\a b\data.html)", uR"(C:\a)"},
      {uR"(  "unterminated path )", u"unterminated path"},
      {u"\tC:\\x.csv", u"\tC:\\x.csv"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CommandLinePath(QString::fromUtf16(c.args)), QString::fromUtf16(c.path))
        << QString::fromUtf16(c.args).toStdString();
  }
}

TEST(ArgumentTextFromArgs, QuotesArgumentsWithSpaces) {
  EXPECT_EQ(ArgumentTextFromArgs({"/tmp/a b/x.html", "extra"}),
            QStringLiteral("\"/tmp/a b/x.html\" extra"));
  EXPECT_EQ(CommandLinePath(ArgumentTextFromArgs({"/tmp/a b/x.html"})),
            QStringLiteral("/tmp/a b/x.html"));
}

TEST(RoundHalfEven, HalvesGoToEven) {
  EXPECT_EQ(RoundHalfEven(20.5), 20);
  EXPECT_EQ(RoundHalfEven(21.5), 22);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(2.6), 3);
}

}  // namespace
}  // namespace qh
