#pragma once
// HTML exports: the first <table> of the file that holds a valid two-column
// table (item, value) fills the item table. Each decision is traced to the
// diagnostic log when one is given.
#include "data/item_table.h"
#include "data/load_limits.h"
#include "data/table_choice.h"

#include <QString>
#include <QStringView>

namespace qh {

class DiagLog;

// Judges one table; on success table holds its items, on failure it is
// empty and LastError/LastHint say why. Rows are numbered from 1 over every
// <tr>, skipped ones included. A table of more items than the limits admit
// is refused at the first item too many. choice, when not the default,
// picks the part of each table to judge.
bool ParseHtmlTable(int tableNo, QStringView tableText, const LoadLimits& limits, ItemTable& table,
                    DiagLog* log, const TableChoice& choice = {});

// Tries the tables of decoded text in document order, until one passes or
// one is over the limits. On success LastHint names the table and its item
// count.
bool ParseHtmlText(const QString& html, const LoadLimits& limits, ItemTable& table, DiagLog* log,
                   const TableChoice& choice = {});

}  // namespace qh
