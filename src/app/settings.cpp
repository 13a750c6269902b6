#include "app/settings.h"

#include "base/code_page.h"
#include "base/ini_file.h"
#include "base/text_utils.h"

#include <QSaveFile>
#include <QStringList>

namespace qh {

namespace {
constexpr int kDefaultMaxItems = 100000;
constexpr int kDefaultMaxPoints = 200000;
constexpr int kDefaultPageSize = 20;
}  // namespace

QString BuiltInUpdateUrl() {
  return QStringLiteral("http://update.qinghesoft.cn/Down/LumoChart.exe");
}

QString SettingsPath(const QString& appDir) {
  return appDir + QString::fromUtf8(kWindowTitle) + QStringLiteral(".ini");
}

QString DefaultSettingsText() {
  const QStringList lines = {
      QStringLiteral("; ") + QString::fromUtf8(kWindowTitle) + QStringLiteral(" 配置文件"),
      QStringLiteral("; 青禾软件有限公司"),
      QStringLiteral("; 本文件为 ANSI 编码,请用记事本另存为 ANSI 保存"),
      QString(),
      QStringLiteral("[Limits]"),
      QStringLiteral("; 安全上限,不是显示上限: 图形能显示多少项由窗口宽度自动决定"),
      QStringLiteral("; 数据超过显示能力时会弹出提示,只显示能显示的部分"),
      QStringLiteral("MaxItems=%1").arg(kDefaultMaxItems),
      QStringLiteral("; 同上,防止异常大的数据耗尽内存"),
      QStringLiteral("MaxPoints=%1").arg(kDefaultMaxPoints),
      QStringLiteral("; 柱形图 / 饼形图 每页显示项目数(超过则自动分页)"),
      QStringLiteral("PageSize=%1").arg(kDefaultPageSize),
      QString(),
      QStringLiteral("[Colors]"),
      QStringLiteral("; 曲线图线条颜色,格式 #RRGGBB"),
      QStringLiteral("LineColor=") + ColorToHex(kDefaultLineColor),
      QString(),
      QStringLiteral("[Update]"),
      QStringLiteral("; 升级检查与下载地址; 留空则使用内置地址"),
      QStringLiteral("Url=") + BuiltInUpdateUrl(),
      QString(),
      QStringLiteral("[Display]"),
      QStringLiteral("; 是否显示数值标签 1=显示 0=隐藏"),
      QStringLiteral("ShowValue=1"),
  };
  return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

bool WriteDefaultSettings(const QString& settingsPath) {
  return WriteAnsiFile(settingsPath, DefaultSettingsText());
}

void EnsureSettingsFile(const QString& settingsPath) {
  if (!FileExists(settingsPath)) WriteDefaultSettings(settingsPath);
}

bool WriteAnsiFile(const QString& path, const QString& text) {
  // Written beside the old file and renamed over it, so a failed write never
  // leaves the user without the old one.
  QSaveFile file(path);
  // A writable file in a folder we may not create files in is still written.
  file.setDirectWriteFallback(true);
  if (!file.open(QIODevice::WriteOnly)) return false;
  const QByteArray bytes = EncodeGbk(text);
  if (file.write(bytes) != bytes.size()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

Settings LoadSettings(const IniFile& ini) {
  using namespace settings_keys;
  Settings s;
  s.UpdateUrl = ini.IniRead(kUpdate, kUrl, BuiltInUpdateUrl());
  if (s.UpdateUrl.isEmpty()) s.UpdateUrl = BuiltInUpdateUrl();

  s.MaxItems = ini.IniReadInt(kLimits, kMaxItems, kDefaultMaxItems);
  s.MaxPoints = ini.IniReadInt(kLimits, kMaxPoints, kDefaultMaxPoints);
  s.PageSize = ini.IniReadInt(kLimits, kPageSize, kDefaultPageSize);
  // In this order: PageSize is held to the already corrected MaxItems.
  if (s.MaxItems < 60) s.MaxItems = kDefaultMaxItems;
  if (s.MaxPoints < 2000) s.MaxPoints = kDefaultMaxPoints;
  if (s.PageSize < 5) s.PageSize = kDefaultPageSize;
  if (s.PageSize > s.MaxItems) s.PageSize = s.MaxItems;

  s.LineColor = ParseColor(ini.IniRead(kColors, kLineColor, ColorToHex(kDefaultLineColor)),
                           kDefaultLineColor);
  s.ShowValue = ini.IniReadInt(kDisplay, kShowValue, 1) != 0;
  return s;
}

}  // namespace qh
