#pragma once
// The table every reader fills and every chart reads.
#include <QString>
#include <vector>

namespace qh {

struct ChartItem {
  QString Name;  // passed through StripSpaces: holds no spaces at all
  double Value = 0.0;
  friend bool operator==(const ChartItem&, const ChartItem&) = default;
};

// Loader result convention: a loader empties the table and both texts, fills
// the table and returns true, or returns false with LastError (what is wrong)
// and LastHint (what to do) set and the table left empty.
class ItemTable {
 public:
  std::vector<ChartItem> Items;
  QString SourcePath;
  QString LastError;
  QString LastHint;
  QString Caption;  // the table's own title (an HTML <caption>), empty when it has none

  int ItemCount() const { return static_cast<int>(Items.size()); }

  // Empties the rows and both texts; SourcePath is the caller's.
  void Reset() {
    Items.clear();
    LastError.clear();
    LastHint.clear();
    Caption.clear();
  }

  // Records a refusal: the rows go, the two texts stay for the message box.
  bool Fail(const QString& error, const QString& hint) {
    Items.clear();
    LastError = error;
    LastHint = hint;
    return false;
  }
};

// Which reader produced a table; the label its messages carry.
enum class SourceKind { Html, Csv, Excel, Manual };

}  // namespace qh
