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
    requests.push_back({true, ProposedSavePath(folder, name)});
    path.clear();
    if (answer.isEmpty()) return false;
    // A chart extension in the answer stands for the filter the user chose.
    const QString suffix = answer.section(u'.', -1).toLower();
    path = WithSuffix(
        answer, QStringList{"png", "svg", "pdf"}.contains(suffix) ? suffix : QStringLiteral("jpg"));
    return true;
  }
  // Sets the printer up as the user would; empty: the user cancels.
  std::function<bool(QPrinter&)> printer;
  int printDialogs = 0;
  bool SetUpPrinter(QWidget*, QPrinter& p) override {
    ++printDialogs;
    return printer && printer(p);
  }
};

}  // namespace qh::test
