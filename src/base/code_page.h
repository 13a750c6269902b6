#pragma once
// Code page 936 (GBK), the "system ANSI code page" of the files we share with
// Windows users: the settings file, the log and the update script are written
// in it, and text files that are not valid UTF-8 are read through it.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace qh {

// Decodes GBK bytes; an invalid byte becomes one U+FFFD and never swallows
// the ASCII byte after it.
QString DecodeGbk(QByteArrayView bytes);

// Encodes text as GBK; characters GBK lacks become "?".
QByteArray EncodeGbk(QStringView text);

}  // namespace qh
