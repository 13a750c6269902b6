#pragma once
// A dialog fake that records what was asked and answers as told.
#include "ui/services/file_dialogs.h"

#include <QPrinter>
#include <functional>
#include <vector>

namespace qh::test {

class RecordedFileDialogs final : public FileDialogs {
 public:
  struct Request {
    bool Save = false;
    QString Initial;  // initial path, or folder + name for the save dialog
  };
  std::vector<Request> Requests;
  QString Answer;  // empty: the user cancels

  bool PickSourceFile(QWidget*, const QString& initialPath, QString& path) override {
    Requests.push_back({false, initialPath});
    if (Answer.isEmpty()) return false;
    path = Answer;
    return true;
  }
  bool PickChartSavePath(QWidget*, const QString& folder, const QString& name,
                         QString& path) override {
    Requests.push_back({true, ProposedSavePath(folder, name)});
    path.clear();
    if (Answer.isEmpty()) return false;
    // A chart extension in the answer stands for the filter the user chose.
    const QString suffix = Answer.section(u'.', -1).toLower();
    path = WithSuffix(
        Answer, QStringList{"png", "svg", "pdf"}.contains(suffix) ? suffix : QStringLiteral("jpg"));
    return true;
  }
  // Sets the printer up as the user would; empty: the user cancels.
  std::function<bool(QPrinter&)> Printer;
  int PrintDialogs = 0;
  bool SetUpPrinter(QWidget*, QPrinter& p) override {
    ++PrintDialogs;
    return Printer && Printer(p);
  }
};

}  // namespace qh::test
