#include "data/compact_items.h"

#include "base/text_utils.h"
#include "data/byte_search.h"
#include "data/large_buffer.h"


namespace qh {

void CompactItems::Reserve(size_t items, size_t nameBytes) {
  // A length byte a name: more only for names of 128 bytes and longer.
  names_.reserve(nameBytes + items);
  values_.reserve(items);
  AdviseLargeBuffer(names_.data(), static_cast<qsizetype>(names_.capacity()));
  AdviseLargeBuffer(values_.data(), static_cast<qsizetype>(values_.capacity() * sizeof(double)));
}

void CompactItems::AddLength(size_t length) {
  while (length >= 0x80) {
    names_.push_back(static_cast<char>(0x80 | (length & 0x7F)));
    length >>= 7;
  }
  names_.push_back(static_cast<char>(length));
}

void CompactItems::Add(std::string_view name, double value) {
  AddLength(name.size());
  names_.append(name);
  values_.push_back(value);
}

void CompactItems::AddStripping(std::string_view name, double value) {
  // Spaces are rare in names: the first byte that may start one decides.
  const auto first = static_cast<size_t>(
      FindAnyOf(name.data(), name.data() + name.size(), ' ', '\xC2', '\xE3') - name.data());
  std::string_view kept = name;
  std::string stripped;
  if (first < name.size()) {
    stripped.assign(name.substr(0, first));
    for (size_t i = first; i < name.size(); ++i) {
      const std::string_view rest = name.substr(i);
      if (rest[0] == ' ') continue;
      if (rest.starts_with("\xC2\xA0")) {
        i += 1;
        continue;
      }
      if (rest.starts_with("\xE3\x80\x80")) {
        i += 2;
        continue;
      }
      stripped.push_back(rest[0]);
    }
    kept = stripped;
  }
  Add(kept, value);
}

void CompactItems::Add(QStringView name, double value) {
  const auto most = static_cast<size_t>(name.size()) * 3;
  if (most >= 0x80) {
    // A long name: its length is known once it is written.
    std::string bytes(most, '\0');
    bytes.resize(static_cast<size_t>(WriteUtf8(bytes.data(), name) - bytes.data()));
    Add(std::string_view(bytes), value);
    return;
  }
  // Its length takes one byte whatever it comes to: written in place.
  const size_t start = names_.size();
  names_.resize(start + 1 + most);
  char* const first = names_.data() + start + 1;
  const auto length = static_cast<size_t>(WriteUtf8(first, name) - first);
  names_[start] = static_cast<char>(length);
  names_.resize(start + 1 + length);
  values_.push_back(value);
}

bool CompactItems::Reader::Next(std::string_view& name, double& value) {
  if (index_ >= items_.values_.size()) return false;
  const std::string& names = items_.names_;
  size_t length = 0;
  for (int shift = 0;; shift += 7) {
    const auto b = static_cast<unsigned char>(names[at_++]);
    length |= static_cast<size_t>(b & 0x7F) << shift;
    if (b < 0x80) break;
  }
  name = std::string_view(names).substr(at_, length);
  at_ += length;
  value = items_.values_[index_++];
  return true;
}

}  // namespace qh
