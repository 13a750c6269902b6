#pragma once
// The diagnostic log "qzChart.log": one plain line per event, code page 936,
// CR LF. Each run starts a new file and keeps the last run's as
// "qzChart.log.1"; a second copy of the program, finding the log held by a
// running one, logs to "qzChart.<pid>.log" instead and removes it when it
// ends (or the next run does, when that copy was killed). One run's log stops at kMaxRunBytes with
// a line saying so, except for the start-up lines. Lines are buffered and written in large blocks;
// Flush() puts every buffered line in the file. Errors are ignored.
#include <QByteArray>
#include <QString>
#include <QStringEncoder>

namespace qh {

class DiagLog {
 public:
  // Buffered bytes beyond which WriteLog writes the block out by itself.
  static constexpr qsizetype kFlushThreshold = 1 << 20;
  // The most one run writes (a million-row file logs about 60 MB).
  static constexpr qint64 kMaxRunBytes = 8 * 1024 * 1024;
  // Of that, the room only start-up lines may use.
  static constexpr qint64 kStartupReserve = 64 * 1024;

  DiagLog() = default;  // disabled: WriteLog does nothing
  // Appends to logPath, without the run's rotation and lock (see StartRun).
  explicit DiagLog(QString logPath);
  ~DiagLog();
  DiagLog(const DiagLog&) = delete;
  DiagLog& operator=(const DiagLog&) = delete;

  const QString& LogPath() const { return path_; }
  bool Enabled() const { return !path_.isEmpty(); }

  // Flushes what the old path still holds, then logs to path (empty disables).
  void SetLogPath(QString path);

  // Starts this run's log at path: keeps the last run's file as path + ".1"
  // and holds the new one for the run, or, when a running copy of the
  // program holds path, logs to a file of this process's own beside it.
  void StartRun(const QString& path);

  void WriteLog(const QString& line);
  // A start-up line ("src=", the outcome of the first load): written even
  // when the log has reached its bound.
  void WriteStartupLog(const QString& line);
  void Flush();

 private:
  void Append(const QString& line, bool startup);
  void AppendEncoded(const QString& line);
  void Close();
  void UseOwnFile(const QString& sharedPath);

  QString path_;
  QByteArray buffer_;
  QStringEncoder encoder_{"GBK"};
  int fd_ = -1;               // held open and locked for the run (StartRun)
  bool removeAtEnd_ = false;  // this process's own file, removed when it ends
  qint64 runBytes_ = 0;       // written and buffered in this run
  bool full_ = false;
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
