#pragma once
// .xls and .xlsx workbooks: the first worksheet's used range, validated like
// a CSV file under the given label.
#include "data/item_table.h"
#include "data/source_loader.h"

#include <QString>

namespace qh {

bool LoadWorkbook(const QString& path, const LoadLimits& limits, const QString& label,
                  ItemTable& table);

}  // namespace qh
