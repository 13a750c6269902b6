#include "ui/services/message_box.h"

#include "app/settings.h"

#include <QMessageBox>

namespace qh {
namespace {

QMessageBox::Icon BoxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Critical: return QMessageBox::Critical;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::Exclamation: return QMessageBox::Warning;
    case MessageIcon::Information: return QMessageBox::Information;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

MessageAnswer MessageBoxMessages::Show(const QString& text, MessageIcon icon,
                                       MessageButtons buttons) {
  const bool yesNo = buttons == MessageButtons::YesNo;
  QMessageBox box(BoxIcon(icon), QString::fromUtf8(kWindowTitle), text,
                  yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, owner_.data());
  const int chosen = box.exec();
  if (!yesNo) return MessageAnswer::Ok;
  return chosen == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

}  // namespace qh
