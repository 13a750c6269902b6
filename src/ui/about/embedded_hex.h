#pragma once
// Binary data carried as hexadecimal text: decoding and writing it to a file.
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

// Decodes hexText and writes it as folder/fileName, replacing an existing
// file completely. Returns the full path, or empty text when the text is
// wrong (nothing is written or deleted then) or the file cannot be written.
QString WriteHexFile(QStringView hexText, qint64 expectedBytes, const QString& fileName,
                     const QString& folder);

// Deletes path when it names an existing file; every error is ignored.
void DeleteFileQuietly(const QString& path);

}  // namespace qh
