#pragma once
// What the charts say of a whole table, worked out from all its items: the
// figures a reader that keeps only the first items must tell the same.
#include "data/item_table.h"

#include <algorithm>

namespace qh::test {

inline WholeTable WholeOf(const ItemList& items) {
  WholeTable all;
  if (items.empty()) return all;
  all.Rows = static_cast<int>(items.size());
  all.Highest = all.Lowest = items.front().Value;
  for (const ItemRef item : items) {
    all.Sum += item.Value;
    if (item.Value > all.Highest) all.Highest = item.Value;
    if (item.Value < all.Lowest) all.Lowest = item.Value;
    all.LongestName = std::max(all.LongestName, item.Name.size());
  }
  return all;
}

}  // namespace qh::test
