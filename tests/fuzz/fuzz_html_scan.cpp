// The HTML scanner's pieces on any text: element finding, cell splitting,
// tag stripping and entity decoding.
#include "base/text_utils.h"
#include "data/html/html_scan.h"
#include "fuzz_support.h"

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text =
      QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  CheckElements(text, u"table");
  CheckElements(text, u"tr");

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
