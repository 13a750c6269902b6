#pragma once
// The Chinese words of Qt's standard dialogs. Qt's own Simplified Chinese
// translation is loaded when the system has it (Debian's
// qt6-translations-l10n); the buttons our messages name ("点击[确定]") and
// the file dialogs' labels are also set explicitly, so they read the same
// without it.
#include <QString>

class QTranslator;

namespace qh {

// Message box buttons.
QString OkButtonText();      // "确定"
QString CancelButtonText();  // "取消"
QString YesButtonText();     // "是"
QString NoButtonText();      // "否"

// The labels of the open or save dialog.
struct FileDialogTexts {
  QString LookIn, FileName, FileType, Accept, Reject;
};
FileDialogTexts FileDialogLabelTexts(bool save);

// Where Qt keeps its translations on this system.
QString QtTranslationsDir();

// Loads Qt's Simplified Chinese translation of its own texts from dir into
// translator and installs it in the application; false when it is missing
// (the explicit texts above still apply).
bool InstallQtChinese(QTranslator& translator, const QString& dir);

}  // namespace qh
