#pragma once
// The streams of an OLE compound file, the container of .xls workbooks.
#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>
#include <optional>

namespace qh {

// True when the bytes start with the compound file signature.
bool IsCompoundFile(QByteArrayView file);

// The whole stream named name (compared without case) from the bytes of a
// compound file, from the regular or the mini stream. nullopt when the file
// is malformed or holds no such stream. Every sector chain is bounded by
// the file's own size, so a looping chain ends and no stream is larger
// than the file.
std::optional<QByteArray> ReadCompoundStream(QByteArrayView file, QStringView name);

}  // namespace qh
