#include "update/update_flow.h"

#include "update/download_update.h"
#include "update/remote_build.h"
#include "update/update_script.h"

namespace qh {

namespace {

const QString kLineBreak = QStringLiteral("\r\n");

// Wait cursor for the life of the object, restored on every way out.
class BusyScope {
 public:
  explicit BusyScope(const UpdateContext& context) : context_(context) {
    if (context_.showBusy) context_.showBusy();
  }
  ~BusyScope() {
    if (context_.showIdle) context_.showIdle();
  }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  const UpdateContext& context_;
};

// The window stays live during the check and the download, so the command
// can be given again; only one update may run, since every run writes the
// same files in the program folder.
class RunningGuard {
 public:
  RunningGuard() : acquired_(!running_) { running_ = true; }
  ~RunningGuard() {
    if (acquired_) running_ = false;
  }
  RunningGuard(const RunningGuard&) = delete;
  RunningGuard& operator=(const RunningGuard&) = delete;
  bool acquired() const { return acquired_; }

 private:
  static inline bool running_ = false;
  bool acquired_;
};

QString UpgradeQuestion(const QString& localText, qint32 remote) {
  return QStringLiteral("发现官网已经发布更新的版本,是否要升级到最新版?") + kLineBreak + kLineBreak +
         QStringLiteral("当前版本:") + localText + kLineBreak + QStringLiteral("最新版本:") +
         VersionText(remote);
}

// A system-wide install belongs to the package manager: replacing the
// program file behind its back would break the next package upgrade.
QString PackageManagedNotice(const QString& localText, qint32 remote) {
  return QStringLiteral("发现官网已经发布更新的版本.") + kLineBreak + kLineBreak +
         QStringLiteral("本程序由系统的软件包管理器安装,请用软件包管理器升级"
                        "(例如 sudo apt install ./qinghechart_*.deb).") +
         kLineBreak + kLineBreak + QStringLiteral("当前版本:") + localText + kLineBreak +
         QStringLiteral("最新版本:") + VersionText(remote);
}

// Downloads, writes the script and hands over to it; false when a message
// has already told the user why not.
bool InstallUpdate(UpdateContext& context) {
  QString errorText;
  QString newFile;
  {
    BusyScope busy(context);
    newFile = DownloadUpdate({.url = context.updateUrl, .appDir = context.appDir,
                              .stallTimeoutMs = context.stallTimeoutMs},
                             errorText);
  }
  if (newFile.isEmpty()) {
    context.messages.Show(QStringLiteral("下载失败:") + errorText, MessageIcon::Exclamation);
    return false;
  }
  const UpdatePaths paths = UpdatePathsFor(context.appDir, context.executablePath, NewFileName());
  QString scriptPath;
  if (!WriteUpdateScript(paths, scriptPath, errorText)) {
    context.messages.Show(QStringLiteral("无法替换为新版本:") + errorText, MessageIcon::Exclamation);
    return false;
  }
  context.messages.Show(QStringLiteral("更新已下载完成,程序将自动重启为新版本.") + kLineBreak + kLineBreak +
                            QStringLiteral("点击[确定]后程序将退出,随后自动启动新版本."),
                        MessageIcon::Information);
  if (context.runScript) {
    context.runScript(scriptPath);
  } else {
    RunUpdateScript(scriptPath);
  }
  return true;
}

}  // namespace

void CheckForUpdate(UpdateContext& context) {
  const RunningGuard guard;
  if (!guard.acquired()) return;

  RemoteBuild remote;
  {
    BusyScope busy(context);
    remote = RemoteBuildNumber(context.updateUrl, context.stallTimeoutMs);
  }
  if (!remote.ok) {
    context.messages.Show(QStringLiteral("无法检查最新版本,请稍后再试.") + kLineBreak + kLineBreak +
                              context.updateUrl,
                          MessageIcon::Exclamation);
    return;
  }
  const LocalVersion local = context.localVersion.value_or(RunningLocalVersion());
  if (remote.buildNumber <= local.buildNumber) {
    context.messages.Show(QStringLiteral("您现在使用的已经是最新版!"), MessageIcon::Information);
    return;
  }
  const QString localText = VersionTextOfDate(local.buildDate);
  if (context.packageManaged) {
    context.messages.Show(PackageManagedNotice(localText, remote.buildNumber),
                          MessageIcon::Information);
    return;
  }
  const MessageAnswer answer = context.messages.Show(UpgradeQuestion(localText, remote.buildNumber),
                                                     MessageIcon::Question, MessageButtons::YesNo);
  if (answer != MessageAnswer::Yes) return;
  if (InstallUpdate(context) && context.quitApplication) context.quitApplication();
}

}  // namespace qh
