#pragma once
// The text a worksheet cell contributes to a data line: numbers written the
// way the spreadsheet's General format shows them, then spaces removed.
#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>

namespace qh {

enum class CellKind : std::uint8_t { Empty, Number, Text, Boolean, Error };

// Appends the text of a cell to out: whole numbers below 10^15 in magnitude
// as plain digits, other numbers with at most 15 significant digits (1E+20,
// 0.1), TRUE as -1 and FALSE as 0, texts that read as numbers (1,234) as
// those numbers, error values empty; the text holds no spaces. number is
// the Number, or the Boolean (non-zero is TRUE); text the Text.
void AppendCellText(QString& out, CellKind kind, double number, QStringView text);

// The text AppendCellText gives a Number, written at out (room for
// kNumberTextRoom bytes); returns its end.
constexpr int kNumberTextRoom = 64;
char* WriteNumberText(char* out, double number);

// The number a cell text stands for: optional sign, digits that may carry
// thousands commas, an optional fraction and exponent; spaces are ignored.
std::optional<double> NumberFromCellText(QStringView text);

}  // namespace qh
