#include "ui/services/chinese_dialogs.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace qh {

QString OkButtonText() { return QStringLiteral("确定"); }
QString CancelButtonText() { return QStringLiteral("取消"); }
QString YesButtonText() { return QStringLiteral("是"); }
QString NoButtonText() { return QStringLiteral("否"); }

// The words of the Chinese Windows common dialogs our users know.
FileDialogTexts FileDialogLabelTexts(bool save) {
  if (save)
    return {QStringLiteral("保存在:"), QStringLiteral("文件名:"), QStringLiteral("保存类型:"),
            QStringLiteral("保存"), CancelButtonText()};
  return {QStringLiteral("查找范围:"), QStringLiteral("文件名:"), QStringLiteral("文件类型:"),
          QStringLiteral("打开"), CancelButtonText()};
}

QString QtTranslationsDir() { return QLibraryInfo::path(QLibraryInfo::TranslationsPath); }

bool InstallQtChinese(QTranslator& translator, const QString& dir) {
  if (!translator.load(QStringLiteral("qtbase_zh_CN"), dir)) return false;
  return QCoreApplication::installTranslator(&translator);
}

}  // namespace qh
