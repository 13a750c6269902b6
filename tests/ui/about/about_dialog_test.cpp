// The About window: layout at two scales, closing keys, the QR failure note.
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include "ui/about/embedded_assets.h"
#include "ui/about/about_dialog.h"
#include "ui/about/about_layout.h"

namespace qh {
namespace {

const QString kCaption = QStringLiteral("微信扫码关注公众号:");
const QString kFailedCaption = QStringLiteral("微信扫码关注公众号:( 二维码载入失败 )");

template <typename T>
T* Child(const AboutDialog& dialog, const char* name) {
  T* child = dialog.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}

TEST(AboutLayoutTest, NeverShrunkBelow96Dpi) {
  const AboutLayout small = ComputeAboutLayout(0.75), normal = ComputeAboutLayout(1.0);
  EXPECT_EQ(small.Window, normal.Window);
  EXPECT_EQ(small.Qr, normal.Qr);
  EXPECT_DOUBLE_EQ(small.TextPointSize, normal.TextPointSize);
}

TEST(AboutLayoutTest, FontsAreNotScaledTwice) {
  const struct {
    double PointsAt96;
    int Dpi;
    double Expected;
  } cases[] = {{18, 96, 18}, {27, 144, 18}, {15, 144, 10}, {36, 192, 18}, {18, 0, 18}};
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(DevicePointSize(c.PointsAt96, c.Dpi), c.Expected) << c.Dpi;
  }
}

TEST(AboutLayoutTest, CentresOnTheScreenDroppingOddPixels) {
  EXPECT_EQ(CentredTopLeft(QRect(0, 0, 1920, 1080), QSize(471, 545)), QPoint(724, 267));
  EXPECT_EQ(CentredTopLeft(QRect(1920, 0, 1280, 1024), QSize(470, 545)), QPoint(2325, 239));
  EXPECT_EQ(CentredTopLeft(QRect(0, 0, 400, 300), QSize(471, 545)), QPoint(-35, -122));
}

TEST(AboutDialogTest, WidgetsFollowTheLayout) {
  for (double scale : {1.0, 1.5}) {
    AboutDialog dialog(nullptr, scale);
    const AboutLayout layout = ComputeAboutLayout(scale);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("关于 青禾图表生成工具"));
    EXPECT_EQ(dialog.size(), layout.Window);
    auto* title = Child<QLabel>(dialog, "lblLine1");
    auto* caption = Child<QLabel>(dialog, "lblLine3");
    auto* qr = Child<QLabel>(dialog, "imgQr");
    auto* ok = Child<QPushButton>(dialog, "cmdOK");
    ASSERT_TRUE(title && caption && qr && ok);
    EXPECT_EQ(title->text(), QStringLiteral("青禾图表生成工具"));
    EXPECT_EQ(title->geometry(), layout.Line1);
    EXPECT_DOUBLE_EQ(title->font().pointSizeF(), 18 * scale);
    EXPECT_TRUE(title->font().bold());
    EXPECT_EQ(title->palette().color(QPalette::WindowText), QColor(34, 51, 68));
    EXPECT_EQ(caption->palette().color(QPalette::WindowText), QColor(85, 96, 122));
    EXPECT_EQ(caption->text(), kCaption);
    EXPECT_EQ(qr->geometry(), layout.Qr);
    EXPECT_FALSE(qr->pixmap().isNull());
    // Drawn at the screen's own pixels (QT_SCALE_FACTOR in the suite's ratio runs).
    EXPECT_DOUBLE_EQ(qr->pixmap().devicePixelRatio(), dialog.devicePixelRatioF());
    EXPECT_EQ(qr->pixmap().size(), layout.Qr.size() * dialog.devicePixelRatioF());
    EXPECT_TRUE(dialog.HasQrPicture());
    EXPECT_EQ(ok->text(), QStringLiteral("确定"));
    EXPECT_EQ(ok->geometry(), layout.OkButton);
    EXPECT_DOUBLE_EQ(ok->font().pointSizeF(), 10 * scale);
  }
}

TEST(AboutDialogTest, EnterEscapeAndOkCloseOtherKeysDoNot) {
  const struct {
    const char* Name;
    int Key;
    bool Closes;
  } cases[] = {{"Return", Qt::Key_Return, true},
               {"keypad Enter", Qt::Key_Enter, true},
               {"Escape", Qt::Key_Escape, true},
               {"a letter", Qt::Key_A, false},
               {"F1", Qt::Key_F1, false}};
  for (const auto& c : cases) {
    AboutDialog dialog(nullptr, 1.0);
    dialog.show();
    QKeyEvent press(QEvent::KeyPress, c.Key, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &press);
    EXPECT_EQ(dialog.isVisible(), !c.Closes) << c.Name;
    if (c.Closes) {
      EXPECT_EQ(dialog.result(), QDialog::Accepted) << c.Name;
    }
  }
  AboutDialog dialog(nullptr, 1.0);
  dialog.show();
  Child<QPushButton>(dialog, "cmdOK")->click();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(AboutDialogTest, ShowsModallyOverItsOwner) {
  QWidget owner;
  owner.show();
  QWidget* modalOwner = nullptr;
  QTimer::singleShot(0, [&] {
    if (QWidget* modal = QApplication::activeModalWidget()) modalOwner = modal->parentWidget();
    auto* dialog = owner.findChild<AboutDialog*>();  // never hang the test
    ASSERT_NE(dialog, nullptr);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(dialog, &escape);
  });
  QzShowAbout(&owner, 1.0);  // returns once Escape closed it
  EXPECT_EQ(modalOwner, &owner);
}

TEST(AboutDialogTest, PictureThatCannotBeShownGetsTheFailureNote) {
  const QString good = QrImageHex();
  QString badDigit = good;
  badDigit[100] = u'G';
  // Decodes to the right length but is no picture.
  const QString notAPicture(2 * kQrImageBytes, u'7');
  const struct {
    const char* Name;
    QString Hex;
  } cases[] = {{"bad digit", badDigit},
               {"two digits short", good.left(good.size() - 2)},
               {"empty", QString()},
               {"not a picture", notAPicture}};
  for (const auto& c : cases) {
    AboutDialog dialog(nullptr, 1.5, c.Hex);
    EXPECT_FALSE(dialog.HasQrPicture()) << c.Name;
    EXPECT_EQ(Child<QLabel>(dialog, "lblLine3")->text(), kFailedCaption) << c.Name;
    EXPECT_TRUE(Child<QLabel>(dialog, "imgQr")->pixmap().isNull()) << c.Name;
    EXPECT_EQ(Child<QPushButton>(dialog, "cmdOK")->geometry(), QRect(247, 615, 210, 60)) << c.Name;
  }
}

}  // namespace
}  // namespace qh
