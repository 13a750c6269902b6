#include "app/startup.h"

#include "app/command_line.h"
#include "app/data_folder.h"
#include "base/ini_file.h"
#include "base/save_file.h"
#include "base/text_utils.h"
#include "base/user_messages.h"
#include "data/source_loader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

namespace qh {

namespace {

QString WithTrailingSlash(QString dir) {
  if (!dir.endsWith(u'/') && !dir.endsWith(u'\\')) dir += u'/';
  return dir;
}

void LoadCommandLineFile(AppState& state, const QString& path, UserMessages& messages) {
  state.Table.SourcePath = path;
  const LoadLimits limits{state.Config.MaxItems};
  if (LoadSourceFile(path, limits, state.Table, &state.Log)) {
    state.Log.WriteStartupLog(QStringLiteral("parse=OK items=%1").arg(state.Table.ItemCount()));
    return;
  }
  state.Log.WriteStartupLog(QStringLiteral("parse=FAIL ") + state.Table.LastError);
  // The refusal is in the file before the user reads it.
  state.Log.Flush();
  messages.Show(ReasonAndHint(state.Table.LastError, state.Table.LastHint),
                MessageIcon::Exclamation);
}

// A program whose folder takes no new file keeps its settings in the
// user's folder; a settings file beside the program is where they start.
void CarrySettingsFile(const QString& besideProgram, const QString& inDataFolder) {
  if (besideProgram == inDataFolder || FileExists(inDataFolder) || !FileExists(besideProgram))
    return;
  QFile file(besideProgram);
  if (file.size() > IniFile::kMaxFileBytes || !file.open(QIODevice::ReadOnly)) return;
  SaveFile(inDataFolder, file.readAll());
}

// What the user can do about a folder the program cannot read itself from,
// in the words of the system's own file manager and shell.
QStringList FolderRemedies() {
#if defined(Q_OS_WIN)
  return {
      QStringLiteral("1. 右键该文件夹 -> 属性 -> 安全,授予当前用户完全控制后重试;"),
      QStringLiteral("2. 把本程序复制到桌面或我的文档等普通文件夹后再运行;"),
      QStringLiteral("3. 若程序刚下载,右键程序 -> 属性,勾选解除锁定后重试."),
  };
#else
  return {
      QStringLiteral("1. 在终端执行 chmod u+rwx 加该文件夹路径,给当前用户读写权限后重试;"),
      QStringLiteral("2. 把本程序复制到主文件夹(~)下的普通文件夹后再运行;"),
      QStringLiteral("3. 若程序刚下载,在终端执行 chmod +x 加程序路径,给它执行权限后重试."),
  };
#endif
}

}  // namespace

StartupResult RunStartup(AppState& state, const StartupEnvironment& env, UserMessages& messages) {
  LogFlushGuard flushOnReturn(&state.Log);

  state.AppDir = WithTrailingSlash(env.AppDir);
  state.DataDir = env.DataDir.isEmpty() ? state.AppDir : WithTrailingSlash(env.DataDir);
  state.Log.StartRun(state.DataDir + QStringLiteral("qzChart.log"));

  state.ScreenDpi = GetScreenDpi(env.LogicalDpi);
  state.Work = env.Work;

  state.SettingsPath = SettingsPath(state.DataDir);
  RemoveStaleSaveTemps(state.SettingsPath);
  CarrySettingsFile(SettingsPath(state.AppDir), state.SettingsPath);
  EnsureSettingsFile(state.SettingsPath);
  state.SettingsFile = IniFile(state.SettingsPath);
  state.Config = LoadSettings(state.SettingsFile);
  state.Labels = LoadLabelOptions(state.SettingsFile);

  const QString path = CommandLinePath(ArgumentTextFromArgs(env.Arguments));
  state.Log.WriteStartupLog(QStringLiteral("src=") + path);
  state.Log.WriteStartupLog(QStringLiteral("gdiplus startup=%1").arg(env.GraphicsStatus));
  if (const QString skipped = SettingsSkippedLogLine(state.SettingsFile); !skipped.isEmpty())
    state.Log.WriteStartupLog(skipped);
  if (env.GraphicsStatus != 0) {
    state.Log.Flush();
    messages.Show(GraphicsFailureText(env.GraphicsStatus), MessageIcon::Critical);
    return {false, kExitGraphicsFailed};
  }

  if (path.isEmpty()) {
    state.Log.WriteStartupLog(QStringLiteral("parse=SKIP no argument"));
  } else {
    LoadCommandLineFile(state, path, messages);
  }
  return {true, kExitOk};
}

QString AppDir() {
  QString dir;
  if (QCoreApplication::instance()) {
    dir = QCoreApplication::applicationDirPath();
  } else {
    // Before the application object exists Qt cannot tell; Linux can.
    const QFileInfo exe(QStringLiteral("/proc/self/exe"));
    dir = exe.exists() ? QFileInfo(exe.canonicalFilePath()).absolutePath() : QDir::currentPath();
  }
  return WithTrailingSlash(dir);
}

int GetScreenDpi(int logicalDpi) { return logicalDpi < 96 ? 96 : logicalDpi; }

StartupEnvironment PlatformEnvironment(const QStringList& arguments, int graphicsStatus) {
  StartupEnvironment env;
  env.AppDir = AppDir();
  env.DataDir = DataFolderFor(env.AppDir, UserConfigFolder());
  env.Arguments = arguments;
  env.GraphicsStatus = graphicsStatus;
  const QScreen* screen = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                              ? QGuiApplication::primaryScreen()
                              : nullptr;
  if (screen) {
    env.LogicalDpi = qRound(screen->logicalDotsPerInchX());
    const QRect area = screen->availableGeometry();
    env.Work = {area.left(), area.top(), area.width(), area.height()};
  }
  return env;
}

void DeleteTempFiles(const QString& appDir) {
  const QString dir = WithTrailingSlash(appDir);
  for (const char* name : {"~qzqr.jpg", "~qzhand.cur"}) {
    const QString path = dir + QString::fromLatin1(name);
    if (QFileInfo::exists(path)) QFile::remove(path);
  }
}

QString GraphicsFailureText(int status) {
#if defined(Q_OS_WIN)
  return QStringLiteral("GDI+ 初始化失败(错误码 %1),无法生成图表.").arg(status) +
         QStringLiteral("\r\n请确认系统目录下存在 gdiplus.dll.");
#else
  return QStringLiteral("图形界面无法启动(错误码 %1),无法生成图表.").arg(status) +
         QStringLiteral(
             "\r\n请在桌面会话 (Wayland 或 X11) 中运行本程序,"
             "或用 qinghechart-cli 把图表画到文件.");
#endif
}

QString WindowFailureLogLine(int errorNumber, const QString& description) {
  return QStringLiteral("formload FAIL err=%1 ").arg(errorNumber) + description;
}

QString WindowFailureText(int errorNumber, const QString& description, const QString& appDir) {
  const QString cannotStart = QString::fromUtf8(kWindowTitle) + QStringLiteral("无法启动.");
  if (errorNumber == kPictureLoadError) {
    const QStringList lines =
        QStringList{
            cannotStart,
            QString(),
            QStringLiteral("原因:程序所在文件夹的访问权限受限,导致系统无法读取程序自身"
                           "内嵌的界面图标资源.(错误码 481)"),
            QString(),
            QStringLiteral("处理方法(任选一种):"),
        } +
        FolderRemedies() + QStringList{QString(), QStringLiteral("程序所在文件夹:"), appDir};
    return lines.join(QStringLiteral("\r\n"));
  }
  return cannotStart + QStringLiteral("\r\n\r\n错误码:%1\r\n").arg(errorNumber) + description +
         QStringLiteral("\r\n\r\n程序所在文件夹:\r\n") + appDir;
}

int HandleWindowFailure(AppState& state, int errorNumber, const QString& description,
                        UserMessages& messages) {
  state.Log.WriteStartupLog(WindowFailureLogLine(errorNumber, description));
  state.Log.Flush();
  DeleteTempFiles(state.DataDir);
  messages.Show(WindowFailureText(errorNumber, description, state.AppDir), MessageIcon::Critical);
  return kExitWindowFailed;
}

int FinishRun(AppState& state) {
  DeleteTempFiles(state.DataDir);
  state.Log.Flush();
  return kExitOk;
}

}  // namespace qh
