#include "data/csv_reader.h"

#include "base/text_utils.h"
#include "data/text_decode.h"
#include "data/validate_rows.h"

#include <span>

namespace qh {

QChar DetectCsvSeparator(QStringView text) {
  if (text.contains(u',')) return u',';
  if (text.contains(u'\t')) return u'\t';
  if (text.contains(u';')) return u';';
  return u',';
}

CsvLines SplitCsvText(QString source, QChar separator) {
  CsvLines result;
  result.buffer = std::move(source);
  // Written behind the reading position, so one buffer serves both.
  QChar* const out = result.buffer.data();
  const QStringView text(result.buffer);
  result.lines.reserve(static_cast<size_t>(text.count(u'\n')) + 1);
  qsizetype length = 0;
  qsizetype lineStart = 0;
  bool inQuote = false;
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n; ++i) {
    QChar c = text[i];
    if (c == u'\r') {
      if (i + 1 < n && text[i + 1] == u'\n') continue;  // CR LF counts as the LF
      c = u'\n';
    }
    if (inQuote) {
      if (c != u'"') {
        out[length++] = c;
      } else if (i + 1 < n && text[i + 1] == u'"') {
        out[length++] = c;
        ++i;
      } else {
        inQuote = false;
      }
    } else if (c == u'"') {
      inQuote = true;
    } else if (c == separator) {
      out[length++] = u'\t';
    } else if (c == u'\n') {
      result.lines.emplace_back(out + lineStart, length - lineStart);
      lineStart = length;
    } else {
      out[length++] = c;
    }
  }
  if (length > lineStart) result.lines.emplace_back(out + lineStart, length - lineStart);
  result.buffer.truncate(length);  // shrinking keeps the storage the views point into
  return result;
}

QStringList SplitCsvLines(QStringView text, QChar separator) {
  const CsvLines split = SplitCsvText(text.toString(), separator);
  QStringList lines;
  lines.reserve(static_cast<qsizetype>(split.lines.size()));
  for (QStringView line : split.lines) lines.append(line.toString());
  return lines;
}

bool ParseCsvText(QString text, const LoadLimits& limits, ItemTable& table) {
  table.Reset();
  const QChar separator = DetectCsvSeparator(text);
  const CsvLines split = SplitCsvText(std::move(text), separator);
  if (split.lines.empty()) {
    return table.Fail(QStringLiteral("数据源 CSV 中没有数据,无法生成图表."),
                      QStringLiteral("文件内容为空."));
  }
  return ValidateRows(std::span<const QStringView>(split.lines), QStringLiteral("CSV"), limits,
                      table);
}

bool ParseCsvBytes(QByteArrayView bytes, const LoadLimits& limits, ItemTable& table) {
  return ParseCsvText(DecodeFileText(bytes, Utf8Mark::Skip), limits, table);
}

}  // namespace qh
