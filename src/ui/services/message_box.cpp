#include "ui/services/message_box.h"

#include "app/settings.h"
#include "ui/services/chinese_dialogs.h"

#include <QMessageBox>
#include <QPushButton>

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

// Our messages name their buttons ("点击[确定]"), so the buttons carry those
// words whatever translation Qt found.
void SetChineseButtonTexts(QMessageBox& box) {
  const std::pair<QMessageBox::StandardButton, QString> texts[] = {
      {QMessageBox::Ok, OkButtonText()},
      {QMessageBox::Cancel, CancelButtonText()},
      {QMessageBox::Yes, YesButtonText()},
      {QMessageBox::No, NoButtonText()},
  };
  for (const auto& [button, text] : texts)
    if (QAbstractButton* b = box.button(button)) b->setText(text);
}

}  // namespace

MessageAnswer MessageBoxMessages::Show(const QString& text, MessageIcon icon,
                                       MessageButtons buttons) {
  const bool yesNo = buttons == MessageButtons::YesNo;
  QMessageBox box(BoxIcon(icon), QString::fromUtf8(kWindowTitle), text,
                  yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, owner_.data());
  SetChineseButtonTexts(box);
  const int chosen = box.exec();
  if (!yesNo) return MessageAnswer::Ok;
  return chosen == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

}  // namespace qh
