#pragma once
// What counts as a number in a value cell, shared by every reader.
#include <QStringView>
#include <optional>
#include <string_view>

namespace qh {

// True when the text, after spaces, ASCII commas, "%", "￥", "¥" and "$" are
// removed, is a decimal number: optional sign, digits with at most one
// point, optional exponent (E or e, optional sign, digits).
bool IsValueText(QStringView text);

// The strict test that tells a header line from data: digits with at most
// one point, one exponent letter after a digit, signs only first or after
// the exponent letter, one optional trailing "%". 1,000 and ￥5 are not.
bool IsPlainNumber(QStringView text);

// A usable value cell: IsValueText accepts it, and value is the longest
// leading decimal number after spaces, commas, "￥", "¥" and "$" are removed
// and one trailing "%" is dropped (50% reads 50, 5%0 reads 5). A number too
// large for a double (1e999) is refused rather than charted as infinity.
bool ReadValue(QStringView text, double& value);

namespace detail {
// Every power a number of at most fifteen digits divides by, exact.
inline constexpr double kTenPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
// ReadPlainDecimal of more than fifteen characters after the sign.
std::optional<double> ReadLongPlainDecimal(std::string_view text);
}  // namespace detail

// The fast road for the common cell, ASCII text that is an optional sign,
// digits and at most one point, nothing else but ASCII commas, which are
// dropped wherever they stand: the value ReadValue gives it. nullopt for
// any other text, which is left to ReadValue. Inline for the readers'
// loops: the usual amount of fifteen characters or fewer is read here.
inline std::optional<double> ReadPlainDecimal(std::string_view text) {
  const char* first = text.data();
  const char* const last = first + text.size();
  const bool sign = first < last && (*first == '-' || *first == '+');
  if (last - first - (sign ? 1 : 0) > 15) return detail::ReadLongPlainDecimal(text);
  const bool negative = sign && *first == '-';
  if (sign) ++first;
  // Fifteen characters hold no more than fifteen digits, so none needs
  // counting on the way; the decimals are what follows the point.
  unsigned long long whole = 0;
  const char* point = nullptr;
  long commas = 0, commasBeforePoint = 0;
  for (const char* q = first; q < last; ++q) {
    const unsigned digit = static_cast<unsigned char>(*q) - unsigned{'0'};
    if (digit <= 9) {
      whole = whole * 10 + digit;
    } else if (*q == '.' && point == nullptr) {
      point = q;
      commasBeforePoint = commas;
    } else if (*q == ',') {
      ++commas;
    } else {
      return std::nullopt;
    }
  }
  if ((last - first) - (point != nullptr ? 1 : 0) - commas == 0) return std::nullopt;
  const long decimals = point != nullptr ? (last - point - 1) - (commas - commasBeforePoint) : 0;
  // The digits as a whole number and the power of ten are both exact
  // doubles, so one division rounds as from_chars does (once, to nearest).
  const double value = static_cast<double>(whole) / detail::kTenPowers[decimals];
  return negative ? -value : value;
}

}  // namespace qh
