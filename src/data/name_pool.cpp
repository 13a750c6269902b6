#include "data/name_pool.h"

#include "base/text_utils.h"

#include <algorithm>

namespace qh {

namespace {

// A QString over length characters of block from start, sharing the block's
// storage: it holds one more reference, so the block lives while it does.
// Writing later names into the block goes through the raw pointer, which a
// detaching data() would not allow.
QString ShareSlice(QStringPrivate& block, char16_t* start, qsizetype length) {
  block.d_ptr()->ref();
  return QString(QStringPrivate(block.d_ptr(), start, length));
}

}  // namespace

void NamePool::StartBlock(qsizetype minimum) {
  // Small tables stay small; large ones reach few, larger blocks.
  const qsizetype grown =
      block_.isNull() ? kFirstBlock : std::min(2 * block_.size(), kLargestBlock);
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
  return ShareSlice(shared, start, end - start);
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

std::uint32_t SharedTexts::Add(QStringView text) {
  if (text.size() >= kOwnBlock) {
    blocks_.push_back(text.toString());
    lastShared_ = false;
    entries_.push_back({static_cast<std::uint32_t>(blocks_.size() - 1), 0, kWholeBlock});
    return Count() - 1;
  }
  if (!lastShared_ || kBlockChars - used_ < text.size() + 1) {
    blocks_.emplace_back(kBlockChars, Qt::Uninitialized);
    used_ = 0;
    lastShared_ = true;
  }
  char16_t* const start = blocks_.back().data_ptr().data() + used_;
  std::copy(text.utf16(), text.utf16() + text.size(), start);
  start[text.size()] = u'\0';  // shared texts are handed out as C strings too
  entries_.push_back({static_cast<std::uint32_t>(blocks_.size() - 1),
                      static_cast<std::uint16_t>(used_), static_cast<std::uint16_t>(text.size())});
  used_ += text.size() + 1;
  return Count() - 1;
}

QStringView SharedTexts::At(std::uint32_t index) const {
  if (index >= Count()) return {};
  const Entry& e = entries_[index];
  const QString& block = blocks_[e.Block];
  if (e.Length == kWholeBlock) return block;
  return QStringView(block.constData() + e.Start, e.Length);
}

QString SharedTexts::Shared(std::uint32_t index) const {
  if (index >= Count()) return {};
  const Entry& e = entries_[index];
  if (e.Length == kWholeBlock) return blocks_[e.Block];
  QString block = blocks_[e.Block];  // a non-const handle on the shared block
  QStringPrivate& shared = block.data_ptr();
  return ShareSlice(shared, shared.data() + e.Start, e.Length);
}

}  // namespace qh
