#pragma once
// Shared pieces of the window tests: a temporary program folder with a
// started AppState, the window over it, and its regions found by name.
#include "app/startup.h"
#include "base/user_messages.h"
#include "ui/main/chart_view.h"
#include "ui/main/frame_bars.h"
#include "ui/main/main_window.h"
#include "ui/main/nav_panel.h"
#include "ui/main/source_page.h"
#include "ui/services/chart_menu.h"
#include "ui/services/recorded_dialogs.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QMenu>
#include <QTest>
#include <memory>

namespace qh::test {

inline void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

// An HTML table of n rows named 项目1.. with values 10, 20, ...
inline QByteArray HtmlTable(int rows) {
  QByteArray html = "<html><body><table><tr><th>项目</th><th>数值</th></tr>";
  for (int i = 1; i <= rows; ++i)
    html += "<tr><td>项目" + QByteArray::number(i) + "</td><td>" + QByteArray::number(i * 10) +
            "</td></tr>";
  return html + "</table></body></html>";
}

inline void Pump(int ms = 0) { QCoreApplication::processEvents(QEventLoop::AllEvents, ms); }

// Answers the context menu open now: records the texts of its entries
// (submenus included) and chooses the entry with identifier choose by the
// keyboard, or closes the menu when there is none.
inline void AnswerMenu(int choose, QStringList& texts) {
  auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  if (!menu) return;
  QAction* chosen = nullptr;
  QAction* holder = nullptr;  // the submenu entry that holds the chosen one
  for (QAction* a : menu->actions()) {
    texts << a->text();
    if (ChartMenuCommand(a) == choose) chosen = a;
    if (!a->menu()) continue;
    for (QAction* sub : a->menu()->actions()) {
      texts << sub->text();
      if (ChartMenuCommand(sub) == choose) holder = a, chosen = sub;
    }
  }
  if (!chosen) {
    menu->close();
    return;
  }
  if (holder) {
    menu->setActiveAction(holder);
    QTest::keyClick(menu, Qt::Key_Right);
    menu = holder->menu();
  }
  menu->setActiveAction(chosen);
  QTest::keyClick(menu, Qt::Key_Return);
}

// A program folder in a temporary directory, the start-up sequence run on
// it, and the window built over the result.
struct WindowFixture {
  QTemporaryDir Dir;
  AppState State;
  RecordedMessages StartupMessages;
  RecordedMessages Messages;
  RecordedFileDialogs Dialogs;
  WindowHooks Hooks;
  std::unique_ptr<MainWindow> Window;

  float Scale = 1.0f;

  QString Path(const QString& name) const { return Dir.filePath(name); }
  const WindowModel& Model() const { return Window->Model(); }
  NavPanel* Nav() const { return Window->findChild<NavPanel*>(QStringLiteral("nav")); }
  SourcePage* Source() const { return Window->findChild<SourcePage*>(QStringLiteral("source")); }
  ChartView* Chart() const { return Window->findChild<ChartView*>(QStringLiteral("chart")); }
  StatusBar* Status() const { return Window->findChild<StatusBar*>(QStringLiteral("status")); }
  HeaderBar* Header() const { return Window->findChild<HeaderBar*>(QStringLiteral("header")); }
  // Where the source page lies in the window (it sits in a scroll area).
  QRect SourceRect() const {
    return QRect(Source()->mapTo(Window.get(), QPoint(0, 0)), Source()->size());
  }
  WindowLayout Layout() const {
    return ComputeWindowLayout(Window->width(), Window->height(), Scale);
  }
  // Waits for the coalesced redraw to show a picture of the canvas's size.
  bool WaitForPicture() const {
    return QTest::qWaitFor(
        [&] { return ChartPictureLogicalSize(Chart()->Picture()) == Layout().Canvas.size(); });
  }

  // work: the desktop's work area (none known when empty).
  void Start(const QStringList& args = {}, int dpi = 96, QSize client = QSize(1000, 700),
             QSize work = {}) {
    Scale = static_cast<float>(dpi) / 96.0f;
    StartupEnvironment env;
    env.Work = {0, 0, work.width(), work.height()};
    env.AppDir = Dir.path() + QStringLiteral("/");
    env.Arguments = args;
    env.LogicalDpi = dpi;
    RunStartup(State, env, StartupMessages);
    Window = std::make_unique<MainWindow>(State, Messages, Dialogs, Hooks,
                                          static_cast<float>(dpi) / 96.0f);
    Window->resize(client);
    Window->show();
    Pump();
  }
};

}  // namespace qh::test
