#include "base/diag_log.h"

#include "base/code_page.h"

#include <QFile>

namespace qh {

DiagLog::DiagLog(QString logPath) : path_(std::move(logPath)) {}

DiagLog::~DiagLog() { Flush(); }

void DiagLog::SetLogPath(QString path) {
  Flush();
  path_ = std::move(path);
}

void DiagLog::DeleteExisting() {
  buffer_.clear();
  if (Enabled()) QFile::remove(path_);
}

void DiagLog::WriteLog(const QString& line) {
  if (!Enabled()) return;
  AppendEncoded(line);
  buffer_.append("\r\n", 2);
  if (buffer_.size() > kFlushThreshold) Flush();
}

void DiagLog::AppendEncoded(const QString& line) {
  bool ascii = true;
  for (QChar c : line) {
    if (c.unicode() >= 0x80) {
      ascii = false;
      break;
    }
  }
  if (ascii) {
    const qsizetype old = buffer_.size();
    buffer_.resize(old + line.size());
    char* out = buffer_.data() + old;
    for (QChar c : line) *out++ = static_cast<char>(c.unicode());
    return;
  }
  if (!encoder_.isValid()) {
    buffer_.append(EncodeGbk(line));
    return;
  }
  // Encoding straight into the buffer: the HTML reader logs every row.
  const qsizetype old = buffer_.size();
  buffer_.resize(old + encoder_.requiredSpace(line.size()));
  char* end = encoder_.appendToBuffer(buffer_.data() + old, line);
  buffer_.resize(end - buffer_.constData());
}

void DiagLog::Flush() {
  if (buffer_.isEmpty()) return;
  if (Enabled()) {
    QFile file(path_);
    // Logging never disturbs the caller: a failed write just loses the lines.
    if (file.open(QIODevice::WriteOnly | QIODevice::Append)) file.write(buffer_);
  }
  buffer_.clear();
}

}  // namespace qh
