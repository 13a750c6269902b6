#include "chart/chart_format.h"

#include <gtest/gtest.h>
#include <vector>

namespace qh {
namespace {

struct FormatRow {
  double Value;
  const char* Full;
  const char* Compact;
};

TEST(ChartFormat, ValueAndCompactTable) {
  const FormatRow rows[] = {
      {0, "0", "0"},
      {0.5, "0.5", "0.5"},
      {0.123456, "0.12", "0.1235"},
      {0.00001, "0.00001", "0.00001"},
      {0.000012, "0.000012", "0.000012"},
      {0.004, "0.004", "0.004"},
      {-0.00123, "-0.0012", "-0.0012"},
      {0.0049999, "0.005", "0.005"},
      {0.005, "0.005", "0.005"},
      {0.0058, "0.0058", "0.0058"},
      {0.0104, "0.01", "0.0104"},
      {1e-300, nullptr, nullptr},  // 299 zeros after the point, then 1
      {-0.5, "-0.5", "-0.5"},
      {5, "5", "5"},
      {1234.567, "1,234.57", "1,234.57"},
      {9999, "9,999", "9,999"},
      {10000, "10,000", "1万"},
      {12345, "12,345", "1.23万"},
      {-12345, "-12,345", "-1.23万"},
      {1000000, "1,000,000", "100万"},
      {123456789, "123,456,789", "1.23亿"},
      {250000000000.0, "250,000,000,000", "2,500亿"},
      {99999999, "99,999,999", "1亿"},  // rounded first, then the unit chosen
      {9999.999, "10,000", "1万"},
      {-99999999.9, "-99,999,999.9", "-1亿"},
      {99994999, "99,994,999", "9,999.5万"},
      {-0.001, "-0.001", "-0.001"},
  };
  for (const FormatRow& r : rows) {
    const QString full =
        r.Full ? QString::fromUtf8(r.Full) : QStringLiteral("0.") + QString(299, u'0') + u'1';
    EXPECT_EQ(FormatValue(r.Value), full) << r.Value;
    EXPECT_EQ(FormatCompact(r.Value), r.Compact ? QString::fromUtf8(r.Compact) : full) << r.Value;
  }
}

// Ticks carry the step's decimals in the unit each reads in.
TEST(ChartFormat, TickLabels) {
  const struct {
    double Step;
    std::vector<const char*> Ticks;  // from 0 upwards
  } rows[] = {
      {0.00025, {"0", "0.00025", "0.0005", "0.00075", "0.001", "0.00125"}},
      {0.000001, {"0", "0.000001", "0.000002", "0.000003"}},
      {0.25, {"0", "0.25", "0.5", "0.75", "1"}},
      {2500, {"0", "2,500", "5,000", "7,500", "1万", "1.25万"}},
      {25000000, {"0", "2,500万", "5,000万", "7,500万", "1亿", "1.25亿"}},
      {250000000000.0, {"0", "2,500亿", "5,000亿", "7,500亿", "10,000亿"}},
  };
  for (const auto& r : rows) {
    for (size_t k = 0; k < r.Ticks.size(); ++k) {
      EXPECT_EQ(FormatTick(static_cast<long double>(k) * r.Step, r.Step),
                QString::fromUtf8(r.Ticks[k]))
          << r.Step << " tick " << k;
    }
  }
  EXPECT_EQ(FormatTick(-0.0005, 0.00025), QStringLiteral("-0.0005"));
}

TEST(ChartFormat, ExtremesStayReadable) {
  // A table total can exceed double; it must print digits, not inf or nan.
  const long double beyondDouble = 3e308L;
  const QString text = FormatValue(beyondDouble);
  EXPECT_TRUE(text.startsWith(u"29") || text.startsWith(u"30")) << text.left(20).toStdString();
  EXPECT_EQ(text.size(), 309 + 102);  // 309 digits in groups of three
  EXPECT_FALSE(text.contains(u"inf") || text.contains(u"nan"));
  EXPECT_TRUE(FormatCompact(-1e308).endsWith(QStringLiteral("亿")));
}

TEST(ChartFormat, TrimNumberTail) {
  EXPECT_EQ(TrimNumberTail(QString()), QString());
  EXPECT_EQ(TrimNumberTail(QStringLiteral(".")), QString());
  EXPECT_EQ(TrimNumberTail(QStringLiteral("1,234.")), QStringLiteral("1,234"));
  EXPECT_EQ(TrimNumberTail(QStringLiteral("7,.,")), QStringLiteral("7"));
  EXPECT_EQ(TrimNumberTail(QStringLiteral("1.5")), QStringLiteral("1.5"));
}

TEST(ChartFormat, Percent) {
  EXPECT_EQ(FormatPercent(50), QStringLiteral("50.0%"));
  EXPECT_EQ(FormatPercent(0), QStringLiteral("0.0%"));
  EXPECT_EQ(FormatPercent(-0.01), QStringLiteral("0.0%"));
  EXPECT_EQ(FormatPercent(15.76), QStringLiteral("15.8%"));
}

TEST(ChartFormat, LetterLabel) {
  const std::pair<int, const char*> rows[] = {{0, ""},   {-3, ""},   {1, "A"},
                                              {26, "Z"}, {27, "a"},  {52, "z"},
                                              {53, "A"}, {104, "z"}, {105, "A"}};
  for (const auto& [position, label] : rows) {
    EXPECT_EQ(LetterLabel(position), QString::fromLatin1(label)) << position;
  }
}

ItemTable Names(std::initializer_list<const char*> names) {
  ItemTable t;
  for (const char* n : names) t.Items.Add(QString::fromUtf8(n), 1);
  return t;
}

TEST(ChartFormat, BarItemLabelFollowsSwitches) {
  const ItemTable t = Names({"北京", "上海"});
  LabelOptions o;
  EXPECT_EQ(BarItemLabel(t, o, 2), QStringLiteral("上海"));
  o.BarUseNumbers = true;
  EXPECT_EQ(BarItemLabel(t, o, 2), QStringLiteral("2"));
  o.BarUseLetters = true;  // letters win over numbers
  EXPECT_EQ(BarItemLabel(t, o, 2), QStringLiteral("B"));
}

TEST(ChartFormat, LineLettersByEstimatedWidth) {
  LabelOptions o;
  // 8 characters = 112 px keeps names; 9 = 126 px > 118 switches to letters.
  EXPECT_FALSE(LineUsesLetters(Names({"一二三四五六七八", "短"}), o, 1.0f));
  const ItemTable wide = Names({"短", "一二三四五六七八九"});
  EXPECT_TRUE(LineUsesLetters(wide, o, 1.0f));
  EXPECT_FALSE(LineUsesLetters(wide, o, 1.5f));  // limit 177 px at s = 1.5
  o.LineUseNumbers = true;
  EXPECT_FALSE(LineUsesLetters(wide, o, 1.0f));
  EXPECT_EQ(LineItemLabel(wide, o, 2, true), QStringLiteral("2"));
  o = {};
  o.LineUseLetters = true;
  EXPECT_TRUE(LineUsesLetters(Names({"短"}), o, 1.0f));
  EXPECT_EQ(LineItemLabel(wide, o, 27, true), QStringLiteral("a"));
  EXPECT_EQ(LineItemLabel(wide, LabelOptions{}, 1, false), QStringLiteral("短"));
}

}  // namespace
}  // namespace qh
