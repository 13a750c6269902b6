#include "data/value_rules.h"

#include "support/random_text.h"

#include <QString>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>

namespace qh {
namespace {

struct ValueCase {
  const char16_t* Text;
  bool IsValue;   // IsValueText
  double Parsed;  // what ReadValue gives an accepted text
};

TEST(ValueRules, IsValueTextAndReadValueAgree) {
  const ValueCase cases[] = {
      {u"1,234.5", true, 1234.5},
      {u"￥88", true, 88},
      {u"\u00A51,234.50", true, 1234.5},  // the half-width yen goes like the full-width one
      {u"-\u00A55", true, -5},
      {u"\u00A5", false, 0},
      {u"$7", true, 7},
      {u"12.5%", true, 12.5},
      {u"50%", true, 50},
      {u"5%0", true, 5},  // the percent goes for the test, only a last one for the reading
      {u"%12", true, 0},
      {u"-3.5", true, -3.5},
      {u"+4", true, 4},
      {u".5", true, 0.5},
      {u"5.", true, 5},
      {u"1e3", true, 1000},
      {u"2.5E-2", true, 0.025},
      {u" 1 234 ", true, 1234},
      {u"1\u00A0000\u3000", true, 1000},
      {u"", false, 0},
      {u"%", false, 0},
      {u"abc", false, 0},
      {u"1.2.3", false, 1.2},
      {u"1e", false, 1},
      {u"e5", false, 0},
      {u"--5", false, 0},
      {u"5-", false, 5},
      {u"1，000", false, 1},  // a full-width comma is no separator
      {u"inf", false, 0},
      {u"nan", false, 0},
      {u"0x10", false, 0},
      {u"１２", false, 0},
      {u"12元", false, 12},
  };
  for (const ValueCase& c : cases) {
    const QString text = QString::fromUtf16(c.Text);
    EXPECT_EQ(IsValueText(text), c.IsValue) << text.toStdString();
    double value = 0;
    EXPECT_EQ(ReadValue(text, value), c.IsValue) << text.toStdString();
    if (c.IsValue) {
      EXPECT_DOUBLE_EQ(value, c.Parsed) << text.toStdString();
    }
  }
}

TEST(ValueRules, IsPlainNumber) {
  // clang-format off
  const std::pair<const char16_t*, bool> cases[] = {
      {u"1e5", true},  {u"-3.5", true}, {u"12%", true},   {u"1E", true},    {u" 7 ", true},
      {u"1e-5", true}, {u"1,000", false}, {u"￥5", false}, {u"1-2", false},  {u"E5", false},
      {u"%", false},   {u"", false},    {u"1.2.3", false}, {u"1e5e5", false}, {u"+", false},
      {u"2023", true}, {u"销量", false}, {u"1%%", false},
  };
  // clang-format on
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(IsPlainNumber(QString::fromUtf16(text)), expected)
        << QString::fromUtf16(text).toStdString();
  }
}

TEST(ValueRules, ReadValueAcceptsOnlyFiniteNumbers) {
  const QString huge400 = QString(400, u'9');
  const std::pair<QString, bool> cases[] = {
      {QStringLiteral("1e999"), false},
      {QStringLiteral("-1e999"), false},
      {huge400, false},
      {QStringLiteral("1e-999"), true},  // underflows to zero, still a number
      {QStringLiteral("0.") + QString(400, u'0') + u'1', true},
      {QStringLiteral("1.7976931348623157e308"), true},
      {QStringLiteral("53,147.44"), true},
      {QStringLiteral("abc"), false},
  };
  for (const auto& [text, expected] : cases) {
    double value = 0;
    EXPECT_EQ(ReadValue(text, value), expected) << text.left(40).toStdString();
    if (expected) {
      EXPECT_TRUE(std::isfinite(value));
    }
  }
  double value = 0;
  ASSERT_TRUE(ReadValue(QStringLiteral("53,147.44"), value));
  EXPECT_DOUBLE_EQ(value, 53147.44);
  ASSERT_TRUE(ReadValue(QStringLiteral("1e-999"), value));
  EXPECT_EQ(value, 0.0);
}

TEST(ValueRules, LongDigitStringsReadExactly) {
  const QString half =
      QStringLiteral("1.00000000000000011102230246251565404236316680908203125");  // 1 + 2^-53
  const struct {
    QString Text;
    double Expected;
  } cases[] = {
      {QString(5000, u'0') + QStringLiteral("1.5"), 1.5},
      {QStringLiteral("0.") + QString(5000, u'0') + u'1', 0.0},
      {QStringLiteral("1.") + QString(5000, u'0') + u'1', 1.0},
      {QStringLiteral("-") + QString(3000, u'3') + QStringLiteral("e-2990"), -3.3333333333333335e9},
      // Exactly halfway rounds to even; any digit beyond it, however far, rounds up.
      {half + QString(2000, u'0'), 1.0},
      {half + QString(2000, u'0') + u'1', std::nextafter(1.0, 2.0)},
  };
  for (const auto& c : cases) {
    double value = -1;
    EXPECT_TRUE(ReadValue(c.Text, value)) << c.Text.left(40).toStdString();
    EXPECT_EQ(value, c.Expected) << c.Text.left(40).toStdString();
  }
  double value = 0;
  EXPECT_FALSE(ReadValue(QStringLiteral("1") + QString(5000, u'0'), value));
}

// The fast road reads what ReadValue reads, to the bit, and never turns
// away a text of its kind: texts of every length around fifteen digits,
// with points, commas and signs anywhere.
TEST(ValueRules, PlainDecimalsReadAsReadValueReadsThem) {
  std::mt19937 random(7);
  for (int i = 0; i < 200000; ++i) {
    const std::string text = test::RandomText(random, "0123456789999.,.,-+x", 21);
    const auto fast = ReadPlainDecimal(text);
    const size_t signs = text.empty() ? 0 : (text[0] == '-' || text[0] == '+');
    const bool plain = text.find_first_not_of("0123456789.,", signs) == std::string::npos &&
                       std::count(text.begin(), text.end(), '.') <= 1 &&
                       text.find_first_of("0123456789") != std::string::npos;
    EXPECT_EQ(fast.has_value(), plain) << text;
    if (!fast) continue;
    double value = 0;
    ASSERT_TRUE(ReadValue(QString::fromStdString(text), value)) << text;
    EXPECT_EQ(std::memcmp(&value, &*fast, sizeof value), 0) << text;
  }
}

}  // namespace
}  // namespace qh
