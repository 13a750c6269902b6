#pragma once
// File routines the readers share.
#include <QByteArray>
#include <QString>

namespace qh {

// Lower-case extension without the dot; empty when the name has none (a dot
// in a folder name does not count, "a." has none).
QString FileExtension(const QString& path);

// The whole file; empty when it is missing, empty or unreadable.
QByteArray ReadAllBytes(const QString& path);

}  // namespace qh
