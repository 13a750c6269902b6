#pragma once
// Shared pieces of the fuzz targets: the input as a file with a chosen
// extension on a memory file system, and the loader result checks.
#include <QByteArray>
#include <QString>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "data/item_table.h"

namespace qh::fuzz {

// Stops the run with a message libFuzzer keeps next to the crash input.
[[noreturn]] inline void Violation(const char* what, const QString& detail = QString()) {
  std::fprintf(stderr, "invariant violated: %s %s\n", what, detail.toUtf8().constData());
  std::abort();
}

// A directory of this process under /dev/shm (a tmpfs), falling back to
// /tmp, so millions of runs do not wear a disk.
inline const QString& ScratchDir() {
  static const QString dir = [] {
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    QString d = QStringLiteral("%1/qh-fuzz-%2").arg(QLatin1String(base)).arg(getpid());
    const std::string native = d.toStdString();
    if (mkdir(native.c_str(), 0700) != 0 && errno != EEXIST) Violation("cannot create", d);
    return d;
  }();
  return dir;
}

// Writes the bytes to ScratchDir()/input.<extension> and returns the path.
inline QString WriteInput(const uint8_t* data, size_t size, const char* extension) {
  const QString path = ScratchDir() + QStringLiteral("/input.") + QLatin1String(extension);
  const std::string native = path.toStdString();
  FILE* file = std::fopen(native.c_str(), "wb");
  if (!file) Violation("cannot write", path);
  if (size > 0 && std::fwrite(data, 1, size, file) != size) Violation("short write", path);
  std::fclose(file);
  return path;
}

// What every loader promises about the table it hands back.
inline void CheckLoaderResult(bool ok, const ItemTable& table) {
  if (ok) {
    if (table.ItemCount() < 2) Violation("success with fewer than two items");
    if (!table.LastError.isEmpty()) Violation("success with an error text", table.LastError);
    for (const ItemRef item : table.Items) {
      if (!std::isfinite(item.Value)) Violation("non-finite value for", item.Name.toString());
    }
  } else {
    if (table.ItemCount() != 0) Violation("failure left rows in the table");
    if (table.LastError.isEmpty()) Violation("failure without an error text");
  }
}

}  // namespace qh::fuzz
