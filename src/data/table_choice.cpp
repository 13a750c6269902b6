#include "data/table_choice.h"

#include "base/text_utils.h"

#include <algorithm>

namespace qh {

namespace {

const QString kBreak = QStringLiteral("\r\n\r\n");

// A table wider than this is no table a column is picked from by hand.
constexpr int kMaxColumnNumber = 16384;

bool SameHeader(QStringView cell, const QString& wanted) {
  return StripSpaces(cell).compare(StripSpaces(wanted), Qt::CaseInsensitive) == 0;
}

}  // namespace

bool IsTotalName(QStringView name) {
  const QString stripped = StripSpaces(name);
  for (const char16_t* total : {u"合计", u"总计", u"小计", u"总额"}) {
    if (stripped == QStringView(total)) return true;
  }
  return stripped.compare(u"total", Qt::CaseInsensitive) == 0;
}

QString ValueHeadingText(QStringView cell) {
  // At most a line's worth: a header cell is a few words, not a paragraph.
  const QString text = StripSpaces(cell).left(200);
  // The words export programs put over any number column: under a chart
  // title they say no more than the numbers themselves.
  for (const char16_t* generic :
       {u"数值", u"值",    u"数",     u"数字",    u"数据",   u"取值",  u"数值列", u"金额",
        u"数量", u"value", u"values", u"data",    u"number", u"num",   u"amount", u"quantity",
        u"列2",  u"第2列", u"第二列", u"column2", u"col2",   u"字段2", u"field2"}) {
    if (text.compare(QStringView(generic), Qt::CaseInsensitive) == 0) return {};
  }
  return text;
}

int SheetIndex(const QStringList& names, const QString& wanted) {
  if (names.isEmpty()) return -1;
  const QString name = wanted.trimmed();
  if (name.isEmpty()) return 0;
  for (qsizetype i = 0; i < names.size(); ++i) {
    if (names[i].trimmed().compare(name, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
  }
  // A sheet named "2" is found by its name first.
  bool isNumber = false;
  const qsizetype number = name.toLongLong(&isNumber);
  return isNumber && number >= 1 && number <= names.size() ? static_cast<int>(number - 1) : -1;
}

bool IsFirstSheet(const QString& wanted) {
  const QString name = wanted.trimmed();
  return name.isEmpty() || name == u"1";
}

namespace {

QString UnknownSheetError(const QString& wanted, bool workbook) {
  return (workbook ? QStringLiteral("工作簿中没有工作表 ")
                   : QStringLiteral("数据源中没有工作表 ")) +
         wanted.trimmed() + QStringLiteral(",无法生成图表.");
}

}  // namespace

bool RefusedForSheet(const ItemTable& table, const TableChoice& choice) {
  if (choice.Sheet.isEmpty()) return false;
  return table.LastError == UnknownSheetError(choice.Sheet, !table.Sheets.isEmpty());
}

bool FailUnknownSheet(ItemTable& table, const QString& wanted, const QStringList& names) {
  const QString advice = QStringLiteral("请按名称或序号(从 1 数起)选择工作表.");
  if (names.isEmpty()) {
    return table.Fail(UnknownSheetError(wanted, false),
                      QStringLiteral("该文件不是工作簿,只有一张表.") + kBreak + advice);
  }
  QStringList numbered;
  for (qsizetype i = 0; i < names.size(); ++i)
    numbered << QStringLiteral("%1. ").arg(i + 1) + names[i];
  table.Fail(UnknownSheetError(wanted, true),
             QStringLiteral("工作簿中的工作表:") + numbered.join(u'、') + u'.' + kBreak + advice);
  table.Sheets = names;
  return false;
}

int ColumnNumberIndex(QStringView text) {
  const QString stripped = StripSpaces(text);
  if (stripped.isEmpty() || stripped.size() > 5) return -1;
  for (const QChar c : stripped) {
    if (c < u'0' || c > u'9') return -1;
  }
  const int number = stripped.toInt();
  return number >= 1 && number <= kMaxColumnNumber ? number - 1 : -1;
}

TableSelection::TableSelection(const TableChoice& choice) : choice_(choice) {
  if (!choice_.PicksColumns()) return;
  name_ = ColumnNumberIndex(choice_.NameColumn);
  value_ = ColumnNumberIndex(choice_.ValueColumn);
  resolved_ = name_ >= 0 && value_ >= 0;
}

bool TableSelection::Resolve(const std::vector<QStringView>& header) {
  const auto find = [&header](const QString& wanted) {
    for (size_t i = 0; i < header.size(); ++i) {
      if (SameHeader(header[i], wanted)) return static_cast<int>(i);
    }
    return -1;
  };
  if (name_ < 0) name_ = find(choice_.NameColumn);
  if (value_ < 0) value_ = find(choice_.ValueColumn);
  resolved_ = true;
  if (value_ >= 0 && static_cast<size_t>(value_) < header.size())
    heading_ = ValueHeadingText(header[static_cast<size_t>(value_)]);
  if (name_ >= 0 && value_ >= 0) return true;
  missing_ = name_ < 0 ? StripSpaces(choice_.NameColumn) : StripSpaces(choice_.ValueColumn);
  for (QStringView cell : header) header_ << StripSpaces(cell);
  return false;
}

bool TableSelection::Narrow(std::vector<QStringView>& cells) {
  if (!choice_.PicksColumns()) return true;
  widest_ = std::max(widest_, static_cast<int>(cells.size()));
  if (!missing_.isEmpty()) return false;
  if (!resolved_) {
    // The first row names the columns when they were chosen by header text.
    Resolve(cells);
    return false;
  }
  if (cells.size() < 2) return false;
  const auto cell = [&cells](int index) {
    return index < static_cast<int>(cells.size()) ? cells[static_cast<size_t>(index)]
                                                  : QStringView();
  };
  const QStringView name = cell(name_), value = cell(value_);
  cells.assign({name, value});
  return true;
}

bool TableSelection::CheckColumns(ItemTable& table, const QString& label) const {
  if (!choice_.PicksColumns()) return true;
  const QString source = QStringLiteral("数据源") + label;
  if (!missing_.isEmpty()) {
    return table.Fail(
        source + QStringLiteral("中没有名为") + missing_ + QStringLiteral("的列,无法生成图表."),
        QStringLiteral("表头为:") + header_.join(u'、') + u'.' + kBreak +
            QStringLiteral("请按表头文字或列号(从 1 数起)选择名称列和数值列."));
  }
  const int needed = std::max(name_, value_) + 1;
  if (!resolved_ || widest_ >= needed) return true;
  return table.Fail(source + QStringLiteral("没有第 %1 列,无法生成图表.").arg(needed),
                    QStringLiteral("检测到 %1 列,所选的是第 %2 列和第 %3 列.")
                            .arg(widest_)
                            .arg(name_ + 1)
                            .arg(value_ + 1) +
                        kBreak +
                        QStringLiteral("请按表头文字或列号(从 1 数起)选择名称列和数值列."));
}

}  // namespace qh
