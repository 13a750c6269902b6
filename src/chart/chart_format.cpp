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

}  // namespace

QString FormatValue(long double value) {
  QString text = TrimNumberTail(FormatPattern(value, 2, true));
  // A non-zero value must not read 0 beside the bars it describes: it keeps
  // as many decimals as its first two significant digits need.
  if (text == u"0" && value != 0 && std::isfinite(value)) {
    const int decimals = 1 - static_cast<int>(std::floor(std::log10(std::fabs(value))));
    text = TrimNumberTail(FormatPattern(value, std::clamp(decimals, 2, 4950), true));
  }
  return text;
}

QString FormatCompact(long double value) {
  const long double a = std::fabs(value);
  if (a >= 100000000.0L) return FormatValue(value / 100000000.0L) + QStringLiteral("亿");
  if (a >= 10000.0L) return FormatValue(value / 10000.0L) + QStringLiteral("万");
  if (a >= 1.0L) return FormatValue(value);
  if (a == 0.0L || std::isnan(a)) return QStringLiteral("0");
  return TrimNumberTail(FormatPattern(value, 4, false));
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
  return table.Items[static_cast<size_t>(i - 1)].Name;
}

bool LineUsesLetters(const ItemTable& table, const LabelOptions& options, float scale) {
  if (options.LineUseLetters) return true;
  if (options.LineUseNumbers) return false;
  // The fixed 14-pixel estimate: the choice must not depend on installed fonts.
  const double limit = 118.0 * scale;
  for (const ChartItem& item : table.Items) {
    if (14.0 * static_cast<double>(item.Name.size()) > limit) return true;
  }
  return false;
}

QString LineItemLabel(const ItemTable& table, const LabelOptions& options, int i, bool useLetters) {
  if (options.LineUseNumbers) return QString::number(i);
  if (useLetters) return LetterLabel(i);
  if (i < 1 || i > table.ItemCount()) return {};
  return table.Items[static_cast<size_t>(i - 1)].Name;
}

}  // namespace qh
