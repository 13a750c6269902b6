#include "ui/about/about_dialog.h"

#include <algorithm>

#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

#include "ui/about/embedded_assets.h"
#include "ui/about/embedded_hex.h"
#include "ui/about/about_layout.h"

namespace qh {
namespace {

const QString kWindowTitle = QStringLiteral("青禾图表生成工具");
const QString kMakerNotice = QStringLiteral("青禾软件有限公司 出品  ·  让报表一键成图");
const QString kWeChatCaption = QStringLiteral("微信扫码关注公众号:");
const QString kQrFailedNote = QStringLiteral("( 二维码载入失败 )");
const QColor kTitleColour(34, 51, 68);
const QColor kTextColour(85, 96, 122);

// 微软雅黑 where it is installed, the closest CJK sans-serif elsewhere.
QFont DialogFont() {
  QFont font;
  font.setFamilies({QStringLiteral("微软雅黑"), QStringLiteral("Microsoft YaHei"),
                    QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC")});
  return font;
}

}  // namespace

AboutDialog::AboutDialog(QWidget* owner, double dpiScale)
    : AboutDialog(owner, dpiScale, QrImageHex()) {}

AboutDialog::AboutDialog(QWidget* owner, double dpiScale, const QString& qrHex)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      scale_(std::max(1.0, dpiScale)),
      lblLine1_(new QLabel(kWindowTitle, this)),
      lblLine2_(new QLabel(kMakerNotice, this)),
      lblLine3_(new QLabel(kWeChatCaption, this)),
      imgQr_(new QLabel(this)),
      cmdOK_(new QPushButton(QStringLiteral("确定"), this)) {
  setObjectName(QStringLiteral("frmAbout"));
  lblLine1_->setObjectName(QStringLiteral("lblLine1"));
  lblLine2_->setObjectName(QStringLiteral("lblLine2"));
  lblLine3_->setObjectName(QStringLiteral("lblLine3"));
  imgQr_->setObjectName(QStringLiteral("imgQr"));
  // A picture has no text for a screen reader to read: say what it is.
  imgQr_->setAccessibleName(QStringLiteral("青禾软件微信公众号二维码"));
  cmdOK_->setObjectName(QStringLiteral("cmdOK"));
  setModal(true);
  setWindowTitle(QStringLiteral("关于 ") + kWindowTitle);
  BuildLayout();
  LoadQrPicture(qrHex);
  connect(cmdOK_, &QPushButton::clicked, this, &QDialog::accept);
}

void AboutDialog::BuildLayout() {
  const AboutLayout layout = ComputeAboutLayout(scale_);
  setFont(DialogFont());
  setFixedSize(layout.Window);
  StyleAboutLabel(lblLine1_, layout.Line1, layout.TitlePointSize, true, kTitleColour);
  StyleAboutLabel(lblLine2_, layout.Line2, layout.TextPointSize, false, kTextColour);
  StyleAboutLabel(lblLine3_, layout.Line3, layout.TextPointSize, false, kTextColour);
  imgQr_->setScaledContents(true);
  imgQr_->setGeometry(layout.Qr);
  QFont buttonFont = DialogFont();
  buttonFont.setPointSizeF(DevicePointSize(layout.TextPointSize, logicalDpiY()));
  cmdOK_->setFont(buttonFont);
  cmdOK_->setGeometry(layout.OkButton);
  cmdOK_->setDefault(true);
  cmdOK_->setFocus();
}

void AboutDialog::StyleAboutLabel(QLabel* label, const QRect& box, double pointSize, bool bold,
                                  const QColor& colour) {
  // Fixed boxes: a long text is clipped rather than pushing the layout.
  label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  label->setWordWrap(false);
  QFont font = DialogFont();
  font.setPointSizeF(DevicePointSize(pointSize, logicalDpiY()));
  font.setBold(bold);
  label->setFont(font);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
  label->setGeometry(box);
}

void AboutDialog::LoadQrPicture(const QString& qrHex) {
  // Decoded in memory: the picture shows even when the program's folder is
  // read-only.
  const std::optional<QByteArray> bytes = DecodeHex(qrHex, kQrImageBytes);
  QImage picture;
  if (bytes) picture.loadFromData(*bytes, "JPEG");
  qrShown_ = !picture.isNull();
  if (qrShown_) {
    // Made for the box at the screen's own pixels, without smoothing, so
    // the code's modules keep sharp edges at 125 %, 150 % and 200 %.
    const qreal ratio = devicePixelRatioF();
    QImage sized =
        picture.scaled(imgQr_->size() * ratio, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    sized.setDevicePixelRatio(ratio);
    imgQr_->setScaledContents(false);
    imgQr_->setPixmap(QPixmap::fromImage(sized));
  } else {
    lblLine3_->setText(kWeChatCaption + kQrFailedNote);
  }
}

void AboutDialog::showEvent(QShowEvent* event) {
  QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
  if (screen) move(CentredTopLeft(screen->geometry(), size()));
  QDialog::showEvent(event);
}

void AboutDialog::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      accept();  // the same as pressing OK
      return;
    default: QWidget::keyPressEvent(event);
  }
}

void QzShowAbout(QWidget* owner, double dpiScale) {
  AboutDialog dialog(owner, dpiScale);
  dialog.exec();
}

}  // namespace qh
