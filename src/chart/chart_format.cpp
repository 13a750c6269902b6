#include "chart/chart_format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace qh {

QString TrimNumberTail(QString text) {
  while (!text.isEmpty() && (text.back() == u',' || text.back() == u'.')) text.chop(1);
  return text;
}

namespace {

// Fixed-point text of value with at most maxDecimals decimals, trailing zero
// decimals dropped (the separator stays for TrimNumberTail), optional
// thousands grouping.
QString FormatPattern(long double value, int maxDecimals, bool group) {
  if (std::isnan(value)) return QStringLiteral("0");
  if (std::isinf(value)) return value < 0 ? QStringLiteral("-∞") : QStringLiteral("∞");
  char buf[5000];  // long double reaches 4933 integer digits
  std::snprintf(buf, sizeof buf, "%.*Lf", maxDecimals, value);
  std::string digits(buf);
  bool negative = !digits.empty() && digits[0] == '-';
  if (negative) digits.erase(0, 1);
  std::string intPart = digits, decPart;
  if (const auto dot = digits.find('.'); dot != std::string::npos) {
    intPart = digits.substr(0, dot);
    decPart = digits.substr(dot + 1);
  }
  while (!decPart.empty() && decPart.back() == '0') decPart.pop_back();
  if (negative && decPart.empty() && intPart.find_first_not_of('0') == std::string::npos) {
    negative = false;  // a value that rounds to zero prints as plain 0
  }
  std::string grouped;
  if (group) {
    const size_t n = intPart.size();
    for (size_t i = 0; i < n; ++i) {
      if (i > 0 && (n - i) % 3 == 0) grouped += ',';
      grouped += intPart[i];
    }
  } else {
    grouped = intPart;
  }
  std::string out = (negative ? "-" : "") + grouped + "." + decPart;
  return QString::fromLatin1(out.c_str());
}

// Decimals that give a value below 1 its first two significant digits.
int TwoSignificantDecimals(long double a) {
  return 1 - static_cast<int>(std::floor(std::log10(a)));
}

// "#,##0.##" with at least two significant digits below 1.
QString FormatWithUnit(long double scaled, int minDecimals) {
  const long double a = std::fabs(scaled);
  int decimals = minDecimals;
  if (a > 0 && a < 1 && std::isfinite(a))
    decimals = std::clamp(TwoSignificantDecimals(a), minDecimals, 4950);
  return TrimNumberTail(FormatPattern(scaled, decimals, true));
}

// The unit a magnitude reads in after rounding to the decimals it shows in
// each unit: 9,999.999 rounds to 10,000 and so reads 1万, not "10,000".
template <typename Decimals>
long double UnitFor(long double a, Decimals decimalsIn) {
  auto reaches = [&](long double unit) {
    const long double scale = std::pow(10.0L, decimalsIn(unit));
    return std::round(a / unit * scale) / scale >= 1e4L;
  };
  if (a >= 1e8L || reaches(1e4L)) return 1e8L;
  if (a >= 1e4L || reaches(1)) return 1e4L;
  return 1;
}

QString UnitSuffix(long double unit) {
  if (unit >= 1e8L) return QStringLiteral("亿");
  if (unit >= 1e4L) return QStringLiteral("万");
  return {};
}

}  // namespace

QString FormatValue(long double value) {
  // A non-zero value must not read 0 beside the bars it describes, and two
  // small values must not read alike: below 1 it keeps its first two
  // significant digits (0.0058, 0.006).
  return FormatWithUnit(value, 2);
}

QString FormatCompact(long double value) {
  const long double a = std::fabs(value);
  if (a == 0.0L || std::isnan(a)) return QStringLiteral("0");
  if (std::isinf(a)) return FormatPattern(value, 0, false);
  // Below 1 up to four decimals, more where the first two significant digits need them.
  if (a < 1)
    return TrimNumberTail(
        FormatPattern(value, std::clamp(TwoSignificantDecimals(a), 4, 4950), false));
  const long double unit = UnitFor(a, [](long double) { return 2; });
  return FormatWithUnit(value / unit, 2) + UnitSuffix(unit);
}

QString FormatTick(long double value, long double step) {
  const long double a = std::fabs(value);
  if (a == 0.0L || !std::isfinite(a) || !(step > 0) || !std::isfinite(step))
    return FormatCompact(value);
  // The decimals the step needs in the unit this tick reads in, so that
  // neighbours differ by the same written amount.
  auto decimalsFor = [&](long double unit) {
    const long double x = step / unit;
    for (int d = 0; d < 4950; ++d) {
      const long double scaled = x * std::pow(10.0L, d);
      if (std::fabs(scaled - std::round(scaled)) <= 1e-6L * scaled) return d;
    }
    return 4950;
  };
  const long double unit = UnitFor(a, decimalsFor);
  const int decimals = decimalsFor(unit);
  return TrimNumberTail(FormatPattern(value / unit, decimals, true)) + UnitSuffix(unit);
}

QString FormatPercent(long double percent) {
  if (!std::isfinite(percent)) return FormatPattern(percent, 1, false) + u'%';
  char buf[5000];
  std::snprintf(buf, sizeof buf, "%.1Lf", percent);
  QString text = QString::fromLatin1(buf);
  if (text == QLatin1String("-0.0")) text = QStringLiteral("0.0");
  return text + u'%';
}

QString LetterLabel(int position) {
  if (position <= 0) return {};
  const int k = (position - 1) % 52;
  return QChar(k < 26 ? u'A' + k : u'a' + (k - 26));
}

QString BarItemLabel(const ItemTable& table, const LabelOptions& options, int i) {
  if (options.BarUseLetters) return LetterLabel(i);
  if (options.BarUseNumbers) return QString::number(i);
  if (i < 1 || i > table.ItemCount()) return {};
  return table.Items[static_cast<size_t>(i - 1)].Name.toString();
}

bool LineUsesLetters(const ItemTable& table, const LabelOptions& options, float scale) {
  if (options.LineUseLetters) return true;
  if (options.LineUseNumbers) return false;
  // The fixed 14-pixel estimate: the choice must not depend on installed fonts.
  const double limit = 118.0 * scale;
  if (table.Whole) return 14.0 * static_cast<double>(table.Whole->LongestName) > limit;
  for (const ItemRef item : table.Items) {
    if (14.0 * static_cast<double>(item.Name.size()) > limit) return true;
  }
  return false;
}

QString LineItemLabel(const ItemTable& table, const LabelOptions& options, int i, bool useLetters) {
  if (options.LineUseNumbers) return QString::number(i);
  if (useLetters) return LetterLabel(i);
  if (i < 1 || i > table.ItemCount()) return {};
  return table.Items[static_cast<size_t>(i - 1)].Name.toString();
}

}  // namespace qh
