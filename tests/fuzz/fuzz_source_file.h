#pragma once
// One reader target: the input becomes a file with the given extension,
// LoadSourceFile picks the reader, the result must keep the table promises.
// The diagnostic log is on, so the trace lines are built from hostile text too.
#include "base/diag_log.h"
#include "data/source_loader.h"
#include "fuzz_support.h"

#include <QFile>

namespace qh::fuzz {

inline int LoadAndCheck(const uint8_t* data, size_t size, const char* extension) {
  // One run's lines at a time.
  static const QString logPath = ScratchDir() + QStringLiteral("/trace.log");
  QFile::remove(logPath);
  DiagLog log(logPath);
  const QString path = WriteInput(data, size, extension);
  ItemTable table;
  const bool ok = LoadSourceFile(path, LoadLimits{}, table, &log);
  CheckLoaderResult(ok, table);
  return 0;
}

}  // namespace qh::fuzz

#define QH_SOURCE_FILE_FUZZER(extension)                                    \
  extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { \
    return qh::fuzz::LoadAndCheck(data, size, extension);                   \
  }
