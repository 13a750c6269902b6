#include "data/name_pool.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace qh {
namespace {

struct PoolCase {
  const char* Name;
  QString Text;
  QString Added;     // Add
  QString Stripped;  // AddStripped
};

TEST(NamePool, KeepsEveryCharacter) {
  const QString longName(5000, QChar(u'长'));
  const PoolCase cases[] = {
      {"empty", QString(), QString(), QString()},
      {"plain", QStringLiteral("North"), QStringLiteral("North"), QStringLiteral("North")},
      {"spaces", QStringLiteral(" North\tRegion\u3000"), QStringLiteral(" North\tRegion\u3000"),
       QStringLiteral("NorthRegion")},
      {"only spaces", QStringLiteral(" \u00A0\r\n"), QStringLiteral(" \u00A0\r\n"), QString()},
      {"chinese", QStringLiteral("华东青禾一号12"), QStringLiteral("华东青禾一号12"),
       QStringLiteral("华东青禾一号12")},
      {"surrogate pair", QString::fromUcs4(U"\U00020000x"), QString::fromUcs4(U"\U00020000x"),
       QString::fromUcs4(U"\U00020000x")},
      {"longer than a shared block", longName + u' ', longName + u' ', longName},
  };
  NamePool pool;
  for (const PoolCase& c : cases) {
    const QString added = pool.Add(c.Text);
    const QString stripped = pool.AddStripped(c.Text);
    EXPECT_EQ(added, c.Added) << c.Name;
    EXPECT_EQ(stripped, c.Stripped) << c.Name;
    // Callers that take the characters as a C string stop at the name's end.
    EXPECT_EQ(added.utf16()[added.size()], 0) << c.Name;
    EXPECT_EQ(stripped.utf16()[stripped.size()], 0) << c.Name;
  }
}

TEST(NamePool, NamesAcrossManyBlocksStayIntact) {
  std::vector<QString> names;
  {
    NamePool pool;
    for (int i = 0; i < 50000; ++i) names.push_back(pool.Add(QStringLiteral("项目%1").arg(i)));
  }  // the pool goes first: the names keep their blocks
  for (int i = 0; i < 50000; i += 997)
    EXPECT_EQ(names[static_cast<size_t>(i)], QStringLiteral("项目%1").arg(i));
  EXPECT_EQ(names.back(), QStringLiteral("项目49999"));
}

TEST(NamePool, EditingANameLeavesItsNeighboursAlone) {
  auto pool = std::make_unique<NamePool>();
  QString first = pool->Add(u"A");
  QString second = pool->Add(u"B");
  const QString third = pool->Add(u"C");
  pool.reset();
  first += QStringLiteral("xyz");  // would run into B and C if written in place
  second[0] = u'Q';
  EXPECT_EQ(first, QStringLiteral("Axyz"));
  EXPECT_EQ(second, QStringLiteral("Q"));
  EXPECT_EQ(third, QStringLiteral("C"));
  second.clear();
  first.clear();
  QString last = third;  // the block now has one owner and this copy
  last.append(QStringLiteral("12345"));
  EXPECT_EQ(third, QStringLiteral("C"));
  EXPECT_EQ(last, QStringLiteral("C12345"));
}

TEST(SharedTexts, ViewsAndSharedStringsAgree) {
  const QString longText(3000, QChar(u'长'));
  std::vector<QString> texts = {QString(), QStringLiteral("项目0"), longText,
                                QStringLiteral(" a b ")};
  for (int i = 0; i < 20000; ++i)
    texts.push_back(QStringLiteral("名称%1").arg(i));  // several blocks
  std::vector<QString> shared;
  {
    SharedTexts pool;
    for (const QString& text : texts) {
      const std::uint32_t index = pool.Add(text);
      EXPECT_EQ(index, pool.Count() - 1);
    }
    EXPECT_TRUE(pool.At(pool.Count()).isEmpty());
    EXPECT_TRUE(pool.Shared(pool.Count()).isNull());
    for (std::uint32_t i = 0; i < pool.Count(); ++i) {
      ASSERT_EQ(pool.At(i), texts[i]) << i;
      shared.push_back(pool.Shared(i));
    }
  }  // the strings outlive the pool
  for (size_t i = 0; i < texts.size(); ++i) {
    ASSERT_EQ(shared[i], texts[i]) << i;
    ASSERT_EQ(shared[i].utf16()[shared[i].size()], 0) << i;
  }
  shared[1] += QStringLiteral("x");  // its neighbours in the block stay as they were
  EXPECT_EQ(shared[1], QStringLiteral("项目0x"));
  EXPECT_EQ(shared[4], QStringLiteral("名称0"));
}

}  // namespace
}  // namespace qh
