#pragma once
// The one safety bound on what a reader takes in, from [Limits] MaxItems of
// the settings file: at most MaxItems items in a table, and a file of at
// most kBytesPerItem bytes for each of them (never less than kMinBytes, the
// room a small workbook needs). Larger sources are refused
// early, before they are read whole or their rows are kept, so that no file
// can exhaust the memory.
#include "data/item_table.h"

#include <QtGlobal>
#include <algorithm>

namespace qh {

struct LoadLimits {
  // Admits every real table: Excel's sheets end at 1,048,576 rows, and
  // database exports of a few million rows are read as well.
  static constexpr int kDefaultMaxItems = 5000000;
  // Generous for the fattest exports (HTML with a style on every cell).
  static constexpr qint64 kBytesPerItem = 200;
  static constexpr qint64 kMinBytes = 10000000;

  int MaxItems = kDefaultMaxItems;
  // A reader may keep only this many first items (0: all of them), and
  // tell the rest by ItemTable::Whole: a picture of a few rows of a long
  // table needs no more. Every row is still read and judged.
  int KeepItems = 0;
  // A reader may hand the items over as ItemTable::Compact: for callers
  // that only read them through once.
  bool CompactItems = false;

  qint64 MaxBytes() const { return std::max(qint64(MaxItems) * kBytesPerItem, kMinBytes); }
  // Whether one more item may join a table that holds count.
  bool AdmitsMore(size_t count) const { return count < static_cast<size_t>(MaxItems); }
};

// The two-part refusals, naming the bound and the setting.
bool FailOverItemLimit(const LoadLimits& limits, ItemTable& table);
bool FailOverByteLimit(const LoadLimits& limits, ItemTable& table);

}  // namespace qh
