#include "data/workbook/cell_text.h"

#include "base/text_utils.h"

#include <charconv>
#include <cmath>
#include <string>

namespace qh {

namespace {

constexpr double kPlainDigitsLimit = 1e15;

bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// A number with at most kShortDecimals decimals below kShortLimit, written
// as its whole part and decimals, trailing zeros dropped; false for others.
// Such a number is within an ulp of hundredths (or tenths and the rest): 15
// significant digits show exactly those, so this writes what the general
// form writes, many times faster.
constexpr int kShortDecimals = 4;
constexpr double kShortLimit = 1e11;

bool AppendShortDecimal(char*& at, double number) {
  if (!(std::fabs(number) < kShortLimit)) return false;
  const double scaled = number * 1e4;
  const double whole = std::nearbyint(scaled);
  if (scaled != whole) return false;
  auto units = static_cast<long long>(whole);
  if (units < 0) {
    *at++ = '-';
    units = -units;
  }
  at = std::to_chars(at, at + 24, units / 10000).ptr;
  long long decimals = units % 10000;
  if (decimals == 0) return true;
  int digits = kShortDecimals;
  while (decimals % 10 == 0) {
    decimals /= 10;
    --digits;
  }
  *at++ = '.';
  char* const end = at + digits;
  for (char* p = end; p != at;) {
    *--p = char('0' + decimals % 10);
    decimals /= 10;
  }
  at = end;
  return true;
}

void AppendNumber(QString& out, double number) {
  char buffer[kNumberTextRoom];
  out.append(QLatin1StringView(buffer, WriteNumberText(buffer, number) - buffer));
}

// A text that can reach the output unchanged: nothing to strip and no
// chance of reading as a number.
bool IsPlainText(QStringView text) {
  if (text.isEmpty()) return true;
  const QChar first = text.front();
  if (IsDigit(first) || first == u'+' || first == u'-' || first == u'.') return false;
  for (QChar c : text) {
    if (IsStrippedSpace(c)) return false;
  }
  return true;
}

void AppendText(QString& out, QStringView text) {
  if (IsPlainText(text)) {
    out.append(text);
    return;
  }
  if (const auto number = NumberFromCellText(text)) {
    AppendNumber(out, *number);
    return;
  }
  for (QChar c : text) {
    if (!IsStrippedSpace(c)) out.append(c);
  }
}

}  // namespace

std::optional<double> NumberFromCellText(QStringView text) {
  std::string digits;  // the number without spaces, commas and leading '+'
  digits.reserve(static_cast<size_t>(text.size()));
  qsizetype i = 0;
  const qsizetype n = text.size();
  auto skipSpaces = [&] {
    while (i < n && IsStrippedSpace(text[i])) ++i;
  };
  skipSpaces();
  if (i < n && (text[i] == u'+' || text[i] == u'-')) {
    if (text[i] == u'-') digits.push_back('-');
    ++i;
  }
  int mantissaDigits = 0;
  bool commaAllowed = false;  // only between digits of the whole part
  for (; i < n; ++i) {
    const QChar c = text[i];
    if (IsDigit(c)) {
      digits.push_back(static_cast<char>(c.unicode()));
      ++mantissaDigits;
      commaAllowed = true;
    } else if (c == u',' && commaAllowed) {
      continue;
    } else if (!IsStrippedSpace(c)) {
      break;
    }
  }
  if (i < n && text[i] == u'.') {
    digits.push_back('.');
    for (++i; i < n && (IsDigit(text[i]) || IsStrippedSpace(text[i])); ++i) {
      if (IsDigit(text[i])) {
        digits.push_back(static_cast<char>(text[i].unicode()));
        ++mantissaDigits;
      }
    }
  }
  if (mantissaDigits == 0) return std::nullopt;
  if (i < n && (text[i] == u'e' || text[i] == u'E')) {
    digits.push_back('e');
    ++i;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
      digits.push_back(static_cast<char>(text[i].unicode()));
      ++i;
    }
    int exponentDigits = 0;
    for (; i < n && IsDigit(text[i]); ++i) {
      digits.push_back(static_cast<char>(text[i].unicode()));
      ++exponentDigits;
    }
    if (exponentDigits == 0) return std::nullopt;
  }
  skipSpaces();
  if (i != n) return std::nullopt;

  double value = 0.0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

char* WriteNumberText(char* out, double number) {
  char* const end = out + kNumberTextRoom;
  if (std::isfinite(number) && number == std::floor(number) &&
      std::fabs(number) < kPlainDigitsLimit) {
    return std::to_chars(out, end, static_cast<long long>(number)).ptr;
  }
  char* shortEnd = out;
  if (AppendShortDecimal(shortEnd, number)) return shortEnd;
  // Same rule as printf's %.15G: exponent form from 10^15 on and below 10^-4.
  const std::to_chars_result result =
      std::to_chars(out, end, number, std::chars_format::general, 15);
  for (char* p = out; p != result.ptr; ++p) {
    if (*p == 'e') *p = 'E';
  }
  return result.ptr;
}

void AppendCellText(QString& out, CellKind kind, double number, QStringView text) {
  switch (kind) {
    case CellKind::Number: AppendNumber(out, number); break;
    case CellKind::Boolean:
      out.append(number != 0.0 ? QLatin1StringView("-1") : QLatin1StringView("0"));
      break;
    case CellKind::Text: AppendText(out, text); break;
    case CellKind::Empty:
    case CellKind::Error: break;
  }
}

}  // namespace qh
