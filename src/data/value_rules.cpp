#include "data/value_rules.h"

#include "base/text_utils.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

namespace qh {

namespace {

bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Characters both value rules drop wherever they stand ("%" is dropped by
// each rule in its own way).
bool IsValueNoise(QChar c) {
  switch (c.unicode()) {
    case u' ':
    case u'\t':
    case u'\r':
    case u'\n':
    case 0x00A0:
    case 0x3000:
    case u',':
    case 0xFFE5:
    case 0x00A5:
    case u'$':  // full- and half-width yen
      return true;
    default: return false;
  }
}

// Copies the characters that are not noise into ASCII bytes; a character
// outside ASCII is kept as a byte that no number contains, so it still
// stops the number where it stands.
std::string CleanValueText(QStringView text) {
  std::string out;
  out.reserve(static_cast<size_t>(text.size()));
  for (QChar c : text) {
    if (IsValueNoise(c)) continue;
    out.push_back(c.unicode() < 128 ? static_cast<char>(c.unicode()) : '\x7f');
  }
  return out;
}

// Length of the longest leading decimal number in s (sign, digits, point,
// exponent); 0 when s starts with no number.
size_t LeadingNumberLength(const std::string& s) {
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  size_t digits = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    const size_t expStart = j;
    while (j < s.size() && s[j] >= '0' && s[j] <= '9') ++j;
    if (j > expStart) i = j;
  }
  return i;
}

// Where a number that from_chars cannot hold lies: above the largest double
// (true) or below the smallest (false). Judged by the decimal position of
// its first significant digit.
bool BeyondLargest(const char* first, const char* last) {
  long long position = 0;  // digits before the point, less leading zeros
  bool significant = false, afterPoint = false;
  const char* p = first;
  for (; p != last && *p != 'e' && *p != 'E'; ++p) {
    if (*p == '.') {
      afterPoint = true;
    } else if (!significant && *p == '0') {
      if (afterPoint) --position;
    } else {
      significant = true;
      if (!afterPoint) ++position;
    }
  }
  if (!significant) return false;
  long long exponent = 0;
  if (p != last) {
    ++p;
    const bool negative = p != last && *p == '-';
    if (p != last && (*p == '+' || *p == '-')) ++p;
    for (; p != last && exponent < 100000000; ++p) exponent = exponent * 10 + (*p - '0');
    if (negative) exponent = -exponent;
  }
  return position + exponent > 0;
}

// More significant digits than any double needs to be rounded correctly
// (a double's exact decimal form has at most 767).
constexpr size_t kKeptDigits = 800;

// The same number in at most kKeptDigits significant digits, as
// "0.<digits>e<exponent>": a digit 1 stands for any non-zero digits cut
// off, so rounding still sees them. Keeps a text of millions of digits
// from costing more than one pass.
std::string ShortenNumber(const char* first, const char* last) {
  std::string digits;
  long long position = 0;  // decimal exponent of the point after the digits seen
  bool afterPoint = false, cutNonZero = false;
  const char* p = first;
  for (; p != last && *p != 'e' && *p != 'E'; ++p) {
    if (*p == '.') {
      afterPoint = true;
    } else if (digits.empty() && *p == '0') {
      if (afterPoint) --position;
    } else {
      if (!afterPoint) ++position;
      if (digits.size() < kKeptDigits)
        digits.push_back(*p);
      else
        cutNonZero = cutNonZero || *p != '0';
    }
  }
  if (digits.empty()) return "0";
  if (cutNonZero) digits.push_back('1');
  long long exponent = 0;
  if (p != last) {
    ++p;
    const bool negative = p != last && *p == '-';
    if (p != last && (*p == '+' || *p == '-')) ++p;
    for (; p != last; ++p) exponent = std::min(exponent * 10 + (*p - '0'), 100000000LL);
    if (negative) exponent = -exponent;
  }
  return "0." + digits + "e" + std::to_string(position + exponent);
}

// Reads the first length characters of s, a number LeadingNumberLength
// accepted; out of range gives infinity or zero as a C library would.
double ReadNumber(const std::string& s, size_t length) {
  size_t start = 0;
  bool negative = false;
  if (s[0] == '+' || s[0] == '-') {
    negative = s[0] == '-';
    start = 1;
  }
  std::string shortened;
  const char* first = s.data() + start;
  const char* last = s.data() + length;
  if (length - start > kKeptDigits + 16) {
    shortened = ShortenNumber(first, last);
    first = shortened.data();
    last = first + shortened.size();
  }
  double value = 0.0;
  const auto result = std::from_chars(first, last, value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    value = BeyondLargest(first, last) ? HUGE_VAL : 0.0;
  }
  return negative ? -value : value;
}

// IsValueText on a cleaned text: every "%" is ignored.
bool IsWholeNumber(const std::string& s) {
  if (s.find('%') == std::string::npos) return !s.empty() && LeadingNumberLength(s) == s.size();
  std::string withoutPercent = s;
  std::erase(withoutPercent, '%');
  return !withoutPercent.empty() && LeadingNumberLength(withoutPercent) == withoutPercent.size();
}

// The value of a cleaned text: one trailing "%" is dropped.
double LeadingNumber(std::string s) {
  if (!s.empty() && s.back() == '%') s.pop_back();
  const size_t length = LeadingNumberLength(s);
  return length == 0 ? 0.0 : ReadNumber(s, length);
}

}  // namespace

bool IsValueText(QStringView text) { return IsWholeNumber(CleanValueText(text)); }

bool IsPlainNumber(QStringView text) {
  QString t = StripSpaces(text);
  if (t.endsWith(u'%')) t.chop(1);
  if (t.isEmpty()) return false;
  bool seenPoint = false, seenExp = false;
  int digits = 0;
  for (qsizetype i = 0; i < t.size(); ++i) {
    const QChar c = t[i];
    if (IsDigit(c)) {
      ++digits;
    } else if (c == u'.') {
      if (seenPoint) return false;
      seenPoint = true;
    } else if (c == u'e' || c == u'E') {
      if (seenExp || digits == 0) return false;
      seenExp = true;
    } else if (c == u'+' || c == u'-') {
      const bool afterExp = i > 0 && (t[i - 1] == u'e' || t[i - 1] == u'E');
      if (i != 0 && !afterExp) return false;
    } else {
      return false;
    }
  }
  return digits > 0;
}

bool ReadValue(QStringView text, double& value) {
  std::string clean = CleanValueText(text);  // once for both rules
  if (!IsWholeNumber(clean)) return false;
  value = LeadingNumber(std::move(clean));
  return std::isfinite(value);
}

std::optional<double> detail::ReadLongPlainDecimal(std::string_view text) {
  const char* first = text.data();
  const char* const last = first + text.size();
  bool negative = false;
  if (first < last && (*first == '-' || *first == '+')) {
    negative = *first == '-';
    ++first;
  }
  bool point = false, commas = false;
  int digits = 0, decimals = 0;
  std::uint64_t whole = 0;
  for (const char* q = first; q < last; ++q) {
    if (*q >= '0' && *q <= '9') {
      // Past 15 digits the whole number may not be exact: from_chars reads it.
      if (digits < 15) whole = whole * 10 + static_cast<std::uint64_t>(*q - '0');
      ++digits;
      decimals += point ? 1 : 0;
    } else if (*q == '.' && !point) {
      point = true;
    } else if (*q == ',') {
      commas = true;
    } else {
      return std::nullopt;
    }
  }
  if (digits == 0) return std::nullopt;
  double value = 0.0;
  if (digits <= 15) {
    value = static_cast<double>(whole) / kTenPowers[decimals];
  } else {
    std::string cleaned;
    if (commas) {
      cleaned.reserve(static_cast<size_t>(last - first));
      for (const char* q = first; q < last; ++q) {
        if (*q != ',') cleaned.push_back(*q);
      }
      first = cleaned.data();
    }
    const char* const end = commas ? first + cleaned.size() : last;
    const auto result = std::from_chars(first, end, value, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value))
      return std::nullopt;
  }
  return negative ? -value : value;
}

}  // namespace qh
