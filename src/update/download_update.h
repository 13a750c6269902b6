#pragma once
// Fetches the new program into the program folder as it arrives, with its
// SHA-512 digest computed on the way.
#include <QFile>
#include <QObject>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <memory>

#include "update/http_get.h"
#include "update/update_signature.h"

class QNetworkAccessManager;

namespace qh {

inline constexpr qint64 kMaxDownloadBytes = 512LL * 1024 * 1024;
// A ".sig" file is 64 bytes, or their base64 text.
inline constexpr qint64 kMaxSignatureBytes = 4096;

// "~qznew.exe" on Windows, "~qznew" elsewhere.
QString NewFileName();

// Why a transfer cannot be used, as shown after "下载失败:" (reason, and for
// an HTTP error a hint with the status); empty for a complete transfer.
QString TransferProblem(const TransferEnd& end);

struct DownloadRequest {
  QString url;
  QString appDir;
  int stallTimeoutMs = 30000;
  qint64 maxBytes = kMaxDownloadBytes;
};

struct DownloadResult {
  QString error;      // empty: the whole file arrived
  QString path;       // the new file (only when complete)
  QByteArray digest;  // its SHA-512 (only when complete)
  qint64 bytes = 0;
};

// Streams request.url into appDir + NewFileName(), replacing an older file.
// Anything but a complete transfer deletes the partial file, and so does
// destroying the download before it ends. `done` must not delete the
// download directly (deleteLater is fine).
class ProgramDownload : public QObject {
 public:
  using Done = std::function<void(const DownloadResult&)>;
  ProgramDownload(QNetworkAccessManager& manager, const DownloadRequest& request, Done done);
  ~ProgramDownload() override;

 private:
  void OnEnd(const TransferEnd& end);

  Done done_;
  QFile file_;
  Sha512Stream sha_;
  std::unique_ptr<HttpTransfer> transfer_;
  bool complete_ = false;
};

}  // namespace qh
