#include "app/command_line.h"

#include <gtest/gtest.h>

namespace qh {
namespace {

struct CommandLineCase {
  const char16_t* Args;
  const char16_t* Path;
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
    EXPECT_EQ(CommandLinePath(QString::fromUtf16(c.Args)), QString::fromUtf16(c.Path))
        << QString::fromUtf16(c.Args).toStdString();
  }
}

TEST(ArgumentTextFromArgs, QuotesArgumentsWithSpaces) {
  EXPECT_EQ(ArgumentTextFromArgs({"/tmp/a b/x.html", "extra"}),
            QStringLiteral("\"/tmp/a b/x.html\" extra"));
  EXPECT_EQ(CommandLinePath(ArgumentTextFromArgs({"/tmp/a b/x.html"})),
            QStringLiteral("/tmp/a b/x.html"));
}

}  // namespace
}  // namespace qh
