#pragma once
// The Source page frame: file path and browse button, the manual input box
// with its sample, clear and apply buttons, the line colour row and the
// notice that shows the last load failure.
#include "ui/main/overlay_controls.h"

#include <QFrame>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace qh {

struct SourceFrameLayout;

// The eight sample lines, joined by CR LF.
QString SampleDataText();

class SourcePage final : public QFrame {
  Q_OBJECT

 public:
  explicit SourcePage(QWidget* parent);

  // Fonts and positions for scale s; canvasHeight sizes the notice.
  void Relayout(float s, int canvasHeight, const QString& fontFamily);

  void SetPathText(const QString& path);
  QString ManualText() const;
  void SetManualText(const QString& text);
  void SetNotice(const QString& text);  // red; empty hides it
  QString NoticeText() const;
  // Shows the line colour row in host at the given places, or (host null)
  // takes it back into the page, hidden.
  void PlaceColorRow(QWidget* host, const QRect& label, const QRect& combo,
                     Qt::Alignment labelAlign);
  QLabel* ColorLabel() const { return lblLine_; }

  NamedComboBox* ColorCombo() const { return cboLineColor_; }
  QLineEdit* PathBox() const { return txtPath_; }
  QPlainTextEdit* ManualBox() const { return txtManual_; }
  QPushButton* BrowseButton() const { return cmdBrowse_; }
  QPushButton* SampleButton() const { return cmdSample_; }
  QPushButton* ClearButton() const { return cmdClear_; }
  QPushButton* ApplyButton() const { return cmdApply_; }
  // The page's controls in Tab order (the colour row is placed elsewhere).
  std::vector<QWidget*> FocusChain() const;

 signals:
  void BrowseClicked();
  void ApplyClicked();
  void NoticeDismissed();  // the sample or clear button: the old failure no longer applies

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void NameControls();

  QLabel* lblSrcTitle_;
  QLabel* lblFilePath_;
  QLineEdit* txtPath_;
  QPushButton* cmdBrowse_;
  QLabel* lblManual_;
  QPlainTextEdit* txtManual_;
  QPushButton* cmdSample_;
  QPushButton* cmdClear_;
  QPushButton* cmdApply_;
  QLabel* lblLine_;
  NamedComboBox* cboLineColor_;
  QLabel* lblNotice_;
};

}  // namespace qh
