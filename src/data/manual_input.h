#pragma once
// Typed or pasted "item,value" lines, one item a line.
#include "data/item_table.h"
#include "data/load_limits.h"

#include <QString>

namespace qh {

bool ParseManualInput(const QString& text, const LoadLimits& limits, ItemTable& table);

}  // namespace qh
