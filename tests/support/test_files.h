#pragma once
// Whole-file helpers for tests that check bytes on disk.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

namespace qh::test {

inline QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
  file.write(bytes);
}

}  // namespace qh::test
