#include "data/compact_items.h"

#include <gtest/gtest.h>

#include <QString>
#include <string>
#include <vector>

namespace qh {
namespace {

std::vector<std::pair<std::string, double>> ReadAll(const CompactItems& items) {
  std::vector<std::pair<std::string, double>> all;
  CompactItems::Reader reader(items);
  std::string_view name;
  double value = 0;
  while (reader.Next(name, value)) all.emplace_back(std::string(name), value);
  return all;
}

// Names come back in order, as UTF-8 without their spaces, however they
// were handed in; long names (a length of more than one byte) included.
TEST(CompactItems, KeepsNamesInOrder) {
  const std::string longName(300, 'x');
  struct Case {
    std::string Given;  // UTF-8
    std::string Kept;
  };
  const Case kCases[] = {
      {"华东 一号", "华东一号"},
      {"\xC2\xA0" "a\xE3\x80\x80" "b ", "ab"},
      {"\xE3\x81\x82" "c", "\xE3\x81\x82" "c"},  // あ starts like an ideographic space
      {"\xC2\xA9", "\xC2\xA9"},                   // © starts like a no-break space
      {"", ""},
      {longName, longName},
      {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
  };
  CompactItems bytes, texts;
  bytes.Reserve(4, 16);  // less than needed: the blocks grow
  double value = 0;
  for (const Case& c : kCases) {
    bytes.AddStripping(c.Given, value);
    QString stripped = QString::fromStdString(c.Given);
    stripped.remove(u' ').remove(QChar(0xA0)).remove(QChar(0x3000));
    texts.Add(QStringView(stripped), value);
    value += 0.5;
  }
  for (const CompactItems* items : {&bytes, &texts}) {
    const auto all = ReadAll(*items);
    ASSERT_EQ(all.size(), std::size(kCases));
    EXPECT_EQ(items->Count(), std::size(kCases));
    for (size_t i = 0; i < all.size(); ++i) {
      EXPECT_EQ(all[i].first, kCases[i].Kept) << i;
      EXPECT_EQ(all[i].second, 0.5 * static_cast<double>(i));
    }
  }
}

// Short names and long ones (their length known only once counted) alike.
TEST(CompactItems, LoneSurrogateBecomesQuestionMark) {
  const char16_t units[] = {u'a', 0xD800, u'b', 0xDC00, u'\u00E9', u'\u4E2D', 0xD83D, 0xDE00};
  const std::string utf8 = "a?b?\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80";
  for (const int repeats : {1, 5, 40}) {
    std::u16string name;
    std::string expected;
    for (int i = 0; i < repeats; ++i) {
      name.append(units, std::size(units));
      expected += utf8;
    }
    CompactItems items;
    items.Add(QStringView(name), 1);
    items.Add(QStringView(u"x"), 2);
    const auto all = ReadAll(items);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].first, expected) << repeats;
    EXPECT_EQ(all[1].first, "x") << repeats;
  }
}

}  // namespace
}  // namespace qh
