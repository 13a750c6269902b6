// A file named .xls or .xlsx, whatever it holds: the content dispatch and
// every reader it can choose, from bytes, with the diagnostic log on.
#include "base/diag_log.h"
#include "data/source_loader.h"
#include "fuzz_support.h"

#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One run's lines at a time.
  static const QString logPath = qh::fuzz::ScratchDir() + QStringLiteral("/trace.log");
  QFile::remove(logPath);
  qh::DiagLog log(logPath);
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  for (const char* ext : {"xls", "xlsx"}) {
    qh::ItemTable table;
    const bool ok = qh::LoadSourceBytes(bytes, QLatin1String(ext), QStringLiteral("fuzz"),
                                        qh::LoadLimits{}, table, &log);
    qh::fuzz::CheckLoaderResult(ok, table);
  }
  return 0;
}
