#include "data/source_loader.h"

namespace qh {

bool LoadSourceFile(const QString&, const LoadLimits&, ItemTable& table, DiagLog*) {
  table.Reset();
  return table.Fail(QStringLiteral("not built yet"), QString());
}

bool ParseManualInput(const QString&, const LoadLimits&, ItemTable& table) {
  table.Reset();
  return table.Fail(QStringLiteral("not built yet"), QString());
}

}  // namespace qh
