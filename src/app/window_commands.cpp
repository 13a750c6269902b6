#include "app/window_commands.h"

#include <Qt>

namespace qh {

KeyCommand CommandForKey(int qtKey) {
  switch (qtKey) {
    case Qt::Key_F1: return KeyCommand::ShowSource;
    case Qt::Key_F2: return KeyCommand::ShowBar;
    case Qt::Key_F3: return KeyCommand::ShowPie;
    case Qt::Key_F4: return KeyCommand::ShowLine;
    case Qt::Key_F5: return KeyCommand::Close;
    case Qt::Key_Escape: return KeyCommand::Close;
    case Qt::Key_F8: return KeyCommand::SaveChart;
    case Qt::Key_F10: return KeyCommand::Update;
    case Qt::Key_Left:
    case Qt::Key_PageUp: return KeyCommand::PreviousPage;
    case Qt::Key_Right:
    case Qt::Key_PageDown: return KeyCommand::NextPage;
    case Qt::Key_Menu: return KeyCommand::ChartMenu;
    case Qt::Key_Up: return KeyCommand::PreviousItem;
    case Qt::Key_Down: return KeyCommand::NextItem;
    case Qt::Key_Home: return KeyCommand::FirstItem;
    case Qt::Key_End: return KeyCommand::LastItem;
    default: return KeyCommand::None;
  }
}

KeyCommand CommandForKey(int qtKey, int modifiers) {
  constexpr int kHeld =
      Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
  const int held = modifiers & kHeld;
  if (held == 0) return CommandForKey(qtKey);
  if (held == static_cast<int>(Qt::ShiftModifier) && qtKey == Qt::Key_F10)
    return KeyCommand::ChartMenu;
  return KeyCommand::None;
}

QString JpgFileName(ChartPage page, const QDateTime& now) {
  QString kind = QStringLiteral("柱形图");
  if (page == ChartPage::Pie) kind = QStringLiteral("饼形图");
  if (page == ChartPage::Line) kind = QStringLiteral("曲线图");
  const QDate d = now.date();
  const QTime t = now.time();
  return kind + QStringLiteral("%1年%2月%3日%4时%5分.jpg")
                    .arg(d.year())
                    .arg(d.month())
                    .arg(d.day())
                    .arg(t.hour(), 2, 10, QChar(u'0'))
                    .arg(t.minute(), 2, 10, QChar(u'0'));
}

QString SavedChartNotice(const QString& savedPath) {
  const bool document = savedPath.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive) ||
                        savedPath.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive);
  return (document ? QStringLiteral("图表已保存:\r\n") : QStringLiteral("图片已保存:\r\n")) +
         savedPath;
}

static qsizetype LastSeparator(const QString& path) {
  return std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
}

QString JpgFolder(const QString& sourcePath, const QString& appDir) {
  if (sourcePath.isEmpty()) return appDir;
  const qsizetype cut = LastSeparator(sourcePath);
  return cut < 0 ? sourcePath : sourcePath.left(cut);
}

QString FileNameOf(const QString& path) { return path.mid(LastSeparator(path) + 1); }

}  // namespace qh
