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

// The fast road for the common cell, ASCII text that is an optional sign,
// digits and at most one point, nothing else but ASCII commas, which are
// dropped wherever they stand: the value ReadValue gives it. nullopt for
// any other text, which is left to ReadValue.
std::optional<double> ReadPlainDecimal(std::string_view text);

}  // namespace qh
