#include "data/load_limits.h"

namespace qh {

namespace {

const QString kBreak = QStringLiteral("\r\n\r\n");

QString RaiseAdvice() {
  return QStringLiteral("如确需读取更大的数据,请在配置文件 [Limits] 中调大 MaxItems 后重试.");
}

}  // namespace

bool FailOverItemLimit(const LoadLimits& limits, ItemTable& table) {
  return table.Fail(QStringLiteral("数据源超过 %1 项的安全上限,无法读取.").arg(limits.MaxItems),
                    QStringLiteral("安全上限由配置文件 [Limits] 中的 MaxItems 设定 (现为 %1 项).")
                            .arg(limits.MaxItems) +
                        kBreak + RaiseAdvice());
}

bool FailOverByteLimit(const LoadLimits& limits, ItemTable& table) {
  return table.Fail(
      QStringLiteral("数据源文件大于 %1 MB 的安全上限,无法读取.").arg(limits.MaxBytes() / 1000000),
      QStringLiteral("文件大小的上限是配置文件 [Limits] 中 MaxItems (现为 %1 项) 的 %2 倍字节, "
                     "至少 %3 MB.")
              .arg(limits.MaxItems)
              .arg(LoadLimits::kBytesPerItem)
              .arg(LoadLimits::kMinBytes / 1000000) +
          kBreak + RaiseAdvice());
}

}  // namespace qh
