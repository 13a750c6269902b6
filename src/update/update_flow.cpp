#include "update/update_flow.h"

#include <QFile>
#include <QFileInfo>

#include "update/download_update.h"
#include "update/http_get.h"
#include "update/program_check.h"
#include "update/remote_build.h"

namespace qh {

namespace {

const QString kLineBreak = QStringLiteral("\r\n");
const QString kNoSignature = QStringLiteral("服务器上没有更新文件的签名,已放弃更新.");
const QString kBadSignature = QStringLiteral("更新文件的签名无效,已放弃更新.");
const QString kNotForThisComputer = QStringLiteral("下载的文件不是本机可以运行的程序,已放弃更新.");
const QString kDoesNotRun = QStringLiteral("新版本无法在本机启动,已放弃更新.");

QString Versions(const QString& localText, qint32 remote) {
  return QStringLiteral("当前版本:") + localText + kLineBreak + QStringLiteral("最新版本:") +
         VersionText(remote);
}

QString UpgradeQuestion(const QString& localText, qint32 remote) {
  return QStringLiteral("发现官网已经发布更新的版本,是否要升级到最新版?") + kLineBreak +
         kLineBreak + Versions(localText, remote);
}

// A system-wide install belongs to the package manager: replacing the
// program file behind its back would break the next package upgrade.
QString PackageManagedNotice(const QString& localText, qint32 remote) {
  return QStringLiteral("发现官网已经发布更新的版本.") + kLineBreak + kLineBreak +
         QStringLiteral(
             "本程序由系统的软件包管理器安装,请用软件包管理器升级"
             "(例如 sudo apt install ./qinghechart_*.deb).") +
         kLineBreak + kLineBreak + Versions(localText, remote);
}

// A build without the release key cannot tell a real update from a forged
// one, so the user fetches the new version by hand.
QString ManualDownloadNotice(const QString& url, const QString& localText, qint32 remote) {
  return QStringLiteral("发现官网已经发布更新的版本.") + kLineBreak + kLineBreak +
         QStringLiteral("这个版本不能自动安装更新,请从下载地址获取新版本:") + kLineBreak + url +
         kLineBreak + kLineBreak + Versions(localText, remote);
}

QString ReadyNotice() {
  return QStringLiteral("更新已下载完成,程序将自动重启为新版本.") + kLineBreak + kLineBreak +
         QStringLiteral("点击[确定]后程序将退出,随后自动启动新版本.");
}

// Finished helpers report from inside their own signals: they are deleted
// once control is back in the event loop.
template <typename T>
void Retire(std::unique_ptr<T>& object) {
  if (object) object.release()->deleteLater();
}

}  // namespace

UpdateFlow::UpdateFlow(UpdateContext context, QObject* parent)
    : QObject(parent), context_(std::move(context)) {
  if (context_.maxBytes <= 0) context_.maxBytes = kMaxDownloadBytes;
  if (context_.referenceProgram.isEmpty()) context_.referenceProgram = context_.executablePath;
}

UpdateFlow::~UpdateFlow() {
  // Quitting: stop everything, keep nothing, tell nobody.
  transfer_.reset();
  download_.reset();
  probe_.reset();
  if (!newFile_.isEmpty()) QFile::remove(newFile_);
  if (busy_ && context_.showIdle) context_.showIdle();
}

void UpdateFlow::Start() {
  if (running_) return;
  running_ = true;
  Busy(true);
  transfer_ = std::make_unique<HttpTransfer>(
      network_,
      HttpTransfer::Options{.url = context_.updateUrl, .stallTimeoutMs = context_.stallTimeoutMs},
      [this](const TransferEnd& end) { OnChecked(end); });
}

void UpdateFlow::OnChecked(const TransferEnd& end) {
  Retire(transfer_);
  Busy(false);
  const RemoteBuild remote =
      end.kind == TransferEnd::Complete ? RemoteBuildOfHeader(end.lastModified) : RemoteBuild{};
  if (!remote.ok) {
    context_.messages.Show(QStringLiteral("无法检查最新版本,请稍后再试.") + kLineBreak +
                               kLineBreak + context_.updateUrl,
                           MessageIcon::Exclamation);
    return Finish();
  }
  const LocalVersion local = context_.localVersion.value_or(RunningLocalVersion());
  if (remote.buildNumber <= local.buildNumber) {
    context_.messages.Show(QStringLiteral("您现在使用的已经是最新版!"), MessageIcon::Information);
    return Finish();
  }
  const QString localText = VersionTextOfDate(local.buildDate);
  if (context_.packageManaged) {
    context_.messages.Show(PackageManagedNotice(localText, remote.buildNumber),
                           MessageIcon::Information);
    return Finish();
  }
  if (DecodeUpdatePublicKey(context_.publicKey).isEmpty()) {
    context_.messages.Show(ManualDownloadNotice(context_.updateUrl, localText, remote.buildNumber),
                           MessageIcon::Information);
    return Finish();
  }
  const MessageAnswer answer = context_.messages.Show(
      UpgradeQuestion(localText, remote.buildNumber), MessageIcon::Question, MessageButtons::YesNo);
  if (answer != MessageAnswer::Yes) return Finish();

  Busy(true);
  download_ = std::make_unique<ProgramDownload>(
      network_,
      DownloadRequest{.url = context_.updateUrl,
                      .appDir = context_.appDir,
                      .stallTimeoutMs = context_.stallTimeoutMs,
                      .maxBytes = context_.maxBytes},
      [this](const DownloadResult& result) { OnDownloaded(result); });
}

void UpdateFlow::OnDownloaded(const DownloadResult& result) {
  Retire(download_);
  if (!result.error.isEmpty()) return Refuse(result.error);
  newFile_ = result.path;
  digest_ = result.digest;
  signature_.clear();
  transfer_ = std::make_unique<HttpTransfer>(
      network_,
      HttpTransfer::Options{.url = context_.updateUrl + QStringLiteral(".sig"),
                            .maxBytes = kMaxSignatureBytes,
                            .stallTimeoutMs = context_.stallTimeoutMs,
                            .sink =
                                [this](QByteArrayView bytes) {
                                  signature_.append(bytes);
                                  return true;
                                }},
      [this](const TransferEnd& end) { OnSignature(end); });
}

void UpdateFlow::OnSignature(const TransferEnd& end) {
  Retire(transfer_);
  if (end.kind == TransferEnd::HttpError && (end.status == 404 || end.status == 410))
    return Refuse(kNoSignature);
  // Whatever is far longer than a signature is none.
  if (end.kind == TransferEnd::TooLarge) return Refuse(kBadSignature);
  if (end.kind != TransferEnd::Complete) return Refuse(TransferProblem(end));
  const QByteArray signature = DecodeUpdateSignature(signature_);
  if (!VerifyUpdateSignature(digest_, signature, DecodeUpdatePublicKey(context_.publicKey)))
    return Refuse(kBadSignature);
  if (!MatchesRunningProgram(ProgramHead(newFile_), QFileInfo(newFile_).size(),
                             ProgramHead(context_.referenceProgram)))
    return Refuse(kNotForThisComputer);
  QFile::setPermissions(
      newFile_, QFile::permissions(newFile_) | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
  probe_ = std::make_unique<VersionProbe>(newFile_, context_.versionTimeoutMs,
                                          [this](bool ran) { OnProbed(ran); });
}

void UpdateFlow::OnProbed(bool ran) {
  Retire(probe_);
  if (!ran) return Refuse(kDoesNotRun);
  Install();
}

void UpdateFlow::Install() {
  Busy(false);
  const UpdatePaths paths =
      UpdatePathsFor(context_.appDir, context_.executablePath, QFileInfo(newFile_).fileName());
  QString scriptPath;
  QString errorText;
  if (!WriteUpdateScript(paths, context_.windowTitle, scriptPath, errorText,
                         context_.scriptTiming)) {
    QFile::remove(newFile_);
    newFile_.clear();
    context_.messages.Show(QStringLiteral("无法替换为新版本:") + errorText,
                           MessageIcon::Exclamation);
    return Finish();
  }
  context_.messages.Show(ReadyNotice(), MessageIcon::Information);
  newFile_.clear();  // the script's now
  if (context_.runScript) {
    context_.runScript(scriptPath);
  } else {
    RunUpdateScript(scriptPath);
  }
  Finish();
  if (context_.quitApplication) context_.quitApplication();
}

void UpdateFlow::Refuse(const QString& reason) {
  Busy(false);
  if (!newFile_.isEmpty()) QFile::remove(newFile_);
  newFile_.clear();
  context_.messages.Show(QStringLiteral("下载失败:") + reason, MessageIcon::Exclamation);
  Finish();
}

void UpdateFlow::Finish() {
  running_ = false;
  emit finished();
}

void UpdateFlow::Busy(bool on) {
  if (busy_ == on) return;
  busy_ = on;
  const auto& change = on ? context_.showBusy : context_.showIdle;
  if (change) change();
}

}  // namespace qh
