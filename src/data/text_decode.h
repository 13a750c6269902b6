#pragma once
// Text files as business systems write them: UTF-8, or, when the bytes are
// not valid UTF-8, the Chinese Windows code page 936 (GBK).
#include <QByteArrayView>
#include <QString>

namespace qh {

// Standard UTF-8: continuation bytes checked, four-byte sequences decoded,
// overlong forms, surrogates and code points above U+10FFFF refused. False
// (out unspecified) at the first invalid byte.
bool DecodeUtf8Strict(QByteArrayView bytes, QString& out);

// Code page 936. A byte that starts no character becomes one U+FFFD and
// never swallows the ASCII byte after it.
QString DecodeCodePage936(QByteArrayView bytes);

// UTF-8 when the bytes are valid UTF-8 (a literal U+FFFD included), else
// the whole text through code page 936.
QString DecodeFileText(QByteArrayView bytes);

}  // namespace qh
