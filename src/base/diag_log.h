#pragma once
// The diagnostic log "qzChart.log": one plain line per event, code page 936,
// CR LF, recreated at every start. Lines are buffered and written in large
// blocks; Flush() puts every buffered line in the file. Errors are ignored.
#include <QByteArray>
#include <QString>
#include <QStringEncoder>

namespace qh {

class DiagLog {
 public:
  // Buffered bytes beyond which WriteLog writes the block out by itself.
  static constexpr qsizetype kFlushThreshold = 1 << 20;

  DiagLog() = default;  // disabled: WriteLog does nothing
  explicit DiagLog(QString logPath);
  ~DiagLog();
  DiagLog(const DiagLog&) = delete;
  DiagLog& operator=(const DiagLog&) = delete;

  const QString& LogPath() const { return path_; }
  bool Enabled() const { return !path_.isEmpty(); }

  // Flushes what the old path still holds, then logs to path (empty disables).
  void SetLogPath(QString path);

  // Deletes the file of an earlier run.
  void DeleteExisting();
  void WriteLog(const QString& line);
  void Flush();

 private:
  void AppendEncoded(const QString& line);

  QString path_;
  QByteArray buffer_;
  QStringEncoder encoder_{"GBK"};
};

// Flushes a log when a reader returns, on every path.
class LogFlushGuard {
 public:
  explicit LogFlushGuard(DiagLog* log) : log_(log) {}
  ~LogFlushGuard() {
    if (log_) log_->Flush();
  }
  LogFlushGuard(const LogFlushGuard&) = delete;
  LogFlushGuard& operator=(const LogFlushGuard&) = delete;

 private:
  DiagLog* log_;
};

}  // namespace qh
