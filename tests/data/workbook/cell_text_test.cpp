#include "data/workbook/cell_text.h"
#include "data/workbook/date_serial.h"

#include <gtest/gtest.h>
#include <cmath>
#include <cstdio>
#include <vector>

namespace qh {
namespace {

struct CellCase {
  CellKind Kind;
  double Number;
  const char16_t* Text;
  const char16_t* Expected;
};

TEST(CellText, WritesValuesLikeTheGeneralFormat) {
  const CellCase cases[] = {
      {CellKind::Number, 3000000000.0, u"", u"3000000000"},
      {CellKind::Number, -42.0, u"", u"-42"},
      {CellKind::Number, -0.0, u"", u"0"},
      {CellKind::Number, 12.5, u"", u"12.5"},
      {CellKind::Number, 0.1, u"", u"0.1"},
      {CellKind::Number, 1.0 / 3.0, u"", u"0.333333333333333"},
      {CellKind::Number, 999999999999999.0, u"", u"999999999999999"},
      {CellKind::Number, 1e15, u"", u"1E+15"},
      {CellKind::Number, 1234567890123456.0, u"", u"1.23456789012346E+15"},
      {CellKind::Number, 1e20, u"", u"1E+20"},
      {CellKind::Number, -2.5e-7, u"", u"-2.5E-07"},
      {CellKind::Number, 123456789012.345678, u"", u"123456789012.346"},
      {CellKind::Boolean, 1.0, u"", u"-1"},
      {CellKind::Boolean, 0.0, u"", u"0"},
      {CellKind::Error, 0.0, u"#DIV/0!", u""},
      {CellKind::Empty, 0.0, u"", u""},
      {CellKind::Text, 0.0, u"名 称", u"名称"},
      {CellKind::Text, 0.0, u"\u3000华北\u00A0区\t", u"华北区"},
      {CellKind::Text, 0.0, u"1,234", u"1234"},
      {CellKind::Text, 0.0, u" 12.50 ", u"12.5"},
      {CellKind::Text, 0.0, u"007", u"7"},
      {CellKind::Text, 0.0, u"-1e3", u"-1000"},
      {CellKind::Text, 0.0, u"+.5", u"0.5"},
      {CellKind::Text, 0.0, u"12345678901234567890", u"1.23456789012346E+19"},
      // Texts that only look numeric stay texts for the value rules to judge.
      {CellKind::Text, 0.0, u"12.5%", u"12.5%"},
      {CellKind::Text, 0.0, u"￥88", u"￥88"},
      {CellKind::Text, 0.0, u",5", u",5"},
      {CellKind::Text, 0.0, u"1.2.3", u"1.2.3"},
      {CellKind::Text, 0.0, u"1e", u"1e"},
      {CellKind::Text, 0.0, u"1e999", u"1e999"},
      {CellKind::Text, 0.0, u"-", u"-"},
      {CellKind::Text, 0.0, u"2024-01-15", u"2024-01-15"},
  };
  for (const CellCase& c : cases) {
    QString text;
    AppendCellText(text, c.Kind, c.Number, QString::fromUtf16(c.Text));
    EXPECT_EQ(text, QString::fromUtf16(c.Expected))
        << "kind " << int(c.Kind) << " number " << c.Number << " text "
        << QString::fromUtf16(c.Text).toStdString();
  }
}

// Numbers of a few decimals take a shortcut; it must write what printf's
// %.15G writes, near its edges too (decimals that are no exact binary
// fractions, magnitudes near 10^11, values near a tenth of a unit).
TEST(CellText, ShortDecimalsMatchPrintf) {
  std::vector<double> numbers;
  for (long long m = -200000; m <= 200000; m += 7) numbers.push_back(double(m) / 10000.0);
  for (const double base : {0.1, 0.7, 1.1, 99.99, 12345.6789, 99999999999.9999, 1e11 - 0.5,
                            123456789.123, 1e-4, 3e-4, 0.00015}) {
    for (const double scale : {1.0, -1.0, 10.0, 0.1, 3.0}) {
      const double number = base * scale;
      numbers.insert(numbers.end(), {number, std::nextafter(number, 1e300),
                                     std::nextafter(number, -1e300), number + 1e-9});
    }
  }
  for (const double number : numbers) {
    char expected[64];
    std::snprintf(expected, sizeof expected, "%.15G", number);
    QString text;
    AppendCellText(text, CellKind::Number, number, {});
    ASSERT_EQ(text.toStdString(), expected) << number;
  }
}

struct DateCase {
  const char16_t* Text;
  bool Date1904;
  std::optional<double> Serial;
};

TEST(DateTextToSerial, CountsDaysFromTheWorkbookEpoch) {
  const DateCase cases[] = {
      {u"2024-01-15", false, 45306.0},
      {u"1900-01-01", false, 1.0},
      {u"1900-02-28", false, 59.0},
      {u"1900-03-01", false, 61.0},  // after the phantom 29 February 1900
      {u"1904-01-01", true, 0.0},
      {u"2024-01-15", true, 43844.0},
      {u"2024-01-15 12:00:00", false, 45306.5},
      {u"2024-01-15T06:00:00Z", false, 45306.25},
      {u"18:00:00", false, 0.75},
      {u"1899-12-31", false, std::nullopt},
      {u"2024-13-01", false, std::nullopt},
      {u"2024-01-15X", false, std::nullopt},
      {u"华北", false, std::nullopt},
  };
  for (const DateCase& c : cases) {
    EXPECT_EQ(DateTextToSerial(QString::fromUtf16(c.Text), c.Date1904), c.Serial)
        << QString::fromUtf16(c.Text).toStdString() << " 1904=" << c.Date1904;
  }
}

}  // namespace
}  // namespace qh
