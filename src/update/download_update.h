#pragma once
// Fetches the new program into a private folder as it arrives. Nothing is
// trusted here: the caller hashes and checks the file once it is complete.
#include <QFile>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <memory>

class QTemporaryDir;

#include "update/http_get.h"
#include "update/update_platform.h"

class QNetworkAccessManager;

namespace qh {

inline constexpr qint64 kMaxDownloadBytes = 512LL * 1024 * 1024;

// "~qzdl-XXXXXX": the private folder (mode 0700) made in the program folder
// for each download, so the final move into place is a single rename.
QString PrivateFolderTemplate();

// The lock a running copy holds inside its private folder, and the mark
// the update script's folder carries until the script removes it.
QString PrivateFolderLockName();
QString HandedOverMarkName();

// A fresh private folder in appDir, held by a lock inside it for as long as
// this object lives, so another copy's start-up leaves it alone. Removed
// with its contents when destroyed, unless handed over to the script.
class PrivateFolder {
 public:
  explicit PrivateFolder(const QString& appDir);
  ~PrivateFolder();
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;

  bool IsValid() const { return valid_; }
  QString Path() const;
  // Leaves the folder to the update script, which removes it when done;
  // the mark inside keeps other copies away meanwhile.
  void HandOver();

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<QLockFile> lock_;
  bool valid_ = false;
};

// Deletes the private folders earlier updates left in appDir: only folders
// of ours (owner us, mode 0700, nothing in them but our own files) whose
// lock no running copy holds, and which no update script still works in.
// Called at start-up; errors are ignored.
void RemoveLeftoverDownloads(const QString& appDir);

// Why a transfer cannot be used, as shown after "下载失败:" (reason, and
// where it helps a hint); empty for a complete transfer.
QString TransferProblem(const TransferEnd& end);

// "程序所在的文件夹不能写入,无法自动更新.": nothing can be saved beside the program.
QString FolderNotWritableText();

struct DownloadRequest {
  QString Url;
  QString Folder;  // a fresh private folder: the file is created there, never reused
  int StallTimeoutMs = 30000;
  qint64 MaxBytes = kMaxDownloadBytes;
  int DeadlineMs = 0;  // the whole download; 0: no limit
  qint64 MinBytesPerSecond = 0;
  int RateWindowMs = 30000;
};

struct DownloadResult {
  QString Error;  // empty: the whole file arrived
  QString Path;   // the new file (only when complete)
  qint64 Bytes = 0;
  QByteArray LastModified;  // the raw header, for the log
};

// Streams request.url into folder + NewFileName(), a file it creates itself
// (an existing file of that name fails the download). Anything but a
// complete transfer deletes the partial file, and so does destroying the
// download before it ends. `done` must not delete the download directly
// (deleteLater is fine).
class ProgramDownload : public QObject {
 public:
  using Done = std::function<void(const DownloadResult&)>;
  ProgramDownload(QNetworkAccessManager& manager, const DownloadRequest& request, Done done);
  ~ProgramDownload() override;

 private:
  bool Write(QByteArrayView bytes);
  void OnEnd(const TransferEnd& end);

  Done done_;
  QFile file_;
  bool open_ = false;
  bool diskFull_ = false;
  std::unique_ptr<HttpTransfer> transfer_;
  bool complete_ = false;
};

// Writes all of bytes to file; false when it cannot, with diskFull set when
// the disk (or the user's quota) is full.
bool WriteAllBytes(QFile& file, QByteArrayView bytes, bool& diskFull);

}  // namespace qh
