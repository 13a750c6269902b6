#pragma once
// Binary data carried as hexadecimal text.
#include <QByteArray>
#include <QString>
#include <QStringView>
#include <optional>

namespace qh {

// 0 to 15 for the digits 0-9, A-F and a-f; -1 for anything else.
int HexDigitValue(QChar c);

// The bytes of hexText (two digits per byte, high digit first) when it holds
// exactly expectedBytes bytes (an odd trailing digit is ignored) and every
// digit is valid; nothing otherwise.
std::optional<QByteArray> DecodeHex(QStringView hexText, qint64 expectedBytes);

}  // namespace qh
