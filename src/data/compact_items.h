#pragma once
// A table's items as one block of UTF-8 names and one of values, for a
// caller that reads them through once, in order (LoadLimits::CompactItems):
// a million names then cost their bytes, not a string object each, and go
// out as UTF-8 without another conversion.
#include <QStringView>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qh {

class CompactItems {
 public:
  // Room for this many items and name bytes; pages are touched only as
  // items come.
  void Reserve(size_t items, size_t nameBytes);
  // A name already without spaces, in standard UTF-8.
  void Add(std::string_view name, double value);
  // A name in standard UTF-8 that may hold spaces (space, no-break space,
  // ideographic space: a tab, CR or LF never reaches here).
  void AddStripping(std::string_view name, double value);
  // A name already without spaces; a lone surrogate is kept as "?", as
  // every UTF-8 text the program writes has it.
  void Add(QStringView name, double value);

  size_t Count() const { return values_.size(); }

  // Reads the items in order.
  class Reader {
   public:
    explicit Reader(const CompactItems& items) : items_(items) {}
    // The next name and value; false after the last.
    bool Next(std::string_view& name, double& value);

   private:
    const CompactItems& items_;
    size_t at_ = 0;  // in names_
    size_t index_ = 0;
  };

 private:
  void AddLength(size_t length);

  // Each name after its byte length (seven bits a byte, the high bit set
  // on all but the last): most names take one byte more than their text.
  std::string names_;
  std::vector<double> values_;
};

}  // namespace qh
