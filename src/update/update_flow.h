#pragma once
// The user-started online update: check the remote build, fetch and verify
// the signed release statement, ask, download into a private folder, verify
// the file on disk, try it, write the replacement script, start it and
// quit. An object owned by the window and driven by the network reply's and
// the probe's signals, so the window stays live and nothing waits.
#include <QDate>
#include <QDeadlineTimer>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <optional>

#include "base/user_messages.h"
#include "update/local_version.h"
#include "update/minisign.h"
#include "update/release_statement.h"
#include "update/update_script.h"

namespace qh {

class HttpTransfer;
class ProgramDownload;
class VersionProbe;
struct DownloadResult;
struct TransferEnd;

// The release statement's address: the update address's path + ".minisig",
// its query string kept.
QString StatementUrl(const QString& updateUrl);

struct UpdateContext {
  UserMessages& messages;
  QString updateUrl{};       // Settings::UpdateUrl
  QString appDir{};          // the program folder, with or without a trailing separator
  QString executablePath{};  // the running program (QCoreApplication::applicationFilePath())
  QString windowTitle{};     // shown by the replacement script
  std::function<void()> showBusy{};         // wait cursor on
  std::function<void()> showIdle{};         // wait cursor off
  std::function<void()> quitApplication{};  // close the main window once the script runs
  // Installed by the system's package manager: it updates the program,
  // nothing is downloaded.
  bool packageManaged = false;
  // The release key (minisign's public key line). Without one nothing can
  // be verified, so nothing is installed: the user is pointed to the address.
  QByteArray publicKey = BuiltInUpdatePublicKey();
  QString program = QString::fromLatin1(kWindowProgram);  // what a statement must name
  QString platform = UpdatePlatformName();

  // Seams for tests; the defaults are what the program uses.
  std::function<void(const QString& scriptPath)> runScript{};  // empty: RunUpdateScript
  QString referenceProgram{};  // whose header a download must match; empty: executablePath
  ScriptTiming scriptTiming{};
  int stallTimeoutMs = 30000;    // a transfer without progress for this long fails
  int versionTimeoutMs = 10000;  // the new program must answer --version within this
  // Checking, and then downloading and trying, each end within this.
  int deadlineMs = 10 * 60 * 1000;
  qint64 minBytesPerSecond = 1024;  // over every window of rateWindowMs
  int rateWindowMs = 30000;
  qint64 maxBytes = 0;                         // 0: kMaxDownloadBytes
  std::optional<LocalVersion> localVersion{};  // empty: the running program's
  std::optional<QDate> today{};                // empty: today in China time
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
  void OnChecked(const TransferEnd& end);
  void FetchStatement();
  void OnStatement(const TransferEnd& end);
  void Offer();
  void Download();
  void OnDownloaded(const DownloadResult& result);
  void OnProbed(bool ran, const QString& version);
  void Install();
  void Tell(const QString& text, MessageIcon icon);
  void Refuse(const QString& reason);
  void Finish();
  void Busy(bool on);
  int RemainingMs() const;

  UpdateContext context_;
  LocalVersion local_;
  qint32 remoteBuild_ = 0;  // from the file's time on the server
  QNetworkAccessManager network_;
  std::unique_ptr<HttpTransfer> transfer_;
  std::unique_ptr<ProgramDownload> download_;
  std::unique_ptr<VersionProbe> probe_;
  std::unique_ptr<QTemporaryDir> privateFolder_;
  QDeadlineTimer deadline_;
  QByteArray statementBytes_;
  MinisignSignature signature_;
  ReleaseStatement release_;
  QString newFile_;  // downloaded, not yet handed to the script
  bool running_ = false;
  bool busy_ = false;
};

}  // namespace qh
