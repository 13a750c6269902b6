#include "base/native_name.h"

#include <gtest/gtest.h>

namespace qh {
namespace {

// Names go back to the system byte for byte, whatever they hold; what is
// UTF-8 reads as its text.
TEST(NativeName, BytesSurviveTheRoundTrip) {
  struct Case {
    const char* Name;
    QByteArray Bytes;
    QString Text;  // empty: not checked, only the round trip
  };
  // clang-format off
  const Case cases[] = {
      {"ascii", "/tmp/a.csv", u"/tmp/a.csv"_qs},
      {"utf-8", "/数据/报表.csv", u"/数据/报表.csv"_qs},
      {"four-byte utf-8", "\xF0\x9F\x93\x8A.csv", u"\U0001F4CA.csv"_qs},
      {"gbk", "/tmp/\xB1\xA8\xB1\xED.csv", u"/tmp/\xDCB1\xDCA8\xDCB1\xDCED.csv"_qs},
      {"lone continuation byte", "a\x80" "b", {}},
      {"overlong slash", "\xC0\xAF", {}},
      {"encoded surrogate", "\xED\xA0\x80", {}},
      {"cut short at the end", "a\xE4\xB8", {}},
      {"above U+10FFFF", "\xF4\x90\x80\x80", {}},
  };
  // clang-format on
  for (const Case& c : cases) {
    const QString name = NameFromNative(c.Bytes);
    if (!c.Text.isEmpty()) {
      EXPECT_EQ(name, c.Text) << c.Name;
    }
    EXPECT_EQ(NativeName(name), c.Bytes) << c.Name;
  }
}

}  // namespace
}  // namespace qh
