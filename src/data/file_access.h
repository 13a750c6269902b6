#pragma once
// File routines the readers share. Names are taken as the system's bytes
// (base/native_name.h), so a name that is no UTF-8 still opens.
#include <QByteArray>
#include <QString>

namespace qh {

// Lower-case extension without the dot; empty when the name has none (a dot
// in a folder name does not count, "a." has none).
QString FileExtension(const QString& path);

// What a name leads to, before anything is read. A stream is anything read
// from start to end without a size: a FIFO, <(...), /dev/stdin, a socket.
enum class FileKind { Missing, Regular, Folder, Stream };
FileKind KindOfFile(const QString& path);

enum class ReadResult { Ok, Missing, Folder, TooLarge, Unreadable };

// The whole file, never more than maxBytes: a regular file larger than that
// is refused by its size before a byte is read, a stream once it has given
// one byte more.
ReadResult ReadFileBytes(const QString& path, qint64 maxBytes, QByteArray& bytes);

// The same for an open descriptor (standard input), read to its end.
ReadResult ReadStreamBytes(int fd, qint64 maxBytes, QByteArray& bytes);

// Reads into to until size bytes are in or the file ends, through
// interruptions: from offset when it is not negative, else from where the
// descriptor stands. The count read; -1 on an error.
qint64 ReadInto(int fd, char* to, qint64 size, qint64 offset = -1);

// The whole file; empty when it is missing, empty or unreadable.
QByteArray ReadAllBytes(const QString& path);

}  // namespace qh
