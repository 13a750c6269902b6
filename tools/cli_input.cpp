#include "cli_input.h"

#include "cli_options.h"
#include "data/file_access.h"

#include <QFile>
#include <QFileInfo>

namespace qh::cli {

QString CheckSourceFormat(const QString& file, const QString& format) {
  if (format.isNull()) {
    if (file != QLatin1StringView(kStandardInput)) return {};
    return QStringLiteral("FILE - needs --format html|csv|xls|xlsx");
  }
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
  QFile in;
  if (!in.open(stdin, QIODevice::ReadOnly)) return {};
  return in.readAll();
}

bool LoadCliSource(const QString& file, const QString& format, const LoadLimits& limits,
                   ItemTable& table) {
  if (file == QLatin1StringView(kStandardInput))
    return LoadSourceBytes(ReadStandardInput(), format, file, limits, table);
  if (format.isNull()) return LoadSourceFile(file, limits, table);
  table.Reset();
  if (!RequireExistingFile(file, table)) return false;
  return LoadSourceBytes(ReadAllBytes(file), format, file, limits, table);
}

int LoadFailureCode(const QString& file) {
  if (file == QLatin1StringView(kStandardInput)) return kExitRefused;
  const QFileInfo info(file);
  if (!info.exists() || !info.isFile() || !info.isReadable()) return kExitInputMissing;
  QFile probe(file);
  return probe.open(QIODevice::ReadOnly) ? kExitRefused : kExitInputMissing;
}

void ReportRefusal(const QString& file, const ItemTable& table) {
  QString message = file + QStringLiteral(": ") + table.LastError;
  if (!table.LastHint.isEmpty()) message += QStringLiteral("\n\n") + table.LastHint;
  message.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  PrintError(message);
}

}  // namespace qh::cli
