#pragma once
// The Chinese words of Qt's standard dialogs. Qt's own Simplified Chinese
// translation is loaded when the system has it (Debian's
// qt6-translations-l10n); the buttons our messages name ("点击[确定]") and
// the file dialogs' labels are also set explicitly, so they read the same
// without it.
#include <QString>
#include <QTranslator>

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

// The few texts of Qt's file dialog and message boxes our users meet (the
// side bar, the column heads, the tool tips, the overwrite question and its
// buttons), for a system without Qt's translation. Install it before that
// translation: translators installed later are asked first.
class FallbackChineseTranslator final : public QTranslator {
 public:
  QString translate(const char* context, const char* sourceText, const char* disambiguation,
                    int n) const override;
  bool isEmpty() const override { return false; }
};

// Where Qt keeps its translations on this system.
QString QtTranslationsDir();

// Loads Qt's Simplified Chinese translation of its own texts from dir into
// translator and installs it in the application; false when it is missing
// (the explicit texts above still apply).
bool InstallQtChinese(QTranslator& translator, const QString& dir);

// Both at start-up: the fallback first, then Qt's own translation when the
// system has it. The translators must live as long as the application.
struct ChineseTranslators {
  FallbackChineseTranslator Fallback;
  QTranslator Qt;
  bool QtLoaded = false;
};
void InstallChineseTranslators(ChineseTranslators& translators);

}  // namespace qh
