#pragma once
// Every message the user reads goes through this interface: the window shows
// a message box captioned with the window title, tests record the calls.
#include <QString>
#include <vector>

namespace qh {

enum class MessageIcon { Critical = 16, Question = 32, Exclamation = 48, Information = 64 };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

class UserMessages {
 public:
  virtual ~UserMessages() = default;
  virtual MessageAnswer Show(const QString& text, MessageIcon icon,
                             MessageButtons buttons = MessageButtons::Ok) = 0;
};

// Records every message; answers Yes/No questions with a preset answer.
class RecordedMessages final : public UserMessages {
 public:
  struct Entry {
    QString Text;
    MessageIcon Icon;
    MessageButtons Buttons;
  };
  std::vector<Entry> Entries;
  MessageAnswer Answer = MessageAnswer::Yes;

  MessageAnswer Show(const QString& text, MessageIcon icon, MessageButtons buttons) override {
    Entries.push_back({text, icon, buttons});
    return buttons == MessageButtons::YesNo ? Answer : MessageAnswer::Ok;
  }
};

// Joins a reason and a hint the way every refusal is shown.
inline QString ReasonAndHint(const QString& reason, const QString& hint) {
  return reason + QStringLiteral("\r\n\r\n") + hint;
}

}  // namespace qh
