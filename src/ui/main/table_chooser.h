#pragma once
// The window's table chooser: when a file is refused only because its table
// is wider than two columns or its workbook has other sheets, the user
// picks the sheet, the name and value columns and the title rows to leave
// out. Every control has a label with a mnemonic and an accessible name.
#include "app/table_chooser.h"

#include <QDialog>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;

namespace qh {

class TableChooserDialog final : public QDialog {
 public:
  TableChooserDialog(const TableChooserOffer& offer, QWidget* parent);

  TableChooserAnswer Answer() const;
  void accept() override;

 private:
  QComboBox* sheet_ = nullptr;  // only with several sheets
  QComboBox* nameColumn_ = nullptr;
  QComboBox* valueColumn_ = nullptr;
  QSpinBox* skipRows_ = nullptr;
  QCheckBox* noTotal_ = nullptr;
  QLabel* problem_ = nullptr;
};

// Shows the chooser for offer; the choice, or none when the user cancels.
std::optional<TableChoice> RunTableChooser(QWidget* parent, const TableChooserOffer& offer);

}  // namespace qh
