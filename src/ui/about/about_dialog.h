#pragma once
// The About window: product title, a line about the maker, the WeChat
// caption and the QR code carried inside the program, closed with OK,
// Enter or Escape.
#include <QColor>
#include <QDialog>
#include <QRect>
#include <QString>

class QLabel;
class QPushButton;

namespace qh {

class AboutDialog final : public QDialog {
  Q_OBJECT

 public:
  // dpiScale is ScreenDpi / 96; values below 1 count as 1. qrHex is the
  // picture as hexadecimal text (the built-in QR code unless a caller, such
  // as a test, hands another one).
  AboutDialog(QWidget* owner, double dpiScale);
  AboutDialog(QWidget* owner, double dpiScale, const QString& qrHex);

  // True when the QR picture could be decoded and is shown.
  bool HasQrPicture() const { return qrShown_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void BuildLayout();
  void LoadQrPicture(const QString& qrHex);
  void StyleAboutLabel(QLabel* label, const QRect& box, double pointSize, bool bold,
                       const QColor& colour);

  double scale_;
  bool qrShown_ = false;
  QLabel* lblLine1_;
  QLabel* lblLine2_;
  QLabel* lblLine3_;
  QLabel* imgQr_;
  QPushButton* cmdOK_;
};

// Shows the About window modally over owner (the main window) and returns
// when the user closes it. Each call builds a fresh window.
void QzShowAbout(QWidget* owner, double dpiScale);

}  // namespace qh
