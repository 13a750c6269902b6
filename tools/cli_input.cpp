#include "cli_input.h"

#include <QFile>
#include <cstdio>

namespace qh::cli {

QString CheckSourceFormat(const QString& file, const QString& format) {
  if (file != QLatin1StringView(kStandardInput)) {
    return format.isNull() ? QString() : QStringLiteral("--format is only for FILE -");
  }
  if (format.isNull()) return QStringLiteral("FILE - needs --format html|csv|xls|xlsx");
  for (const char* known : {"html", "csv", "xls", "xlsx"}) {
    if (format == QLatin1StringView(known)) return {};
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
  if (file != QLatin1StringView(kStandardInput)) return LoadSourceFile(file, limits, table);
  return LoadSourceBytes(ReadStandardInput(), format, file, limits, table);
}

}  // namespace qh::cli
