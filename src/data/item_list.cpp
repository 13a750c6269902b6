#include "data/item_list.h"

#include "base/text_utils.h"
#include "data/large_buffer.h"

#include <algorithm>

namespace qh {

void ItemList::reserve(size_t items, size_t nameChars) {
  chars_.reserve(std::min(nameChars, kMostReservedChars));
  ends_.reserve(items);
  values_.reserve(items);
  AdviseLargeBuffer(chars_.data(), static_cast<qsizetype>(chars_.capacity() * sizeof(char16_t)));
  AdviseLargeBuffer(ends_.data(), static_cast<qsizetype>(ends_.capacity() * sizeof(std::uint32_t)));
  AdviseLargeBuffer(values_.data(), static_cast<qsizetype>(values_.capacity() * sizeof(double)));
}

void ItemList::clear() {
  chars_.clear();
  ends_.clear();
  raises_.clear();
  values_.clear();
}

void ItemList::Add(QStringView name, double value) {
  if (!name.isEmpty()) chars_.insert(chars_.end(), name.utf16(), name.utf16() + name.size());
  EndItem(value);
}

void ItemList::AddStripped(QStringView name, double value) {
  for (const QChar c : name) {
    if (!IsStrippedSpace(c)) chars_.push_back(c.unicode());
  }
  EndItem(value);
}

void ItemList::EndItem(double value) {
  const std::uint64_t end = chars_.size();
  const std::uint64_t high = end >> offsetBits_;
  if (high != (raises_.empty() ? 0 : raises_.back().High)) raises_.push_back({size(), high});
  const std::uint64_t low = end & ((std::uint64_t{1} << offsetBits_) - 1);
  ends_.push_back(static_cast<std::uint32_t>(low));
  values_.push_back(value);
}

size_t ItemList::RaisedEnd(size_t i) const {
  // The last raise at or before row i.
  const auto after = std::upper_bound(raises_.begin(), raises_.end(), i,
                                      [](size_t row, const Raise& r) { return row < r.Row; });
  const std::uint64_t high = after == raises_.begin() ? 0 : std::prev(after)->High;
  return static_cast<size_t>((high << offsetBits_) | ends_[i]);
}

bool operator==(const ItemList& a, const ItemList& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

}  // namespace qh
