#pragma once
// The user-started online update: fetch and verify the signed release
// statement (the check: whether there is a newer version is decided by it
// alone), ask, download into a private folder, verify the file on disk, try
// it, write the replacement script, start it and quit. An object owned by the window and driven by
// the network reply's and the probe's signals, so the window stays live and nothing waits.
#include <QDate>
#include <QDeadlineTimer>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "base/user_messages.h"
#include "update/local_version.h"
#include "update/minisign.h"
#include "update/release_statement.h"
#include "update/update_script.h"

namespace qh {

class DiagLog;
class HttpTransfer;
class PrivateFolder;
class ProgramDownload;
class VersionProbe;
struct DownloadResult;
struct ProbeResult;
struct TransferEnd;

// The release statement's address: the update address's path + ".minisig",
// its query string kept.
QString StatementUrl(const QString& updateUrl);

struct UpdateContext {
  UserMessages& Messages;
  QString UpdateUrl{};       // Settings::UpdateUrl
  QString AppDir{};          // the program folder, with or without a trailing separator
  QString ExecutablePath{};  // the running program (QCoreApplication::applicationFilePath())
  QString WindowTitle{};     // shown by the replacement script
  std::function<void()> ShowBusy{};         // wait cursor on
  std::function<void()> ShowIdle{};         // wait cursor off
  std::function<void()> QuitApplication{};  // close the main window once the script runs
  // Every step and outcome goes here as a line ("update ..."); none: not logged.
  DiagLog* Log = nullptr;
  // Installed by the system's package manager: it updates the program, so
  // a verified newer release is only announced, nothing is downloaded.
  bool PackageManaged = false;
  // The release key (minisign's public key line). Without one no statement
  // can be verified, so nothing is checked: the user is pointed to the address.
  QByteArray PublicKey = BuiltInUpdatePublicKey();
  QString Program = QString::fromLatin1(kWindowProgram);  // what a statement must name
  QString Platform = UpdatePlatformName();

  // Seams for tests; the defaults are what the program uses.
  std::function<void(const QString& scriptPath)> RunScript{};  // empty: RunUpdateScript
  QString ReferenceProgram{};  // whose header a download must match; empty: ExecutablePath
  qh::ScriptTiming ScriptTiming{};
  int StallTimeoutMs = 30000;    // a transfer without progress for this long fails
  int VersionTimeoutMs = 10000;  // the new program must answer --version within this
  // Checking, and then downloading and trying, each end within this.
  int DeadlineMs = 10 * 60 * 1000;
  qint64 MinBytesPerSecond = 1024;  // over every window of RateWindowMs
  int RateWindowMs = 30000;
  qint64 MaxBytes = 0;                             // 0: kMaxDownloadBytes
  std::optional<qh::LocalVersion> LocalVersion{};  // empty: the running program's
  std::optional<QDate> Today{};                    // empty: today in China time
};

// One update at a time: Start() while an update runs does nothing. Destroying
// the flow (the window closes, the program quits) stops whatever runs,
// deletes a partial or unverified download, starts no script and says nothing.
class UpdateFlow : public QObject {
  Q_OBJECT

 public:
  explicit UpdateFlow(UpdateContext context, QObject* parent = nullptr);
  ~UpdateFlow() override;

  void Start();
  bool running() const { return running_; }

 signals:
  // The flow is idle again (after its last message, or after starting the script).
  void finished();

 private:
  void FetchStatement();
  void OnStatement(const TransferEnd& end);
  std::optional<QString> StatementProblem(const TransferEnd& end);
  void Offer();
  void Download();
  void OnDownloaded(const DownloadResult& result);
  void OnProbed(const ProbeResult& result);
  void Install();
  void Log(const QString& line);
  void Tell(const QString& text, MessageIcon icon);
  void Refuse(const QString& reason);
  void Finish();
  void Busy(bool on);
  int RemainingMs() const;

  UpdateContext context_;
  LocalVersion local_;
  QNetworkAccessManager network_;
  std::unique_ptr<HttpTransfer> transfer_;
  std::unique_ptr<ProgramDownload> download_;
  std::unique_ptr<VersionProbe> probe_;
  std::unique_ptr<PrivateFolder> privateFolder_;
  QDeadlineTimer deadline_;
  QByteArray statementBytes_;
  MinisignSignature signature_;
  ReleaseStatement release_;
  QString newFile_;  // downloaded, not yet handed to the script
  bool running_ = false;
  bool busy_ = false;
};

}  // namespace qh
