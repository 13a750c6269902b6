#include "data/item_list.h"

#include <QString>
#include <gtest/gtest.h>
#include <vector>

namespace qh {
namespace {

TEST(ItemList, KeepsEveryCharacter) {
  const QString longName(5000, QChar(u'长'));
  struct Case {
    const char* Name;
    QString Text, Added, Stripped;  // Add, AddStripped
  } const cases[] = {
      {"null", QString(), QString(), QString()},
      {"plain", u"North"_qs, u"North"_qs, u"North"_qs},
      {"spaces", u" North\tRegion\u3000"_qs, u" North\tRegion\u3000"_qs, u"NorthRegion"_qs},
      {"only spaces", u" \u00A0\r\n"_qs, u" \u00A0\r\n"_qs, QString()},
      {"surrogate pair", QString::fromUcs4(U"\U00020000x"), QString::fromUcs4(U"\U00020000x"),
       QString::fromUcs4(U"\U00020000x")},
      {"long", longName + u' ', longName + u' ', longName},
  };
  ItemList items;
  for (const Case& c : cases) {
    items.Add(c.Text, 1);
    items.AddStripped(c.Text, 2);
  }
  ASSERT_EQ(items.size(), 2 * std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(items[2 * i].Name, cases[i].Added) << cases[i].Name;
    EXPECT_EQ(items[2 * i + 1].Name, cases[i].Stripped) << cases[i].Name;
    EXPECT_EQ(items[2 * i + 1].Value, 2) << cases[i].Name;
    // An empty name is empty text, never a null one.
    EXPECT_FALSE(items[2 * i].Name.toString().isNull()) << cases[i].Name;
  }
  items.clear();
  EXPECT_TRUE(items.empty());
  items.Add(u"甲", 3);
  EXPECT_TRUE(items.front() == (ItemRef{u"甲", 3}));
}

// Ends past what an offset holds are told apart by the rows where they
// pass it: narrow offsets stand in for tables of more than 4G characters.
TEST(ItemList, NamesPastTheOffsetWidthStayIntact) {
  std::vector<QString> names;
  for (int i = 0; i < 300; ++i) names.push_back(QStringLiteral("项目%1").arg(i));
  names.insert(names.begin() + 7, QString(1000, QChar(u'长')));  // passes several at once
  names.insert(names.begin() + 8, QString());                    // an empty name right after it
  names.push_back(QString(256, QChar(u'x')));                    // exactly one width long
  for (const unsigned bits : {8u, 9u, 32u}) {
    ItemList narrow(bits), wide;
    for (size_t i = 0; i < names.size(); ++i) {
      narrow.Add(names[i], static_cast<double>(i));
      wide.Add(names[i], static_cast<double>(i));
    }
    ASSERT_EQ(narrow.size(), names.size()) << bits;
    size_t i = 0;
    for (const ItemRef item : narrow) {
      ASSERT_EQ(item.Name, names[i]) << bits << " " << i;
      ASSERT_EQ(item.Value, static_cast<double>(i)) << bits;
      ++i;
    }
    EXPECT_TRUE(narrow == wide) << bits;
    EXPECT_TRUE(narrow.back() == (ItemRef{names.back(), static_cast<double>(names.size() - 1)}));
  }
}

}  // namespace
}  // namespace qh
