// Typed or pasted "item,value" lines from the source page.
#include "base/text_utils.h"
#include "data/manual_input.h"
#include "data/value_rules.h"

namespace qh {

namespace {

// The one cut of a line: the first tab, else the first comma, else the
// first ";", else the first space. -1 when there is none.
qsizetype ManualSeparator(QStringView line) {
  for (QChar separator : {QChar(u'\t'), QChar(u','), QChar(u';'), QChar(u' ')}) {
    const qsizetype p = line.indexOf(separator);
    if (p >= 0) return p;
  }
  return -1;
}

}  // namespace

bool ParseManualInput(const QString& input, const LoadLimits&, ItemTable& table) {
  table.Reset();
  QString text = input;
  text.replace(QChar(0xFF0C), u',');
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(u'\r', u'\n');
  if (text.isEmpty()) {
    return table.Fail(QStringLiteral("没有输入任何数据."),
                      QStringLiteral("请按每行 项目,数值 的格式输入."));
  }
  bool badFound = false;
  qsizetype badLine = 0;
  QString badText;
  qsizetype lineNo = 0;
  for (QStringView line : QStringView(text).tokenize(u'\n')) {
    ++lineNo;
    if (IsBlank(line)) continue;
    const qsizetype p = ManualSeparator(line);
    QString valueText;
    double value = 0.0;
    if (p >= 0) {
      valueText = StripSpaces(line.sliced(p + 1));
      if (ReadValue(valueText, value)) {
        table.Items.AddStripped(line.left(p), value);
        continue;
      }
    } else {
      valueText = StripSpaces(line);
    }
    if (!badFound) {
      badFound = true;
      badLine = lineNo;
      badText = valueText;
    }
  }
  if (badFound) {
    return table.Fail(
        QStringLiteral("输入数据的第 2 列存在非数值内容,无法生成图表."),
        QStringLiteral("第 %1 行:").arg(badLine) + badText + QStringLiteral(" 不是有效数值."));
  }
  if (table.ItemCount() < 2) {
    return table.Fail(QStringLiteral("输入的数据不足两行,无法生成图表."),
                      QStringLiteral("请按每行 项目,数值 的格式至少输入两行数据."));
  }
  table.LastHint = QStringLiteral("手工输入校验通过,共 %1 项数据.").arg(table.ItemCount());
  return true;
}

}  // namespace qh
