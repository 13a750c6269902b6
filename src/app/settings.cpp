#include "app/settings.h"

#include "base/code_page.h"
#include "base/ini_file.h"
#include "base/text_utils.h"

#include "base/diag_log.h"
#include "base/user_messages.h"
#include "data/load_limits.h"

#include <cerrno>
#include <memory>
#include <QStringList>
#include <QSysInfo>

namespace qh {

namespace {
constexpr int kDefaultMaxItems = LoadLimits::kDefaultMaxItems;
// Every settings file written before the limit was applied holds this
// value, which then bound nothing; it reads as today's default so that
// those files keep admitting the tables they always admitted.
constexpr int kUnappliedMaxItems = 100000;
constexpr int kDefaultMaxPoints = 200000;
constexpr int kDefaultPageSize = 20;

// How to keep the file's encoding when editing it, in the words of the
// system's own editors.
QString EncodingNote() {
#if defined(Q_OS_WIN)
  return QStringLiteral("; 本文件为 ANSI 编码,请用记事本另存为 ANSI 保存");
#else
  return QStringLiteral("; 本文件为 GBK 编码,请用文本编辑器按 GBK (GB18030) 编码保存");
#endif
}

// The default address written by earlier builds.
constexpr char kFormerBuiltInUpdateUrl[] = "http://update.qinghesoft.cn/Down/LumoChart.exe";

}  // namespace

QString BuiltInUpdateUrl() {
#if defined(Q_OS_WIN)
  return QStringLiteral("http://update.qinghesoft.cn/Down/LumoChart.exe");
#else
  // Each Linux build fetches its own platform's program, over https.
  return QStringLiteral("https://update.qinghesoft.cn/Down/linux-") +
         QSysInfo::buildCpuArchitecture() + QStringLiteral("/qinghechart");
#endif
}

QString SettingsPath(const QString& appDir) {
  return appDir + QString::fromUtf8(kWindowTitle) + QStringLiteral(".ini");
}

QString DefaultSettingsText() {
  const QStringList lines = {
      QStringLiteral("; ") + QString::fromUtf8(kWindowTitle) + QStringLiteral(" 配置文件"),
      QStringLiteral("; 青禾软件有限公司"),
      EncodingNote(),
      QString(),
      QStringLiteral("[Limits]"),
      QStringLiteral("; 安全上限,不是显示上限: 图形能显示多少项由窗口宽度自动决定"),
      QStringLiteral("; 数据超过显示能力时会弹出提示,只显示能显示的部分"),
      QStringLiteral("; 数据源超过 MaxItems 项, 或文件大于 MaxItems 的 %1 倍字节 (至少 %2 MB), "
                     "则拒绝读取, 防止异常大的数据耗尽内存")
          .arg(LoadLimits::kBytesPerItem)
          .arg(LoadLimits::kMinBytes / 1000000),
      QStringLiteral("MaxItems=%1").arg(kDefaultMaxItems),
      QStringLiteral("; 保留项, 目前不起作用"),
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

SaveResult WriteDefaultSettings(const QString& settingsPath) {
  return WriteAnsiFile(settingsPath, DefaultSettingsText());
}

void EnsureSettingsFile(const QString& settingsPath) {
  if (!FileExists(settingsPath)) WriteDefaultSettings(settingsPath);
}

SaveResult WriteAnsiFile(const QString& path, const QString& text) {
  return SaveFile(path, EncodeGbk(text));
}

Settings LoadSettings(const IniFile& ini) {
  using namespace settings_keys;
  Settings s;
  s.UpdateUrl = ini.IniRead(kUpdate, kUrl, BuiltInUpdateUrl());
  // Empty, or the address earlier builds wrote as their default (plain http,
  // the Windows file): this build's own. An address the user wrote is kept.
  if (s.UpdateUrl.isEmpty() || s.UpdateUrl == QLatin1String(kFormerBuiltInUpdateUrl))
    s.UpdateUrl = BuiltInUpdateUrl();

  s.MaxItems = ini.IniReadInt(kLimits, kMaxItems, kDefaultMaxItems);
  s.MaxPoints = ini.IniReadInt(kLimits, kMaxPoints, kDefaultMaxPoints);
  s.PageSize = ini.IniReadInt(kLimits, kPageSize, kDefaultPageSize);
  // In this order: PageSize is held to the already corrected MaxItems.
  if (s.MaxItems < 60 || s.MaxItems == kUnappliedMaxItems) s.MaxItems = kDefaultMaxItems;
  if (s.MaxPoints < 2000) s.MaxPoints = kDefaultMaxPoints;
  if (s.PageSize < 5) s.PageSize = kDefaultPageSize;
  if (s.PageSize > s.MaxItems) s.PageSize = s.MaxItems;

  s.LineColor = ParseColor(ini.IniRead(kColors, kLineColor, ColorToHex(kDefaultLineColor)),
                           kDefaultLineColor);
  s.ShowValue = ini.IniReadInt(kDisplay, kShowValue, 1) != 0;
  return s;
}

QString SettingsTooLargeLogLine(const IniFile& file) {
  return QStringLiteral("settings=SKIP size=%1 over %2 bytes, defaults used: ")
             .arg(file.FileSize())
             .arg(IniFile::kMaxFileBytes) +
         file.Path();
}

QString SettingsSkippedLogLine(const IniFile& file) {
  switch (file.State()) {
    case IniFile::FileState::TooLarge: return SettingsTooLargeLogLine(file);
    case IniFile::FileState::NotAFile:
      return QStringLiteral("settings=SKIP not a regular file, defaults used: ") + file.Path();
    default: return {};
  }
}

QString SettingsSaveFailureLogLine(const QString& path, const QString& reason) {
  return QStringLiteral("settings save FAIL ") + reason + u' ' + path;
}

QString SettingsSaveFailureText(const QString& path, const SaveResult& result) {
  // Free space and permissions help only when the system refused the write.
  QString hint;
  if (result.Error == EFBIG) {
    hint = QStringLiteral(
        "本次的更改只在程序关闭前有效.设置文件不能大于 1 MB:请删去其中不需要的行,"
        "或删除该文件让程序重新创建.");
  } else if (result.Error == 0) {
    hint = QStringLiteral(
        "本次的更改只在程序关闭前有效.请把该路径换成普通的设置文件,"
        "或删除它让程序重新创建.");
  } else {
    hint = QStringLiteral(
        "本次的更改只在程序关闭前有效.请腾出磁盘空间或检查该文件"
        "和文件夹的写入权限.");
  }
  return ReasonAndHint(
      QStringLiteral("设置未能保存:\r\n") + path + QStringLiteral("\r\n") + result.Reason, hint);
}

void ReportSettingsFailures(IniFile& file, DiagLog& log, UserMessages& messages) {
  // Told once per run: every later click would otherwise bring the box back.
  auto shown = std::make_shared<bool>(false);
  file.SetFailureHandler([&log, &messages, shown](const IniFile& f, const SaveResult& result) {
    log.WriteLog(SettingsSaveFailureLogLine(f.Path(), result.Reason));
    log.Flush();
    if (*shown) return;
    *shown = true;
    messages.Show(SettingsSaveFailureText(f.Path(), result), MessageIcon::Exclamation);
  });
}

}  // namespace qh
