#include "ui/main/table_chooser.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace qh {

namespace {

// More title rows than any report has above its table.
constexpr int kMaxSkipRows = 1000;

QComboBox* ColumnBox(const QStringList& columns, int current, const QString& name,
                     QWidget* parent) {
  auto* box = new QComboBox(parent);
  box->addItems(columns);
  box->setCurrentIndex(current);
  box->setAccessibleName(name);
  return box;
}

}  // namespace

TableChooserDialog::TableChooserDialog(const TableChooserOffer& offer, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("选择要绘制的数据"));
  setObjectName(QStringLiteral("tableChooser"));
  const TableChooserAnswer initial = TableChoices::InitialAnswer(offer);

  QString refusalText = offer.Refusal;
  refusalText.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  auto* refusal = new QLabel(refusalText, this);
  refusal->setWordWrap(true);
  refusal->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* advice =
      new QLabel(QStringLiteral("请选择要绘制的部分,每个文件的选择在本次运行中会被记住."), this);
  advice->setWordWrap(true);

  auto* form = new QFormLayout;
  if (offer.Sheets.size() > 1) {
    sheet_ = new QComboBox(this);
    sheet_->addItems(offer.Sheets);
    sheet_->setCurrentIndex(initial.Sheet);
    sheet_->setAccessibleName(QStringLiteral("工作表"));
    form->addRow(QStringLiteral("工作表(&S):"), sheet_);
  }
  nameColumn_ = ColumnBox(offer.Columns, initial.NameColumn, QStringLiteral("名称列"), this);
  valueColumn_ = ColumnBox(offer.Columns, initial.ValueColumn, QStringLiteral("数值列"), this);
  form->addRow(QStringLiteral("名称列(&N):"), nameColumn_);
  form->addRow(QStringLiteral("数值列(&V):"), valueColumn_);
  skipRows_ = new QSpinBox(this);
  skipRows_->setRange(0, kMaxSkipRows);
  skipRows_->setValue(initial.SkipRows);
  skipRows_->setAccessibleName(QStringLiteral("跳过开头的行数"));
  form->addRow(QStringLiteral("跳过开头的行数(&R):"), skipRows_);
  noTotal_ = new QCheckBox(QStringLiteral("略去最后的合计行(&T)"), this);
  noTotal_->setChecked(initial.NoTotal);
  form->addRow(noTotal_);

  problem_ = new QLabel(this);
  problem_->setStyleSheet(QStringLiteral("color: rgb(192, 57, 43);"));
  problem_->hide();

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* draw = buttons->addButton(QStringLiteral("生成图表"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
  draw->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(refusal);
  layout->addWidget(advice);
  layout->addLayout(form);
  layout->addWidget(problem_);
  layout->addWidget(buttons);
  setAccessibleDescription(offer.Refusal);
  (sheet_ ? static_cast<QWidget*>(sheet_) : nameColumn_)->setFocus();
}

TableChooserAnswer TableChooserDialog::Answer() const {
  TableChooserAnswer answer;
  answer.Sheet = sheet_ ? sheet_->currentIndex() : 0;
  answer.NameColumn = nameColumn_->currentIndex();
  answer.ValueColumn = valueColumn_->currentIndex();
  answer.SkipRows = skipRows_->value();
  answer.NoTotal = noTotal_->isChecked();
  return answer;
}

void TableChooserDialog::accept() {
  // A choice that cannot be drawn is said here, and the dialog stays.
  if (const QString problem = TableChoices::Problem(Answer()); !problem.isEmpty()) {
    problem_->setText(problem);
    problem_->show();
    valueColumn_->setFocus();
    return;
  }
  QDialog::accept();
}

std::optional<TableChoice> RunTableChooser(QWidget* parent, const TableChooserOffer& offer) {
  TableChooserDialog dialog(offer, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return TableChoices::ChoiceOf(offer, dialog.Answer());
}

}  // namespace qh
