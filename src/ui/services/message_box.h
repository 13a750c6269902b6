#pragma once
// Message boxes of the window program: every text the user reads appears in
// a modal QMessageBox captioned with the window title.
#include "base/user_messages.h"

#include <QPointer>
#include <QWidget>

namespace qh {

class MessageBoxMessages final : public UserMessages {
 public:
  explicit MessageBoxMessages(QWidget* owner = nullptr) : owner_(owner) {}
  void SetOwner(QWidget* owner) { owner_ = owner; }

  MessageAnswer Show(const QString& text, MessageIcon icon,
                     MessageButtons buttons = MessageButtons::Ok) override;

 private:
  QPointer<QWidget> owner_;
};

}  // namespace qh
