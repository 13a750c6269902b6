#include "cli_input.h"

#include "cli_options.h"
#include "base/native_name.h"
#include "data/file_access.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <limits>
#include <unistd.h>

namespace qh::cli {

QString CheckSourceFormat(const QString&, const QString& format) {
  if (format.isNull()) return {};
  for (const char* known : {"html", "htm", "csv", "xls", "xlsx"}) {
    if (format == QLatin1StringView(known)) return {};
  }
  for (const char* picture : {"png", "jpg", "jpeg", "bmp", "svg", "pdf"}) {
    if (format == QLatin1StringView(picture)) {
      return QStringLiteral(
                 "--format names what FILE holds (html, csv, xls or xlsx); "
                 "the picture's format is -T %1")
          .arg(format);
    }
  }
  return QStringLiteral("unknown format '%1' (html, csv, xls or xlsx)").arg(format);
}

QByteArray ReadStandardInput() {
  QByteArray bytes;
  ReadStreamBytes(STDIN_FILENO, std::numeric_limits<qint64>::max(), bytes);
  return bytes;
}

bool LoadCliSource(const QString& file, const QString& format, const LoadLimits& limits,
                   const TableChoice& choice, ItemTable& table) {
  if (file == QLatin1StringView(kStandardInput)) {
    QByteArray bytes;
    // Unreadable input reads as no bytes: the empty file's words.
    if (ReadStreamBytes(STDIN_FILENO, limits.MaxBytes(), bytes) == ReadResult::TooLarge)
      return FailSourceTooLarge(limits, table);
    if (format.isNull())
      return LoadSourceStream(std::move(bytes), file, limits, table, nullptr, choice);
    return LoadSourceBytes(std::move(bytes), format, file, limits, table, nullptr, choice);
  }
  if (format.isNull()) return LoadSourceFile(file, limits, table, nullptr, choice);
  return LoadSourceFileAs(file, format, limits, table, nullptr, choice);
}

bool IsDeviceOutput(const QString& path) {
  struct stat info {};
  return !path.contains(u'{') && ::stat(NativeName(path).constData(), &info) == 0 &&
         (S_ISCHR(info.st_mode) || S_ISFIFO(info.st_mode));
}

int LoadFailureCode(const QString& file, const ItemTable& table, const TableChoice& choice) {
  if (RefusedForSheet(table, choice)) return kExitUsage;
  if (file == QLatin1StringView(kStandardInput)) return kExitRefused;
  switch (KindOfFile(file)) {
    case FileKind::Missing:
    case FileKind::Folder: return kExitInputMissing;
    case FileKind::Stream: return kExitRefused;  // read once, and it could be
    case FileKind::Regular: break;
  }
  const int fd = ::open(NativeName(file).constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return kExitInputMissing;
  ::close(fd);
  return kExitRefused;
}

QString RefusalText(const QString& file, const ItemTable& table) {
  QString message = file + QStringLiteral(": ") + table.LastError;
  if (!table.LastHint.isEmpty()) message += QStringLiteral("\n\n") + table.LastHint;
  message.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return message;
}

void ReportRefusal(const QString& file, const ItemTable& table) {
  PrintError(RefusalText(file, table));
}

}  // namespace qh::cli
