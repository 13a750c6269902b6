#include "data/name_pool.h"

#include "base/text_utils.h"

#include <algorithm>

namespace qh {

void NamePool::StartBlock(qsizetype minimum) {
  // Small tables stay small; large ones reach few, larger blocks.
  const qsizetype grown = block_.isNull() ? kFirstBlock : std::min(2 * block_.size(), kLargestBlock);
  block_ = QString(std::max(grown, minimum), Qt::Uninitialized);
  used_ = 0;
}

template <typename Copy>
QString NamePool::AddWith(QStringView text, Copy copy) {
  if (text.size() > kLongName) {
    QString own(text.size(), Qt::Uninitialized);
    char16_t* const begin = reinterpret_cast<char16_t*>(own.data());
    own.truncate(copy(text, begin) - begin);
    return own;
  }
  if (block_.isNull() || block_.size() - used_ < text.size() + 1) StartBlock(text.size() + 1);
  // The raw pointer: data() would detach the block, which the names share.
  QStringPrivate& shared = block_.data_ptr();
  char16_t* const start = shared.data() + used_;
  char16_t* const end = copy(text, start);
  *end = u'\0';  // utf16() hands the pointer out as a C string
  used_ += end - start + 1;
  shared.d_ptr()->ref();
  return QString(QStringPrivate(shared.d_ptr(), start, end - start));
}

QString NamePool::Add(QStringView text) {
  return AddWith(text, [](QStringView from, char16_t* to) {
    return std::copy(from.utf16(), from.utf16() + from.size(), to);
  });
}

QString NamePool::AddStripped(QStringView text) {
  return AddWith(text, [](QStringView from, char16_t* to) {
    for (QChar c : from) {
      if (!IsStrippedSpace(c)) *to++ = c.unicode();
    }
    return to;
  });
}

}  // namespace qh
