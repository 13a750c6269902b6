#pragma once
// Items as tests write them: names and values to fill a table with, or to
// compare its items against.
#include "data/item_table.h"

#include <QString>
#include <ostream>
#include <vector>

namespace qh {

struct ChartItem {
  QString Name;
  double Value = 0.0;
  friend bool operator==(const ChartItem&, const ChartItem&) = default;
};

inline bool operator==(const ItemRef& a, const ChartItem& b) {
  return a.Value == b.Value && a.Name == b.Name;
}

inline bool operator==(const ItemList& list, const std::vector<ChartItem>& items) {
  if (list.size() != items.size()) return false;
  for (size_t i = 0; i < items.size(); ++i) {
    if (!(list[i] == items[i])) return false;
  }
  return true;
}

inline void PrintTo(const ItemRef& item, std::ostream* os) {
  *os << '{' << item.Name.toString().toStdString() << ", " << item.Value << '}';
}
inline void PrintTo(const ChartItem& item, std::ostream* os) {
  PrintTo(ItemRef{item.Name, item.Value}, os);
}
inline void PrintTo(const ItemList& list, std::ostream* os) {
  *os << list.size() << " items {";
  for (size_t i = 0; i < list.size() && i < 20; ++i) {
    *os << (i == 0 ? "" : ", ");
    PrintTo(list[i], os);
  }
  *os << (list.size() > 20 ? ", ...}" : "}");
}

namespace test {

inline ItemList ItemsFrom(const std::vector<ChartItem>& items) {
  ItemList list;
  for (const ChartItem& item : items) list.Add(item.Name, item.Value);
  return list;
}

inline std::vector<ChartItem> ItemsOf(const ItemList& list) {
  std::vector<ChartItem> items;
  for (const ItemRef item : list) items.push_back({item.Name.toString(), item.Value});
  return items;
}

// The list with item i (from 0) given another name or value.
inline ItemList WithName(const ItemList& list, size_t i, const QString& name) {
  std::vector<ChartItem> items = ItemsOf(list);
  items.at(i).Name = name;
  return ItemsFrom(items);
}
inline ItemList WithValue(const ItemList& list, size_t i, double value) {
  std::vector<ChartItem> items = ItemsOf(list);
  items.at(i).Value = value;
  return ItemsFrom(items);
}

}  // namespace test
}  // namespace qh
