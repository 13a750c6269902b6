#pragma once
// The two pictures carried inside the program: the QR code of the About
// window and the hand cursor of the main window's clickable areas. The hex
// text itself is generated from assets/ at build time.
#include <QByteArray>
#include <QString>
#include <optional>

namespace qh {

// Byte lengths of the built-in assets; the build checks them against the
// generated text.
inline constexpr qint64 kQrImageBytes = 14117;
inline constexpr qint64 kHandCursorBytes = 326;

// The assets as upper-case hexadecimal text.
QString QrImageHex();
QString HandCursorHex();

// The decoded assets, straight from memory (no file involved).
std::optional<QByteArray> QrImageBytes();
std::optional<QByteArray> HandCursorBytes();

}  // namespace qh
