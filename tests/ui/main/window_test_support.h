#pragma once
// Shared pieces of the window tests: a file dialog fake that records what
// was asked, and a temporary program folder with a started AppState.
#include "app/startup.h"
#include "base/user_messages.h"
#include "ui/main/main_window.h"
#include "ui/services/file_dialogs.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

namespace qh::test {

class RecordedFileDialogs final : public FileDialogs {
 public:
  struct Request {
    bool Save = false;
    QString Initial;  // initial path, or folder + name for the save dialog
  };
  std::vector<Request> requests;
  QString answer;  // empty: the user cancels

  bool PickSourceFile(QWidget*, const QString& initialPath, QString& path) override {
    requests.push_back({false, initialPath});
    if (answer.isEmpty()) return false;
    path = answer;
    return true;
  }
  bool PickJpgSavePath(QWidget*, const QString& folder, const QString& name,
                       QString& path) override {
    requests.push_back({true, ProposedJpgPath(folder, name)});
    path.clear();
    if (answer.isEmpty()) return false;
    // A chart extension in the answer stands for the filter the user chose.
    const QString suffix = answer.section(u'.', -1).toLower();
    path = WithSuffix(answer, QStringList{"png", "svg", "pdf"}.contains(suffix) ? suffix
                                                                               : QStringLiteral("jpg"));
    return true;
  }
};

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

inline void Pump(int ms = 0) {
  QCoreApplication::processEvents(QEventLoop::AllEvents, ms);
}

// A program folder in a temporary directory, the start-up sequence run on
// it, and the window built over the result.
struct WindowFixture {
  QTemporaryDir dir;
  AppState state;
  RecordedMessages startupMessages;
  RecordedMessages messages;
  RecordedFileDialogs dialogs;
  std::unique_ptr<MainWindow> window;

  QString Path(const QString& name) const { return dir.filePath(name); }

  void Start(const QStringList& args = {}, int dpi = 96, QSize client = QSize(1000, 700)) {
    StartupEnvironment env;
    env.AppDir = dir.path() + QStringLiteral("/");
    env.Arguments = args;
    env.LogicalDpi = dpi;
    RunStartup(state, env, startupMessages);
    window = std::make_unique<MainWindow>(state, messages, dialogs, WindowHooks{},
                                          static_cast<float>(dpi) / 96.0f);
    window->resize(client);
    window->show();
    Pump();
  }
};

}  // namespace qh::test
