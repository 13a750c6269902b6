#include "update/program_check.h"

#include <QFile>
#include <QFileInfo>

#include "update/pe_image.h"
#include "update/update_platform.h"

namespace qh {

namespace {

// ELF identification and header fields.
constexpr int kElfClass = 4;
constexpr int kElfData = 5;
constexpr int kElfIdentVersion = 6;
constexpr char kElfClass32 = 1;
constexpr char kElfClass64 = 2;
constexpr char kElfLittle = 1;
constexpr char kElfBig = 2;

struct ElfLayout {
  qsizetype HeaderBytes;
  qsizetype PhoffAt, PhoffBytes;
  qsizetype EhsizeAt;  // e_ehsize, then e_phentsize and e_phnum follow
  quint32 Phentsize;
};
constexpr ElfLayout kElf32{52, 28, 4, 40, 32};
constexpr ElfLayout kElf64{64, 32, 8, 52, 56};

quint64 ReadUnsigned(QByteArrayView bytes, qsizetype at, qsizetype width, bool little) {
  quint64 value = 0;
  for (qsizetype i = 0; i < width; ++i) {
    const quint64 byte = static_cast<quint8>(bytes[at + (little ? width - 1 - i : i)]);
    value = (value << 8) | byte;
  }
  return value;
}

bool IsElf(QByteArrayView head) {
  return head.startsWith(
      "\x7F"
      "ELF");
}

struct ElfHeader {
  char ElfClass = 0, Data = 0;
  quint64 Type = 0, Machine = 0;
  bool Whole = false;  // header well formed, program headers inside the file
};

ElfHeader ReadElf(QByteArrayView head, qint64 fileSize) {
  ElfHeader h;
  if (!IsElf(head) || head.size() < 16 || head[kElfIdentVersion] != 1) return h;
  h.ElfClass = head[kElfClass];
  h.Data = head[kElfData];
  if ((h.ElfClass != kElfClass32 && h.ElfClass != kElfClass64) ||
      (h.Data != kElfLittle && h.Data != kElfBig))
    return h;
  const ElfLayout& layout = h.ElfClass == kElfClass64 ? kElf64 : kElf32;
  const bool little = h.Data == kElfLittle;
  if (head.size() < layout.HeaderBytes || fileSize < layout.HeaderBytes) return h;
  h.Type = ReadUnsigned(head, 16, 2, little);
  h.Machine = ReadUnsigned(head, 18, 2, little);
  const quint64 phoff = ReadUnsigned(head, layout.PhoffAt, layout.PhoffBytes, little);
  const quint64 ehsize = ReadUnsigned(head, layout.EhsizeAt, 2, little);
  const quint64 phentsize = ReadUnsigned(head, layout.EhsizeAt + 2, 2, little);
  const quint64 phnum = ReadUnsigned(head, layout.EhsizeAt + 4, 2, little);
  // Every number here is below 2^16 except phoff, so the sum cannot wrap
  // once phoff is known to lie inside the file.
  h.Whole = ReadUnsigned(head, 20, 4, little) == 1 && ehsize == quint64(layout.HeaderBytes) &&
            phentsize == layout.Phentsize && phnum > 0 && phoff >= ehsize &&
            phoff < quint64(fileSize) && phoff + phnum * phentsize <= quint64(fileSize);
  return h;
}

bool ElfMatches(QByteArrayView candidate, qint64 size, QByteArrayView running) {
  const ElfHeader c = ReadElf(candidate, size);
  const ElfHeader r = ReadElf(running, running.size());
  return c.Whole && c.ElfClass == r.ElfClass && c.Data == r.Data && c.Type == r.Type &&
         c.Machine == r.Machine;
}

}  // namespace

QByteArray ProgramHead(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.read(kProgramHeadBytes);
}

bool MatchesRunningProgram(QByteArrayView candidate, qint64 candidateSize, QByteArrayView running) {
  if (IsElf(running)) return ElfMatches(candidate, candidateSize, running);
  if (IsPeImage(running)) return PeImageMatches(candidate, candidateSize, running);
  return false;
}

QString VersionAnswerOf(QByteArrayView output) {
  const qsizetype end = output.indexOf('\n');
  return QString::fromUtf8(end < 0 ? output : output.first(end)).trimmed();
}

VersionProbe::VersionProbe(const QString& program, int timeoutMs, Done done)
    : done_(std::move(done)) {
  limit_.setSingleShot(true);
  QObject::connect(&limit_, &QTimer::timeout, &process_, [this] { Finish(ProbeResult::TimedOut); });
  QObject::connect(&process_, &QProcess::started, &process_,
                   [this] { processId_ = process_.processId(); });
  QObject::connect(&process_, &QProcess::finished, &process_,
                   [this](int code, QProcess::ExitStatus status) {
                     if (status != QProcess::NormalExit) return Finish(ProbeResult::Crashed);
                     Finish(code == 0 ? ProbeResult::Answered : ProbeResult::ExitedWithError, code);
                   });
  QObject::connect(&process_, &QProcess::errorOccurred, &process_,
                   [this](QProcess::ProcessError e) {
                     if (e == QProcess::FailedToStart) Finish(ProbeResult::FailedToStart);
                   });
  // The version line is kept, and no more than a line's worth of it.
  QObject::connect(&process_, &QProcess::readyReadStandardOutput, &process_, [this] { Collect(); });
  process_.setStandardInputFile(QProcess::nullDevice());
  process_.setStandardErrorFile(QProcess::nullDevice());
  process_.setWorkingDirectory(QFileInfo(program).absolutePath());
  ContainTrialRun(process_);
  limit_.start(timeoutMs);
  process_.start(program, {QStringLiteral("--version")});
}

VersionProbe::~VersionProbe() {
  finished_ = true;
  process_.disconnect();
  EndGroup();
}

void VersionProbe::EndGroup() {
  EndTrialRun(processId_);
  if (process_.state() != QProcess::NotRunning) {
    process_.kill();
    process_.waitForFinished(1000);
  }
}

void VersionProbe::Collect() {
  constexpr qsizetype kMaxAnswerBytes = 256;
  output_ += process_.readAllStandardOutput();
  if (output_.size() > kMaxAnswerBytes) output_.truncate(kMaxAnswerBytes);
}

void VersionProbe::Finish(ProbeResult::Outcome kind, int exitCode) {
  if (finished_) return;
  finished_ = true;
  limit_.stop();
  if (kind == ProbeResult::Answered) Collect();
  // Nothing it started outlives the trial, whatever the outcome.
  EndGroup();
  ProbeResult result;
  result.Kind = kind;
  result.ExitCode = exitCode;
  if (kind == ProbeResult::Answered) result.Version = VersionAnswerOf(output_);
  // Last statement: the owner may retire the probe from the callback.
  done_(result);
}

}  // namespace qh
