#include "update/update_flow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include "update/download_update.h"
#include "update/http_get.h"
#include "update/program_check.h"
#include "update/remote_build.h"

namespace qh {

namespace {

const QString kLineBreak = QStringLiteral("\r\n");
const QString kCannotCheck = QStringLiteral("无法检查最新版本,请稍后再试.");
const QString kCannotCheckBecause = QStringLiteral("无法检查最新版本:");
const QString kUnreadableDate = QStringLiteral("服务器给出的更新文件日期无法识别.");
const QString kUpToDate = QStringLiteral("您现在使用的已经是最新版!");
const QString kDownloadFailed = QStringLiteral("下载失败:");
const QString kNoSignature = QStringLiteral("服务器上没有更新文件的签名,已放弃更新.");
const QString kBadSignature = QStringLiteral("更新文件的签名无效,已放弃更新.");
const QString kUnreadableStatement = QStringLiteral("更新文件的签名声明无法识别,已放弃更新.");
const QString kNotForUs = QStringLiteral("服务器上的更新文件不是给本程序的,已放弃更新.");
const QString kExpired = QStringLiteral("无法确认最新版本的签名是否有效,已放弃更新.");
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

QString GetItYourself(const QString& url) {
  return QStringLiteral("请从下载地址获取新版本:") + kLineBreak + url;
}

// A build without the release key cannot tell a real update from a forged
// one, so the user fetches the new version by hand.
QString ManualDownloadNotice(const QString& url, const QString& localText, qint32 remote) {
  return QStringLiteral("发现官网已经发布更新的版本.") + kLineBreak + kLineBreak +
         QStringLiteral("这个版本不能自动安装更新,请从下载地址获取新版本:") + kLineBreak + url +
         kLineBreak + kLineBreak + Versions(localText, remote);
}

QString ExpiredText(const QDate& expires) {
  return kExpired + kLineBreak + kLineBreak +
         QStringLiteral("签名声明已于 %1 过期,请稍后再试.").arg(expires.toString(Qt::ISODate));
}

QString WrongVersionText(const QString& reported, qint32 signedBuild) {
  return QStringLiteral("新版本报告的版本号(%1)与签名声明的版本号(%2)不符,已放弃更新.")
      .arg(reported, VersionText(signedBuild));
}

QString ReadyNotice() {
  return QStringLiteral("更新已下载完成,程序将自动重启为新版本.") + kLineBreak + kLineBreak +
         QStringLiteral("点击[确定]后程序将退出,随后自动启动新版本.");
}

QDate TodayInChina() { return QDateTime::currentDateTimeUtc().addSecs(8 * 3600).date(); }

// Finished helpers report from inside their own signals: they are deleted
// once control is back in the event loop.
template <typename T>
void Retire(std::unique_ptr<T>& object) {
  if (object) object.release()->deleteLater();
}

}  // namespace

QString StatementUrl(const QString& updateUrl) {
  QUrl url(updateUrl, QUrl::TolerantMode);
  url.setPath(url.path(QUrl::FullyEncoded) + QStringLiteral(".minisig"), QUrl::TolerantMode);
  return url.toString(QUrl::FullyEncoded);
}

UpdateFlow::UpdateFlow(UpdateContext context, QObject* parent)
    : QObject(parent), context_(std::move(context)) {
  if (context_.MaxBytes <= 0) context_.MaxBytes = kMaxDownloadBytes;
  if (context_.ReferenceProgram.isEmpty()) context_.ReferenceProgram = context_.ExecutablePath;
}

UpdateFlow::~UpdateFlow() {
  // Quitting: stop everything, keep nothing, tell nobody.
  transfer_.reset();
  download_.reset();
  probe_.reset();
  privateFolder_.reset();
  if (busy_ && context_.ShowIdle) context_.ShowIdle();
}

int UpdateFlow::RemainingMs() const { return int(qMax<qint64>(1, deadline_.remainingTime())); }

void UpdateFlow::Start() {
  if (running_) return;
  running_ = true;
  local_ = context_.LocalVersion.value_or(RunningLocalVersion());
  deadline_.setRemainingTime(context_.DeadlineMs);
  Busy(true);
  transfer_ = std::make_unique<HttpTransfer>(
      network_,
      HttpTransfer::Options{.Url = context_.UpdateUrl,
                            .StallTimeoutMs = context_.StallTimeoutMs,
                            .DeadlineMs = RemainingMs()},
      [this](const TransferEnd& end) { OnChecked(end); });
}

void UpdateFlow::OnChecked(const TransferEnd& end) {
  Retire(transfer_);
  const QString address = kLineBreak + kLineBreak + context_.UpdateUrl;
  const bool named = end.Kind == TransferEnd::Refused || end.Kind == TransferEnd::TlsFailed ||
                     end.Kind == TransferEnd::TooManyRedirects;
  if (named)
    return Tell(kCannotCheckBecause + TransferProblem(end) + address, MessageIcon::Exclamation);
  const RemoteBuild remote =
      end.Kind == TransferEnd::Complete ? RemoteBuildOfHeader(end.LastModified) : RemoteBuild{};
  if (remote.Unreadable)
    return Tell(kCannotCheckBecause + kUnreadableDate + address, MessageIcon::Exclamation);
  if (!remote.Ok) return Tell(kCannotCheck + address, MessageIcon::Exclamation);
  if (remote.BuildNumber <= local_.BuildNumber) return Tell(kUpToDate, MessageIcon::Information);
  remoteBuild_ = remote.BuildNumber;
  const QString localText = VersionTextOfDate(local_.BuildDate);
  if (context_.PackageManaged)
    return Tell(PackageManagedNotice(localText, remoteBuild_), MessageIcon::Information);
  if (!ParseMinisignPublicKey(context_.PublicKey).valid())
    return Tell(ManualDownloadNotice(context_.UpdateUrl, localText, remoteBuild_),
                MessageIcon::Information);
  FetchStatement();
}

void UpdateFlow::FetchStatement() {
  statementBytes_.clear();
  transfer_ = std::make_unique<HttpTransfer>(
      network_,
      HttpTransfer::Options{.Url = StatementUrl(context_.UpdateUrl),
                            .MaxBytes = kMaxMinisigBytes,
                            .StallTimeoutMs = context_.StallTimeoutMs,
                            .Sink =
                                [this](QByteArrayView bytes) {
                                  statementBytes_.append(bytes);
                                  return true;
                                },
                            .DeadlineMs = RemainingMs()},
      [this](const TransferEnd& end) { OnStatement(end); });
}

// Nothing is offered before the signed statement says what the release is,
// for whom, until when, and that it is newer than the running program.
void UpdateFlow::OnStatement(const TransferEnd& end) {
  Retire(transfer_);
  if (end.Kind == TransferEnd::HttpError && (end.Status == 404 || end.Status == 410))
    return Tell(kNoSignature, MessageIcon::Exclamation);
  // Whatever is far longer than a signature is none.
  if (end.Kind == TransferEnd::TooLarge) return Tell(kBadSignature, MessageIcon::Exclamation);
  if (end.Kind != TransferEnd::Complete)
    return Tell(kDownloadFailed + TransferProblem(end), MessageIcon::Exclamation);
  signature_ = ParseMinisignSignature(statementBytes_);
  if (!VerifyTrustedComment(signature_, ParseMinisignPublicKey(context_.PublicKey)))
    return Tell(kBadSignature, MessageIcon::Exclamation);
  const std::optional<ReleaseStatement> release = ParseReleaseStatement(signature_.TrustedComment);
  if (!release) return Tell(kUnreadableStatement, MessageIcon::Exclamation);
  if (release->Product != QLatin1String(kProductName) || release->Program != context_.Program ||
      release->Platform != context_.Platform)
    return Tell(kNotForUs + kLineBreak + kLineBreak + QStringLiteral("签名声明:") +
                    QString::fromLatin1(signature_.TrustedComment),
                MessageIcon::Exclamation);
  if (context_.Today.value_or(TodayInChina()) > release->Expires)
    return Tell(ExpiredText(release->Expires), MessageIcon::Exclamation);
  // A version is compared as a version: the server's file time only said
  // that looking was worth it.
  if (release->BuildNumber <= local_.BuildNumber) return Tell(kUpToDate, MessageIcon::Information);
  release_ = *release;
  Offer();
}

void UpdateFlow::Offer() {
  // A folder of our own, 0700, inside the program folder: nobody else can
  // put or swap a file in it, and the final move is one rename. Made before
  // asking, so an update that cannot be saved is never offered.
  privateFolder_ =
      std::make_unique<QTemporaryDir>(QDir(context_.AppDir).filePath(PrivateFolderTemplate()));
  if (!privateFolder_->isValid()) {
    privateFolder_.reset();
    return Tell(
        FolderNotWritableText() + kLineBreak + kLineBreak + GetItYourself(context_.UpdateUrl),
        MessageIcon::Exclamation);
  }
  Busy(false);
  const MessageAnswer answer = context_.Messages.Show(
      UpgradeQuestion(VersionTextOfDate(local_.BuildDate), release_.BuildNumber),
      MessageIcon::Question, MessageButtons::YesNo);
  if (answer != MessageAnswer::Yes) {
    privateFolder_.reset();
    return Finish();
  }
  Download();
}

void UpdateFlow::Download() {
  Busy(true);
  deadline_.setRemainingTime(context_.DeadlineMs);
  download_ = std::make_unique<ProgramDownload>(
      network_,
      DownloadRequest{.Url = context_.UpdateUrl,
                      .Folder = privateFolder_->path(),
                      .StallTimeoutMs = context_.StallTimeoutMs,
                      .MaxBytes = context_.MaxBytes,
                      .DeadlineMs = RemainingMs(),
                      .MinBytesPerSecond = context_.MinBytesPerSecond,
                      .RateWindowMs = context_.RateWindowMs},
      [this](const DownloadResult& result) { OnDownloaded(result); });
}

// Everything below reads the one file in the private folder: the hash of
// the bytes on disk, its header, and the program run for its version are
// all of the file the script then renames into place.
void UpdateFlow::OnDownloaded(const DownloadResult& result) {
  Retire(download_);
  if (!result.Error.isEmpty()) return Refuse(result.Error);
  newFile_ = result.Path;
  const QByteArray hash = Blake2b512OfFile(newFile_);
  if (!VerifyFileHash(signature_, hash, ParseMinisignPublicKey(context_.PublicKey)))
    return Refuse(kBadSignature);
  if (!MatchesRunningProgram(ProgramHead(newFile_), QFileInfo(newFile_).size(),
                             ProgramHead(context_.ReferenceProgram)))
    return Refuse(kNotForThisComputer);
  QFile::setPermissions(newFile_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  probe_ = std::make_unique<VersionProbe>(
      newFile_, qMin(context_.VersionTimeoutMs, RemainingMs()),
      [this](bool ran, const QString& version) { OnProbed(ran, version); });
}

void UpdateFlow::OnProbed(bool ran, const QString& version) {
  Retire(probe_);
  if (!ran) return Refuse(kDoesNotRun);
  if (version != VersionText(release_.BuildNumber))
    return Refuse(WrongVersionText(version, release_.BuildNumber));
  Install();
}

void UpdateFlow::Install() {
  Busy(false);
  const UpdatePaths paths = UpdatePathsFor(context_.AppDir, context_.ExecutablePath, newFile_);
  QString scriptPath;
  QString errorText;
  if (!WriteUpdateScript(paths, context_.WindowTitle, scriptPath, errorText,
                         context_.ScriptTiming)) {
    newFile_.clear();
    privateFolder_.reset();
    return Tell(QStringLiteral("无法替换为新版本:") + errorText, MessageIcon::Exclamation);
  }
  context_.Messages.Show(ReadyNotice(), MessageIcon::Information);
  // The script's now; the emptied folder goes at the next start.
  newFile_.clear();
  privateFolder_->setAutoRemove(false);
  privateFolder_.reset();
  if (context_.RunScript) {
    context_.RunScript(scriptPath);
  } else {
    RunUpdateScript(scriptPath);
  }
  Finish();
  if (context_.QuitApplication) context_.QuitApplication();
}

void UpdateFlow::Tell(const QString& text, MessageIcon icon) {
  Busy(false);
  context_.Messages.Show(text, icon);
  Finish();
}

void UpdateFlow::Refuse(const QString& reason) {
  newFile_.clear();
  privateFolder_.reset();  // removes the download with its folder
  Tell(kDownloadFailed + reason, MessageIcon::Exclamation);
}

void UpdateFlow::Finish() {
  running_ = false;
  emit finished();
}

void UpdateFlow::Busy(bool on) {
  if (busy_ == on) return;
  busy_ = on;
  const auto& change = on ? context_.ShowBusy : context_.ShowIdle;
  if (change) change();
}

}  // namespace qh
