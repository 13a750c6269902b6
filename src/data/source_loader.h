#pragma once
// The one entry through which a data file or typed text reaches an ItemTable.
#include "data/item_table.h"

#include <QString>

namespace qh {

class DiagLog;

// The two safety limits of the settings file; carried to every reader,
// which loads a table of any length whole.
struct LoadLimits {
  int MaxItems = 100000;
  int MaxPoints = 200000;
};

// Chooses the reader by the file's extension. The HTML reader traces its
// decisions to log when it is given one.
bool LoadSourceFile(const QString& path, const LoadLimits& limits, ItemTable& table,
                    DiagLog* log = nullptr);

// Typed or pasted "item,value" lines.
bool ParseManualInput(const QString& text, const LoadLimits& limits, ItemTable& table);

}  // namespace qh
