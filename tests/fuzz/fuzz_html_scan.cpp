// The HTML scanner's pieces on any text: element finding, cell splitting,
// tag stripping and entity decoding; on valid UTF-8 the scan of the bytes
// in place gives what the scan of the decoded text gives.
#include "base/text_utils.h"
#include "data/html/html_reader.h"
#include "data/html/html_scan.h"
#include "data/text_decode.h"
#include "fuzz_support.h"

#include <algorithm>

namespace {

void CheckElements(QStringView text, QStringView tag) {
  const QString open = QStringLiteral("<") + tag.toString();
  const QString close = QStringLiteral("</") + tag.toString() + QStringLiteral(">");
  const QChar* end = text.data() + text.size();
  const QChar* previousEnd = text.data();
  for (QStringView element : qh::FindElementViews(text, tag)) {
    if (element.data() < previousEnd || element.data() + element.size() > end) {
      qh::fuzz::Violation("element outside the text or overlapping");
    }
    if (!element.startsWith(open, Qt::CaseInsensitive) ||
        !element.endsWith(close, Qt::CaseInsensitive)) {
      qh::fuzz::Violation("element not framed by its tags", element.toString());
    }
    previousEnd = element.data() + element.size();
  }
}

// Bytes and decoded text split into the same elements, cells and verdict.
void CheckBytesAsText(QByteArrayView bytes, const QString& text) {
  for (QLatin1StringView tag : {QLatin1StringView("table"), QLatin1StringView("tr")}) {
    const std::vector<QStringView> elements = qh::FindElementViews(text, QString(tag));
    size_t count = 0;
    for (qh::ElementSpan e = qh::NextElement(bytes, tag, 0); e.Found();
         e = qh::NextElement(bytes, tag, e.End), ++count) {
      if (count >= elements.size() ||
          QString::fromUtf8(bytes.sliced(e.Start, e.End - e.Start)) != elements[count]) {
        qh::fuzz::Violation("bytes give another element than the text", text);
      }
    }
    if (count != elements.size()) qh::fuzz::Violation("bytes give fewer elements", text);
  }
  qh::RowCells fromText, fromBytes;
  qh::SplitCellsInto(text, fromText);
  qh::SplitCellsInto(bytes, fromBytes);
  if (fromText.Cells.size() != fromBytes.Cells.size() ||
      !std::equal(fromText.Cells.begin(), fromText.Cells.end(), fromBytes.Cells.begin())) {
    qh::fuzz::Violation("bytes split into other cells than the text", text);
  }
  qh::ItemTable a, b;
  const bool okText = qh::ParseHtmlText(text, qh::LoadLimits{}, a, nullptr);
  const bool okBytes = qh::ParseHtmlUtf8(bytes, qh::LoadLimits{}, b, nullptr);
  if (okText != okBytes || a.Items != b.Items || a.LastError != b.LastError ||
      a.LastHint != b.LastHint || a.Caption != b.Caption || a.FirstRow != b.FirstRow ||
      a.ValueHeading != b.ValueHeading) {
    qh::fuzz::Violation("bytes read to another table than the text", text);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text =
      QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  CheckElements(text, u"table");
  CheckElements(text, u"tr");
  const QByteArrayView bytes(data, static_cast<qsizetype>(size));
  QString strict;
  if (qh::IsValidUtf8(bytes) && qh::DecodeUtf8Strict(bytes, strict))
    CheckBytesAsText(bytes, strict);

  const QString decoded = qh::DecodeEntities(text);
  // Every reference is longer than what it stands for.
  if (decoded.size() > text.size()) qh::fuzz::Violation("decoding made the text longer");
  if (!text.contains(u'&') && decoded != text) qh::fuzz::Violation("decoded text without '&'");

  const QString stripped = qh::StripTags(text);
  if (stripped.contains(u'>')) qh::fuzz::Violation("'>' survived StripTags");
  if (qh::CleanCellText(text) != qh::StripSpaces(qh::DecodeEntities(stripped))) {
    qh::fuzz::Violation("CleanCellText differs from its definition", text);
  }

  qh::RowCells row;
  qh::SplitCellsInto(text, row);
  const size_t cellCount = row.Cells.size();
  if (static_cast<qsizetype>(cellCount) > text.count(u'<'))
    qh::fuzz::Violation("more cells than tags");
  qh::MergeDuplicateCellViews(row.Cells);
  if (row.Cells.size() > cellCount) qh::fuzz::Violation("merge added cells");
  return 0;
}
