#include "update/update_flow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include "base/diag_log.h"
#include "update/download_update.h"
#include "update/http_get.h"
#include "update/program_check.h"
#include "update/remote_build.h"

namespace qh {

namespace {

const QString kLineBreak = QStringLiteral("\r\n");
const QString kCannotCheck = QStringLiteral("无法检查最新版本,请稍后再试.");
const QString kCannotCheckBecause = QStringLiteral("无法检查最新版本:");
const QString kUpToDate = QStringLiteral("您现在使用的已经是最新版!");
const QString kDownloadFailed = QStringLiteral("下载失败:");
const QString kNoKey = QStringLiteral("本版本未配置更新签名密钥,无法检查更新");
const QString kNoSignature = QStringLiteral("服务器上没有更新文件的签名,已放弃更新.");
const QString kBadSignature = QStringLiteral("更新文件的签名无效,已放弃更新.");
const QString kLegacySignature =
    QStringLiteral("更新文件的签名是本程序不接受的旧格式(Ed),已放弃更新.");
const QString kForeignKey = QStringLiteral("更新文件不是用本程序的发布密钥签名的,已放弃更新.");
const QString kUnreadableStatement = QStringLiteral("更新文件的签名声明无法识别,已放弃更新.");
const QString kNotForUs = QStringLiteral("服务器上的更新文件不是给本程序的,已放弃更新.");
const QString kExpired = QStringLiteral("无法确认最新版本的签名是否有效,已放弃更新.");
const QString kNotForThisComputer = QStringLiteral("下载的文件不是本机可以运行的程序,已放弃更新.");
const QString kDoesNotRun = QStringLiteral("新版本无法在本机启动,已放弃更新.");
const QString kCrashed = QStringLiteral("新版本在报告版本号时异常退出,已放弃更新.");
const QString kDownloadGone = QStringLiteral("下载的文件在校验前被删除或无法读取,已放弃更新.");

QString Versions(const QString& localText, qint32 remote) {
  return QStringLiteral("当前版本:") + localText + kLineBreak + QStringLiteral("最新版本:") +
         VersionText(remote);
}

QString UpgradeQuestion(const QString& localText, qint32 remote) {
  return QStringLiteral("发现官网已经发布更新的版本,是否要升级到最新版?") + kLineBreak +
         kLineBreak + Versions(localText, remote);
}

QString GetItYourself(const QString& url) {
  return QStringLiteral("请从下载地址获取新版本:") + kLineBreak + url;
}

// A system-wide install belongs to the package manager: replacing the
// program file behind its back would break the next package upgrade.
QString PackageManagedNotice(const QString& localText, qint32 signedBuild) {
  return QStringLiteral("新版本 %1 已发布,请通过软件包管理器更新").arg(VersionText(signedBuild)) +
         kLineBreak + kLineBreak + QStringLiteral("当前版本:") + localText;
}

QString ExpiredText(const QDate& expires, const QDate& serverToday) {
  const QString when = expires.toString(Qt::ISODate);
  // The statement is past its day by the computer's clock; when the server
  // says another date, the clock is the likelier fault.
  const QString hint =
      serverToday.isValid() && serverToday <= expires
          ? QStringLiteral(
                "签名声明的有效期至 %1,而服务器的日期是 %2:请检查本机的日期和时间是否正确.")
                .arg(when, serverToday.toString(Qt::ISODate))
          : QStringLiteral("签名声明已于 %1 过期,请稍后再试.").arg(when);
  return kExpired + kLineBreak + kLineBreak + hint;
}

QString ExpiresTooLateText(const QDate& expires) {
  return QStringLiteral("签名声明的有效期(至 %1)超过了版本日期后两年,已放弃更新.")
      .arg(expires.toString(Qt::ISODate));
}

QString WrongVersionText(const QString& reported, qint32 signedBuild) {
  return QStringLiteral("新版本报告的版本号(%1)与签名声明的版本号(%2)不符,已放弃更新.")
      .arg(reported, VersionText(signedBuild));
}

QString TrialProblem(const ProbeResult& result, int timeoutMs) {
  switch (result.Kind) {
    case ProbeResult::Answered: return {};
    case ProbeResult::FailedToStart: return kDoesNotRun;
    case ProbeResult::TimedOut:
      return QStringLiteral("新版本在 %1 秒内没有报告版本号,已放弃更新.")
          .arg((timeoutMs + 999) / 1000);
    case ProbeResult::ExitedWithError:
      return QStringLiteral("新版本报告版本号时出错(退出码 %1),已放弃更新.").arg(result.ExitCode);
    case ProbeResult::Crashed: return kCrashed;
  }
  return kDoesNotRun;
}

QString ReadyNotice() {
  return QStringLiteral("更新已下载完成,程序将自动重启为新版本.") + kLineBreak + kLineBreak +
         QStringLiteral("点击[确定]后程序将退出,随后自动启动新版本.");
}

QDate TodayInChina() { return QDateTime::currentDateTimeUtc().addSecs(8 * 3600).date(); }

// The server's own date (its Date header) in China time; invalid when none.
QDate ServerToday(const QByteArray& dateHeader) {
  const QDateTime t = LastModifiedOf(QString::fromLatin1(dateHeader));
  return t > ZeroDateTime() ? t.addSecs(8 * 3600).date() : QDate();
}

QString LastModifiedForLog(const QByteArray& header) {
  if (header.isEmpty()) return QStringLiteral("none");
  const RemoteBuild remote = RemoteBuildOfHeader(header);
  return QString::fromLatin1(header) + QStringLiteral(" (") +
         (remote.Ok ? VersionText(remote.BuildNumber) : QStringLiteral("unreadable")) +
         QStringLiteral(", not used)");
}

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
  Log(QStringLiteral("update check: version ") + VersionTextOfDate(local_.BuildDate) +
      QStringLiteral(", address ") + context_.UpdateUrl);
  // Without the key no statement can be trusted, so no version is known.
  if (!ParseMinisignPublicKey(context_.PublicKey).valid())
    return Tell(kNoKey + kLineBreak + kLineBreak + GetItYourself(context_.UpdateUrl),
                MessageIcon::Information);
  deadline_.setRemainingTime(context_.DeadlineMs);
  Busy(true);
  FetchStatement();
}

// The check: the statement is small and bounded, and it alone says which
// version is on the server.
void UpdateFlow::FetchStatement() {
  statementBytes_.clear();
  Log(QStringLiteral("update statement: fetching ") + StatementUrl(context_.UpdateUrl));
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

// Why the statement that arrived is not one to act on; nullopt when it is a
// verified statement for this program (then in release_).
std::optional<QString> UpdateFlow::StatementProblem(const TransferEnd& end) {
  const QString address = kLineBreak + kLineBreak + context_.UpdateUrl;
  if (end.Kind == TransferEnd::HttpError && (end.Status == 404 || end.Status == 410))
    return kNoSignature;
  // Whatever is far longer than a signature is none.
  if (end.Kind == TransferEnd::TooLarge) return kBadSignature;
  if (end.Kind == TransferEnd::NoConnection) return kCannotCheck + address;
  if (end.Kind != TransferEnd::Complete)
    return kCannotCheckBecause + TransferProblem(end) + address;
  signature_ = ParseMinisignSignature(statementBytes_);
  if (!signature_.Parsed) return kBadSignature;
  // Algorithm and key are known now: a statement this program can never
  // accept is refused before anything is offered or downloaded.
  const MinisignPublicKey key = ParseMinisignPublicKey(context_.PublicKey);
  if (signature_.Algorithm != "ED") return kLegacySignature;
  if (signature_.KeyId != key.KeyId) return kForeignKey;
  if (!VerifyTrustedComment(signature_, key)) return kBadSignature;
  Log(QStringLiteral("update statement: ") + QString::fromLatin1(signature_.TrustedComment));
  const std::optional<ReleaseStatement> release = ParseReleaseStatement(signature_.TrustedComment);
  if (!release) return kUnreadableStatement;
  if (release->Product != QLatin1String(kProductName) || release->Program != context_.Program ||
      release->Platform != context_.Platform)
    return kNotForUs + kLineBreak + kLineBreak + QStringLiteral("签名声明:") +
           QString::fromLatin1(signature_.TrustedComment);
  if (!ExpiryWithinLimit(*release)) return ExpiresTooLateText(release->Expires);
  if (context_.Today.value_or(TodayInChina()) > release->Expires)
    return ExpiredText(release->Expires, ServerToday(end.Date));
  release_ = *release;
  return std::nullopt;
}

void UpdateFlow::OnStatement(const TransferEnd& end) {
  Retire(transfer_);
  Log(QStringLiteral("update statement: HTTP %1, %2 bytes, Last-Modified ")
          .arg(end.Status)
          .arg(end.Bytes) +
      LastModifiedForLog(end.LastModified));
  if (const std::optional<QString> problem = StatementProblem(end))
    return Tell(*problem, MessageIcon::Exclamation);
  // A version is compared as a signed version, never as a file's date.
  if (release_.BuildNumber <= local_.BuildNumber) return Tell(kUpToDate, MessageIcon::Information);
  if (context_.PackageManaged)
    return Tell(PackageManagedNotice(VersionTextOfDate(local_.BuildDate), release_.BuildNumber),
                MessageIcon::Information);
  Offer();
}

void UpdateFlow::Offer() {
  // A folder of our own, 0700, inside the program folder, locked for as
  // long as we use it: nobody else can put or swap a file in it, another
  // copy's start-up leaves it alone, and the final move is one rename. Made
  // before asking, so an update that cannot be saved is never offered.
  privateFolder_ = std::make_unique<PrivateFolder>(context_.AppDir);
  if (!privateFolder_->IsValid()) {
    privateFolder_.reset();
    return Tell(
        FolderNotWritableText() + kLineBreak + kLineBreak + GetItYourself(context_.UpdateUrl),
        MessageIcon::Exclamation);
  }
  Busy(false);
  Log(QStringLiteral("update offer: ") + VersionText(release_.BuildNumber));
  const MessageAnswer answer = context_.Messages.Show(
      UpgradeQuestion(VersionTextOfDate(local_.BuildDate), release_.BuildNumber),
      MessageIcon::Question, MessageButtons::YesNo);
  if (answer != MessageAnswer::Yes) {
    Log(QStringLiteral("update result: declined"));
    privateFolder_.reset();
    return Finish();
  }
  Download();
}

void UpdateFlow::Download() {
  Busy(true);
  deadline_.setRemainingTime(context_.DeadlineMs);
  Log(QStringLiteral("update download: ") + context_.UpdateUrl);
  download_ = std::make_unique<ProgramDownload>(
      network_,
      DownloadRequest{.Url = context_.UpdateUrl,
                      .Folder = privateFolder_->Path(),
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
  Log(QStringLiteral("update download: %1 bytes, Last-Modified ").arg(result.Bytes) +
      LastModifiedForLog(result.LastModified));
  if (!result.Error.isEmpty()) return Refuse(result.Error);
  newFile_ = result.Path;
  const QByteArray hash = Blake2b512OfFile(newFile_);
  if (hash.isEmpty()) return Refuse(kDownloadGone);
  if (!VerifyFileHash(signature_, hash, ParseMinisignPublicKey(context_.PublicKey)))
    return Refuse(kBadSignature);
  if (!MatchesRunningProgram(ProgramHead(newFile_), QFileInfo(newFile_).size(),
                             ProgramHead(context_.ReferenceProgram)))
    return Refuse(kNotForThisComputer);
  QFile::setPermissions(newFile_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  Log(QStringLiteral("update trial: ") + newFile_ + QStringLiteral(" --version"));
  const int timeoutMs = qMin(context_.VersionTimeoutMs, RemainingMs());
  probe_ = std::make_unique<VersionProbe>(newFile_, timeoutMs,
                                          [this, timeoutMs](const ProbeResult& probed) {
                                            Retire(probe_);
                                            if (probed.Kind != ProbeResult::Answered)
                                              return Refuse(TrialProblem(probed, timeoutMs));
                                            OnProbed(probed);
                                          });
}

void UpdateFlow::OnProbed(const ProbeResult& result) {
  Log(QStringLiteral("update trial: answered ") + result.Version);
  if (result.Version != VersionText(release_.BuildNumber))
    return Refuse(WrongVersionText(result.Version, release_.BuildNumber));
  Install();
}

void UpdateFlow::Install() {
  Busy(false);
  UpdatePaths paths = UpdatePathsFor(context_.AppDir, context_.ExecutablePath, newFile_);
  paths.PrivateFolder = privateFolder_->Path();
  if (context_.Log) paths.Log = context_.Log->LogPath();
  // The installed program keeps the mode the old one had.
  const QFileInfo old(paths.Program);
  if (old.exists()) QFile::setPermissions(newFile_, old.permissions());
  QString scriptPath;
  QString errorText;
  if (!WriteUpdateScript(paths, context_.WindowTitle, scriptPath, errorText,
                         context_.ScriptTiming)) {
    newFile_.clear();
    privateFolder_.reset();
    return Tell(QStringLiteral("无法替换为新版本:") + errorText, MessageIcon::Exclamation);
  }
  Log(QStringLiteral("update install: script ") + scriptPath + QStringLiteral(" replaces ") +
      paths.Program);
  context_.Messages.Show(ReadyNotice(), MessageIcon::Information);
  // The script's now: it removes the folder when it is done.
  newFile_.clear();
  privateFolder_->HandOver();
  privateFolder_.reset();
  Log(QStringLiteral("update result: the script is started"));
  if (context_.Log) context_.Log->Flush();
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
  QString line = text;
  line.replace(kLineBreak, QStringLiteral(" / "));
  Log(QStringLiteral("update result: ") + line);
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
  if (context_.Log) context_.Log->Flush();
  emit finished();
}

void UpdateFlow::Log(const QString& line) {
  if (context_.Log) context_.Log->WriteLog(line);
}

void UpdateFlow::Busy(bool on) {
  if (busy_ == on) return;
  busy_ = on;
  const auto& change = on ? context_.ShowBusy : context_.ShowIdle;
  if (change) change();
}

}  // namespace qh
