#include "ui/main/source_page.h"

#include "ui/main/overlay_controls.h"
#include "ui/main/window_layout.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace qh {
namespace {

QLabel* MakeLabel(const QString& text, const char* color, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setStyleSheet(
      QStringLiteral("color: %1; background: transparent;").arg(QLatin1String(color)));
  return label;
}

QFont SizedFont(const QString& family, int px) {
  QFont font(family);
  font.setPixelSize(px);
  return font;
}

}  // namespace

QString SampleDataText() {
  return QStringLiteral(
      "2026第1周,30450.2\r\n2026第2周,44760.82\r\n2026第3周,42202.53\r\n"
      "2026第4周,50597.42\r\n2026第5周,64656.45\r\n2026第6周,87465.41\r\n"
      "2026第7周,46632.97\r\n2026第9周,42839.84");
}

SourcePage::SourcePage(QWidget* parent) : QFrame(parent) {
  setFrameShape(QFrame::NoFrame);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
  lblSrcTitle_ = MakeLabel(QStringLiteral("数据源"), "rgb(68, 51, 34)", this);
  lblFilePath_ = MakeLabel(QStringLiteral("文件路径"), "rgb(122, 96, 85)", this);
  txtPath_ = new QLineEdit(this);
  txtPath_->setReadOnly(true);
  cmdBrowse_ = new QPushButton(QStringLiteral("浏览"), this);
  lblManual_ = MakeLabel(QStringLiteral("手工输入数据(每行一条)"), "rgb(122, 96, 85)", this);
  txtManual_ = new QPlainTextEdit(this);
  txtManual_->setLineWrapMode(QPlainTextEdit::NoWrap);
  cmdSample_ = new QPushButton(QStringLiteral("填入示例"), this);
  cmdClear_ = new QPushButton(QStringLiteral("清空"), this);
  cmdApply_ = new QPushButton(QStringLiteral("生成图表"), this);
  lblLine_ = MakeLabel(QStringLiteral("曲线图颜色"), "rgb(122, 96, 85)", this);
  cboLineColor_ = new NamedComboBox(this);
  lblNotice_ = MakeLabel(QString(), "rgb(192, 57, 43)", this);
  lblNotice_->setWordWrap(true);
  lblNotice_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // Dropped files go to the window, never into a text box as text.
  txtPath_->setAcceptDrops(false);
  txtManual_->setAcceptDrops(false);
  txtManual_->viewport()->setAcceptDrops(false);
  for (QPushButton* b : {cmdBrowse_, cmdSample_, cmdClear_, cmdApply_}) b->setAutoDefault(false);
  NameControls();

  connect(cmdBrowse_, &QPushButton::clicked, this, &SourcePage::BrowseClicked);
  connect(cmdApply_, &QPushButton::clicked, this, &SourcePage::ApplyClicked);
  connect(cmdSample_, &QPushButton::clicked, this, [this] {
    txtManual_->setPlainText(SampleDataText());
    emit NoticeDismissed();
  });
  connect(cmdClear_, &QPushButton::clicked, this, [this] {
    txtManual_->clear();
    emit NoticeDismissed();
  });
}

// Names for assistive technology: the labels are the boxes' buddies, the
// browse button keeps its name while it shows "…", and the colour list is
// named by its label rather than by the colour chosen.
void SourcePage::NameControls() {
  setAccessibleName(QStringLiteral("数据源"));
  lblFilePath_->setBuddy(txtPath_);
  lblManual_->setBuddy(txtManual_);
  lblLine_->setBuddy(cboLineColor_);
  txtPath_->setAccessibleName(lblFilePath_->text());
  txtManual_->setAccessibleName(lblManual_->text());
  cboLineColor_->setAccessibleName(lblLine_->text());
  cmdBrowse_->setAccessibleName(QStringLiteral("浏览"));
  // Tab leaves the input box; Ctrl+Tab types a tab.
  txtManual_->setTabChangesFocus(true);
  txtManual_->installEventFilter(this);
}

bool SourcePage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == txtManual_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::ControlModifier) {
      txtManual_->insertPlainText(QStringLiteral("\t"));
      return true;
    }
  }
  return QFrame::eventFilter(watched, event);
}

std::vector<QWidget*> SourcePage::FocusChain() const {
  return {txtPath_, cmdBrowse_, txtManual_, cmdSample_, cmdClear_, cmdApply_};
}

void SourcePage::Relayout(float s, int canvasHeight, const QString& fontFamily) {
  const QFont text = SizedFont(fontFamily, PointsToPixels(10, s));
  lblSrcTitle_->setFont(SizedFont(fontFamily, PointsToPixels(14, s)));
  for (QWidget* w :
       std::initializer_list<QWidget*>{lblFilePath_, lblManual_, lblLine_, lblNotice_, txtManual_,
                                       cmdBrowse_, cmdSample_, cmdClear_, cmdApply_})
    w->setFont(text);
  lblFilePath_->adjustSize();
  const SourceFrameLayout l = ComputeSourceFrame(s, lblFilePath_->size(), canvasHeight);
  txtPath_->setFont(SizedFont(fontFamily, l.PathFontPx));
  cboLineColor_->setFont(SizedFont(fontFamily, l.ComboFontPx));
  cmdBrowse_->setText(QStringLiteral("…"));
  lblSrcTitle_->setGeometry(l.Title);
  lblFilePath_->setGeometry(l.FilePathLabel);
  txtPath_->setGeometry(l.PathBox);
  cmdBrowse_->setGeometry(l.Browse);
  lblManual_->setGeometry(l.ManualLabel);
  txtManual_->setGeometry(l.ManualBox);
  cmdSample_->setGeometry(l.Sample);
  cmdClear_->setGeometry(l.Clear);
  cmdApply_->setGeometry(l.Apply);
  lblLine_->setGeometry(l.LineLabel);
  cboLineColor_->setGeometry(l.LineCombo);
  lblNotice_->setGeometry(l.Notice);
}

void SourcePage::SetPathText(const QString& path) {
  txtPath_->setText(path);
  txtPath_->setCursorPosition(0);
}

QString SourcePage::ManualText() const { return txtManual_->toPlainText(); }
void SourcePage::SetManualText(const QString& text) { txtManual_->setPlainText(text); }
void SourcePage::SetNotice(const QString& text) { lblNotice_->setText(text); }
QString SourcePage::NoticeText() const { return lblNotice_->text(); }

void SourcePage::PlaceColorRow(QWidget* host, const QRect& label, const QRect& combo,
                               Qt::Alignment labelAlign) {
  QWidget* parent = host ? host : this;
  for (QWidget* w : {static_cast<QWidget*>(lblLine_), static_cast<QWidget*>(cboLineColor_)}) {
    if (w->parentWidget() != parent) w->setParent(parent);
  }
  if (!host) {
    lblLine_->hide();
    cboLineColor_->hide();
    return;
  }
  lblLine_->setAlignment(labelAlign | Qt::AlignVCenter);
  lblLine_->setGeometry(label);
  cboLineColor_->setGeometry(combo);
  lblLine_->show();
  cboLineColor_->show();
}

}  // namespace qh
