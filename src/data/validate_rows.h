#pragma once
// The two-column validation shared by the CSV and workbook readers.
#include "data/item_table.h"
#include "data/source_loader.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <span>

namespace qh {

// Fills table from tab-separated lines (item, value) and judges them: exactly
// two columns, every value cell numeric, at least two items. A first line
// whose cells are not numbers is a header and skipped. label ("CSV",
// "Excel") names the source in the messages. The limits are not applied.
bool ValidateRows(std::span<const QStringView> lines, const QString& label,
                  const LoadLimits& limits, ItemTable& table);
bool ValidateRows(const QStringList& lines, const QString& label, const LoadLimits& limits,
                  ItemTable& table);

}  // namespace qh
