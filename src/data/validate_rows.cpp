#include "data/validate_rows.h"

#include "base/text_utils.h"
#include "data/text_decode.h"
#include "data/value_rules.h"

#include <algorithm>
#include <vector>

namespace qh {

namespace {

// StripSpaces(text).size(), without the copy.
qsizetype StrippedLength(QStringView text) {
  qsizetype length = 0;
  for (const QChar c : text) length += IsStrippedSpace(c) ? 0 : 1;
  return length;
}

const QString kBreak = QStringLiteral("\r\n\r\n");

bool FailColumns(ItemTable& table, const QString& label, int maxCols) {
  const QString counted = maxCols < 2 ? QStringLiteral("检测到只有 %1 列").arg(maxCols)
                                      : QStringLiteral("检测到 %1 列").arg(maxCols);
  return table.Fail(QStringLiteral("数据源") + label + QStringLiteral("不是两列数据,无法生成图表."),
                    counted + QStringLiteral(",本工具要求数据源为两列数据(项目,数值).") + kBreak +
                        QStringLiteral("请让系统导出两列格式,或改用[数据源]页面的手工输入."));
}

}  // namespace

RowValidator::RowValidator(const QString& label, ItemTable& table, const LoadLimits& limits,
                           const TableChoice& choice)
    : label_(label), table_(table), limits_(limits) {
  table_.Reset();
  keep_ = limits.KeepItems > 0 ? static_cast<size_t>(limits.KeepItems) : 0;
  if (limits.CompactItems) compact_ = &table_.Compact.emplace();
  if (!choice.IsDefault()) selection_.emplace(choice);
}

void RowValidator::Add(size_t index, QStringView line) {
  if (overLimit_) return;
  if (selection_) {
    AddChosen(index, line);
  } else {
    AddLine(index, line);
  }
}

void RowValidator::AddChosen(size_t index, QStringView line) {
  if (IsBlank(line) || selection_->Skips(index)) return;
  // The total's name stands in the first column, also when another one
  // holds the item names.
  bool total = false;
  if (selection_->Choice().NoTotal) {
    const qsizetype tab = line.indexOf(u'\t');
    total = IsTotalName(tab < 0 ? line : line.left(tab));
  }
  if (selection_->Choice().PicksColumns()) {
    cells_.clear();
    for (const QStringView cell : line.tokenize(u'\t')) cells_.push_back(cell);
    if (!selection_->Narrow(cells_)) return;
    total = total || (selection_->Choice().NoTotal && IsTotalName(cells_[0]));
    narrowed_.resize(0);
    narrowed_.append(cells_[0]).append(u'\t').append(cells_[1]);
    line = narrowed_;
  }
  // A total row counts only as the last row; any row after it lets it in.
  if (heldTotal_) {
    AddLine(heldTotal_->first, heldTotal_->second);
    heldTotal_.reset();
  }
  if (total) {
    heldTotal_.emplace(index, line.toString());
    return;
  }
  AddLine(index, line);
}

void RowValidator::AddLine(size_t index, QStringView line) {
  if (IsBlank(line)) return;  // no non-empty cell: tabs and spaces only
  // The first row of several cells: the header, below any title.
  if (!firstRowSeen_ && line.contains(u'\t')) {
    firstRowSeen_ = true;
    firstRow_ = line.toString();
  }
  const int cells = static_cast<int>(line.count(u'\t')) + 1;
  if (cells > maxCols_) maxCols_ = cells;
  if (cells < 2) return;
  const qsizetype tab = line.indexOf(u'\t');
  const qsizetype tab2 = line.indexOf(u'\t', tab + 1);
  const QStringView name = line.left(tab);
  // The value rules skip spaces themselves; the stripped text is needed
  // only to quote a bad cell.
  const QStringView valueText = tab2 < 0 ? line.mid(tab + 1) : line.mid(tab + 1, tab2 - tab - 1);
  // A header names its columns: neither cell is a number and the value
  // cell is no value either (A,"1,234" is data).
  const size_t headerIndex = selection_ ? selection_->HeaderIndex() : 0;
  if (index == headerIndex && whole_.Rows == 0 && !IsPlainNumber(valueText) &&
      !IsPlainNumber(name) && !IsValueText(valueText)) {
    table_.ValueHeading = ValueHeadingText(valueText);
    return;
  }
  double value = 0.0;
  if (ReadValue(valueText, value)) {
    if (!KeepsNextName()) {
      if (AdmitItem(value)) whole_.LongestName = std::max(whole_.LongestName, StrippedLength(name));
      return;
    }
    if (AdmitItem(value)) KeepItem(name, value);
  } else if (!badFound_) {
    badFound_ = true;
    badRow_ = static_cast<qsizetype>(index) + 1;
    badText_ = StripSpaces(valueText);
  }
}

bool RowValidator::AdmitItem(double value) {
  if (!limits_.AdmitsMore(static_cast<size_t>(whole_.Rows))) {
    overLimit_ = true;
    table_.Items = {};  // the memory goes now, not at the verdict
    if (compact_ != nullptr) *compact_ = {};
    return false;
  }
  whole_.Add(value);
  return true;
}

void RowValidator::AddReadRow(int cells, std::string_view name, double value) {
  if (cells > maxCols_) maxCols_ = cells;
  if (!AdmitItem(value)) return;
  if (KeepsNextName() && compact_ != nullptr) {
    // Kept as the bytes stand: no decoding on the way in or out.
    ++kept_;
    compact_->AddStripping(name, value);
    if (keep_ == 0) return;
  } else if (KeepsNextName()) {
    decoded_.resize(name.size());
    const char16_t* end = DecodeUtf8Into(
        QByteArrayView(name.data(), static_cast<qsizetype>(name.size())), decoded_.data());
    KeepItem(QStringView(decoded_.data(), end - decoded_.data()), value);
    return;
  }
  whole_.LongestName = std::max(whole_.LongestName, StrippedUtf16Length(name));
}

void RowValidator::AddReadRow(int cells, QStringView name, double value) {
  if (cells > maxCols_) maxCols_ = cells;
  if (!KeepsNextName()) {
    if (AdmitItem(value)) whole_.LongestName = std::max(whole_.LongestName, StrippedLength(name));
    return;
  }
  if (AdmitItem(value)) KeepItem(name, value);
}

void RowValidator::KeepItem(QStringView name, double value) {
  ++kept_;
  if (compact_ == nullptr) {
    table_.Items.AddStripped(name, value);
    if (keep_ != 0)
      whole_.LongestName = std::max(whole_.LongestName, table_.Items.back().Name.size());
    return;
  }
  stripped_.clear();
  for (const QChar c : name) {
    if (!IsStrippedSpace(c)) stripped_.push_back(c.unicode());
  }
  const QStringView stripped(stripped_.data(), static_cast<qsizetype>(stripped_.size()));
  compact_->Add(stripped, value);
  if (keep_ != 0) whole_.LongestName = std::max(whole_.LongestName, stripped.size());
}

bool RowValidator::Finish() {
  if (overLimit_) return FailOverItemLimit(limits_, table_);
  if (selection_ && !selection_->CheckColumns(table_, label_)) return false;
  if (maxCols_ != 2) {
    FailColumns(table_, label_, maxCols_);
    if (maxCols_ > 2 && !(selection_ && selection_->Choice().PicksColumns())) {
      table_.Columns = maxCols_;
      for (const QStringView cell : QStringView(firstRow_).tokenize(u'\t')) {
        if (table_.FirstRow.size() == ItemTable::kMostOfferedColumns) break;
        table_.FirstRow << StripSpaces(cell);
      }
    }
    return false;
  }
  if (badFound_) {
    const int column = selection_ ? selection_->ValueColumnNumber() : 2;
    return table_.Fail(QStringLiteral("数据源") + label_ +
                           QStringLiteral("第 %1 列存在非数值内容,无法生成图表.").arg(column),
                       QStringLiteral("第 %1 行的数值列为").arg(badRow_) + badText_ + u'.' +
                           kBreak + QStringLiteral("数据源第 %1 列必须全部为数值.").arg(column));
  }
  if (whole_.Rows < 2) {
    return table_.Fail(
        QStringLiteral("数据源") + label_ + QStringLiteral("没有可用的两列数据(项目,数值)."),
        QStringLiteral("有效数据行不足 2 行,无法生成图表."));
  }
  if (kept_ < static_cast<size_t>(whole_.Rows)) table_.Whole = whole_;
  // Columns found by their header texts: that row never reached AddLine.
  if (selection_ && table_.ValueHeading.isEmpty()) table_.ValueHeading = selection_->ValueHeading();
  if (heldTotal_) {
    // Left out at the user's request: said where the summary is shown.
    const QStringView total = heldTotal_->second;
    const qsizetype tab = total.indexOf(u'\t');
    QStringList shown{StripSpaces(total.left(tab)), StripSpaces(total.mid(tab + 1))};
    shown.removeAll(QString());
    table_.Notes << QStringLiteral("已略去第 %1 行的合计行:").arg(heldTotal_->first + 1) +
                        shown.join(u' ') + u'.';
  }
  return true;
}

bool ValidateRows(std::span<const QStringView> lines, const QString& label,
                  const LoadLimits& limits, ItemTable& table, const TableChoice& choice) {
  RowValidator rows(label, table, limits, choice);
  table.Items.reserve(std::min(lines.size(), static_cast<size_t>(limits.MaxItems) + 1));
  for (size_t i = 0; i < lines.size() && !rows.Full(); ++i) rows.Add(i, lines[i]);
  return rows.Finish();
}

bool ValidateRows(const QStringList& lines, const QString& label, const LoadLimits& limits,
                  ItemTable& table, const TableChoice& choice) {
  std::vector<QStringView> views(lines.begin(), lines.end());
  return ValidateRows(std::span<const QStringView>(views), label, limits, table, choice);
}

}  // namespace qh
