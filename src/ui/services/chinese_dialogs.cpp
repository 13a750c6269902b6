#include "ui/services/chinese_dialogs.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <cstring>

namespace qh {
namespace {

struct FallbackText {
  const char* Context;
  const char* Source;
  const char16_t* Text;
};

constexpr FallbackText kFallbackTexts[] = {
    {"QFileSystemModel", "Computer", u"计算机"},
    {"QFileSystemModel", "Name", u"名称"},
    {"QFileSystemModel", "Size", u"大小"},
    {"QFileSystemModel", "Type", u"类型"},
    {"QFileSystemModel", "Date Modified", u"修改日期"},
    {"QFileDialog", "%1 already exists.\nDo you want to replace it?", u"%1 已存在.\n要替换它吗?"},
    {"QFileDialog", "Back", u"后退"},
    {"QFileDialog", "Forward", u"前进"},
    {"QFileDialog", "Parent Directory", u"上一级"},
    {"QFileDialog", "Create New Folder", u"新建文件夹"},
    {"QFileDialog", "List View", u"列表"},
    {"QFileDialog", "Detail View", u"详细信息"},
    {"QFileDialog", "&Rename", u"重命名(&R)"},
    {"QFileDialog", "&Delete", u"删除(&D)"},
    {"QFileDialog", "Show &hidden files", u"显示隐藏文件(&H)"},
    {"QFileDialog", "&New Folder", u"新建文件夹(&N)"},
    {"QFileDialog", "New Folder", u"新建文件夹"},
    {"QFileDialog", "Recent Places", u"最近位置"},
    {"QFileDialog", "Are you sure you want to delete '%1'?", u"确实要删除 '%1' 吗?"},
    {"QFileDialog", "Delete", u"删除"},
    {"QPlatformTheme", "OK", u"确定"},
    {"QPlatformTheme", "Cancel", u"取消"},
    {"QPlatformTheme", "&Yes", u"是(&Y)"},
    {"QPlatformTheme", "&No", u"否(&N)"},
    {"QPlatformTheme", "Save", u"保存"},
    {"QPlatformTheme", "Open", u"打开"},
};

}  // namespace

QString FallbackChineseTranslator::translate(const char* context, const char* sourceText,
                                             const char*, int) const {
  if (!context || !sourceText) return {};
  for (const FallbackText& t : kFallbackTexts)
    if (std::strcmp(t.Context, context) == 0 && std::strcmp(t.Source, sourceText) == 0)
      return QString::fromUtf16(t.Text);
  return {};
}

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

void InstallChineseTranslators(ChineseTranslators& translators) {
  QCoreApplication::installTranslator(&translators.Fallback);
  translators.QtLoaded = InstallQtChinese(translators.Qt, QtTranslationsDir());
}

}  // namespace qh
