#include "app/settings.h"

namespace qh {

QString BuiltInUpdateUrl() { return QStringLiteral("http://update.qinghesoft.cn/Down/LumoChart.exe"); }

}  // namespace qh
