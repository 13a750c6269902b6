#pragma once
// A table's items as the window and the charts hold them: every name end to
// end in one block of UTF-16, where each one ends, and the values. A million
// rows then cost their characters and twelve bytes each, not a string
// object and a heap block each.
#include <QStringView>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

namespace qh {

// One item as its list holds it. The name is a view into the list: it stays
// valid only until the list changes (an Add may move every name).
struct ItemRef {
  QStringView Name;  // passed through StripSpaces: holds no spaces at all
  double Value = 0.0;
  friend bool operator==(const ItemRef& a, const ItemRef& b) {
    return a.Value == b.Value && a.Name == b.Name;
  }
};

class ItemList {
 public:
  ItemList() = default;
  // Where a name ends is kept in offsetBits bits, the rest once for all
  // the rows that share it; only tests ask for fewer than 32.
  explicit ItemList(unsigned offsetBits) : offsetBits_(offsetBits) {}

  size_t size() const { return values_.size(); }
  bool empty() const { return values_.empty(); }
  ItemRef operator[](size_t i) const { return {Name(i), values_[i]}; }
  ItemRef front() const { return (*this)[0]; }
  ItemRef back() const { return (*this)[size() - 1]; }

  // Yields items by value: a view and a number, nothing to refer to.
  class const_iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = ItemRef;
    using reference = ItemRef;
    using pointer = void;
    using difference_type = std::ptrdiff_t;
    const_iterator() = default;
    const_iterator(const ItemList* list, size_t index) : list_(list), index_(index) {}
    ItemRef operator*() const { return (*list_)[index_]; }
    const_iterator& operator++() {
      ++index_;
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator was = *this;
      ++index_;
      return was;
    }
    friend bool operator==(const const_iterator&, const const_iterator&) = default;

   private:
    const ItemList* list_ = nullptr;
    size_t index_ = 0;
  };
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size()}; }

  // Room for this many items and name characters; large room is touched
  // only as items come. Names are given room for at most kMostReservedChars:
  // an estimate from a huge source must not ask for more than a machine has.
  void reserve(size_t items, size_t nameChars = 0);
  static constexpr size_t kMostReservedChars = size_t(1) << 27;
  // Empties the list; its room stays, as a vector's does.
  void clear();
  // Appends an item, its name as it stands.
  void Add(QStringView name, double value);
  // Appends an item, its name without spaces (StripSpaces).
  void AddStripped(QStringView name, double value);

  friend bool operator==(const ItemList& a, const ItemList& b);

 private:
  // Where name i ends in chars_.
  size_t End(size_t i) const {
    if (raises_.empty()) return ends_[i];
    return RaisedEnd(i);
  }
  size_t RaisedEnd(size_t i) const;
  QStringView Name(size_t i) const {
    const size_t start = i == 0 ? 0 : End(i - 1);
    const size_t end = End(i);
    // An empty name still points somewhere: a null view reads as a null text.
    if (end == start) return QStringView(u"");
    return QStringView(chars_.data() + start, static_cast<qsizetype>(end - start));
  }
  // Records the item whose name was just appended to chars_.
  void EndItem(double value);

  // The row from which the high bits of every end are High: a table of
  // more than 4G characters has a few, any other none.
  struct Raise {
    size_t Row;
    std::uint64_t High;
  };

  unsigned offsetBits_ = 32;
  std::vector<char16_t> chars_;
  std::vector<std::uint32_t> ends_;  // the low offsetBits_ bits of each name's end
  std::vector<Raise> raises_;
  std::vector<double> values_;
};

}  // namespace qh
