#pragma once
// The user-started online update: check the remote build, ask, download,
// verify, try the new program, write the replacement script, start it and
// quit. An object owned by the window and driven by the network reply's and
// the probe's signals, so the window stays live and nothing waits.
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "base/user_messages.h"
#include "update/local_version.h"
#include "update/update_script.h"
#include "update/update_signature.h"

namespace qh {

class HttpTransfer;
class ProgramDownload;
class VersionProbe;
struct DownloadResult;
struct TransferEnd;

struct UpdateContext {
  UserMessages& messages;
  QString updateUrl{};       // Settings::UpdateUrl
  QString appDir{};          // the program folder, with or without a trailing separator
  QString executablePath{};  // the running program (QCoreApplication::applicationFilePath())
  QString windowTitle{};     // shown by the replacement script
  std::function<void()> showBusy{};         // wait cursor on
  std::function<void()> showIdle{};         // wait cursor off
  std::function<void()> quitApplication{};  // close the main window once the script runs
  // The program folder is not writable (a system-wide install): the package
  // manager updates the program, nothing is downloaded.
  bool packageManaged = false;
  // The release signing key (base64). Without one nothing can be verified,
  // so nothing is installed: the user is pointed to the download address.
  QByteArray publicKey = BuiltInUpdatePublicKey();

  // Seams for tests; the defaults are what the program uses.
  std::function<void(const QString& scriptPath)> runScript{};  // empty: RunUpdateScript
  QString referenceProgram{};  // whose header a download must match; empty: executablePath
  ScriptTiming scriptTiming{};
  int stallTimeoutMs = 30000;                  // a transfer without progress for this long fails
  int versionTimeoutMs = 10000;                // the new program must answer --version within this
  qint64 maxBytes = 0;                         // 0: kMaxDownloadBytes
  std::optional<LocalVersion> localVersion{};  // empty: the running program's
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
  void OnDownloaded(const DownloadResult& result);
  void OnSignature(const TransferEnd& end);
  void OnProbed(bool ran);
  void Install();
  void Refuse(const QString& reason);
  void Finish();
  void Busy(bool on);

  UpdateContext context_;
  QNetworkAccessManager network_;
  std::unique_ptr<HttpTransfer> transfer_;
  std::unique_ptr<ProgramDownload> download_;
  std::unique_ptr<VersionProbe> probe_;
  QString newFile_;  // downloaded, not yet handed to the script
  QByteArray digest_;
  QByteArray signature_;
  bool running_ = false;
  bool busy_ = false;
};

}  // namespace qh
