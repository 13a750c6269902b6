#pragma once
// File names as the system gives them: bytes, not always UTF-8 (GBK names
// from unpacked Windows archives). A name travels through the program as a
// QString whose bytes that are no UTF-8 stand as the lone surrogates
// U+DC80..U+DCFF, one per byte, so it goes back to the system exactly; Qt's
// own conversion would turn such bytes into U+FFFD for good.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace qh {

// The name for bytes from the system (argv, readdir): UTF-8 decoded, every
// byte of an invalid sequence kept as U+DC00 + byte.
QString NameFromNative(QByteArrayView bytes);

// The bytes to hand the system (open, stat, rename) for a name: the exact
// bytes NameFromNative was given, UTF-8 for any other text.
QByteArray NativeName(const QString& name);

// The bytes to print for a name or a message holding one: the same as
// NativeName, so a terminal shows what ls shows.
inline QByteArray PrintableName(const QString& text) { return NativeName(text); }

}  // namespace qh
