#pragma once
// Before a downloaded program may replace the running one it must be a
// program for this computer, and it must run.
#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QTimer>
#include <functional>

namespace qh {

// Enough of a file to read the ELF header or the PE headers of any real program.
inline constexpr qsizetype kProgramHeadBytes = 4096;

// The first kProgramHeadBytes of a file; empty when it cannot be read.
QByteArray ProgramHead(const QString& path);

// True when candidate (the start of a file of candidateSize bytes) is an
// executable of the same kind as running: for ELF the same class, byte
// order, machine and type, with its program headers inside the file; for PE
// the same machine and optional-header kind, an executable image (not a
// library) with its section table inside the file.
bool MatchesRunningProgram(QByteArrayView candidate, qint64 candidateSize, QByteArrayView running);

// What a program printed for "--version": its first line, without blanks.
QString VersionAnswerOf(QByteArrayView output);

// How a trial run ended.
struct ProbeResult {
  enum Outcome {
    Answered,       // exited by itself with code 0
    FailedToStart,  // the system could not start it
    TimedOut,       // still running at the time limit
    ExitedWithError,
    Crashed,
  };
  Outcome Kind = FailedToStart;
  int ExitCode = 0;  // with ExitedWithError
  QString Version;   // with Answered: what it printed
};

// Runs a program with "--version", contained: in a session and process
// group of its own without a terminal (standard input and error on the null
// device, output read by us), its own folder as working directory, only
// PATH, HOME and LANG of the environment. Whatever it started is killed
// with it when it ends, times out, or the probe is destroyed. The callback
// must not delete the probe directly (use deleteLater).
class VersionProbe : public QObject {
 public:
  using Done = std::function<void(const ProbeResult&)>;
  VersionProbe(const QString& program, int timeoutMs, Done done);
  ~VersionProbe();
  VersionProbe(const VersionProbe&) = delete;
  VersionProbe& operator=(const VersionProbe&) = delete;

 private:
  void Finish(ProbeResult::Outcome kind, int exitCode = 0);
  void Collect();
  void EndGroup();

  QProcess process_;
  QTimer limit_;
  Done done_;
  QByteArray output_;
  qint64 processId_ = 0;
  bool finished_ = false;
};

}  // namespace qh
