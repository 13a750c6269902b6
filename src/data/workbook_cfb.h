#pragma once
// The streams of an OLE compound file, the container of .xls workbooks.
#include <QByteArray>
#include <QStringView>
#include <optional>

namespace qh {

// The whole stream named name (compared without case) from the bytes of a
// compound file, from the regular or the mini stream. nullopt when the file
// is malformed or holds no such stream. Every sector chain is bounded by
// the file's own size, so a looping chain ends.
std::optional<QByteArray> ReadCompoundStream(const QByteArray& file, QStringView name);

// False when the file's allocation table or directory cannot be followed,
// or a directory entry declares a name longer than the 64 bytes an entry
// holds; such a file is refused before any other reader sees it.
bool CompoundDirectoryWellFormed(const QByteArray& file);

}  // namespace qh
