#pragma once
// Item names stored end to end in shared blocks. A million rows would
// otherwise cost a million heap blocks of 48 to 64 bytes for names of a dozen
// characters. Every name is still an ordinary QString: it holds a reference
// to its block, so copies, edits and destruction behave as usual, and the
// block goes when its last name goes.
#include <QString>
#include <QStringView>
#include <cstdint>
#include <vector>

namespace qh {

class NamePool {
 public:
  NamePool() = default;
  // A copy would write into the same free room as the original.
  NamePool(const NamePool&) = delete;
  NamePool& operator=(const NamePool&) = delete;

  // A QString with text's characters, NUL-terminated like any QString.
  QString Add(QStringView text);
  // The same after StripSpaces, without building the stripped copy.
  QString AddStripped(QStringView text);

 private:
  // Names longer than this get a block of their own.
  static constexpr qsizetype kLongName = 1024;
  static constexpr qsizetype kFirstBlock = 256;
  static constexpr qsizetype kLargestBlock = 32 * 1024;

  void StartBlock(qsizetype minimum);
  // copy(text, out) writes the name's characters at out, returns their end.
  template <typename Copy>
  QString AddWith(QStringView text, Copy copy);

  QString block_;  // written only through its raw data: the names share it
  qsizetype used_ = 0;
};

// Texts kept by number in shared blocks, each to be had as a view or as a
// QString that shares its block: a workbook's shared strings become item
// names without a copy.
class SharedTexts {
 public:
  std::uint32_t Add(QStringView text);
  QStringView At(std::uint32_t index) const;  // empty when there is no such text
  QString Shared(std::uint32_t index) const;
  std::uint32_t Count() const { return static_cast<std::uint32_t>(entries_.size()); }

 private:
  static constexpr qsizetype kBlockChars = 32 * 1024;
  // Texts this long get a block of their own.
  static constexpr qsizetype kOwnBlock = 1024;
  static constexpr std::uint16_t kWholeBlock = 0xFFFF;
  struct Entry {
    std::uint32_t Block;
    std::uint16_t Start;
    std::uint16_t Length;  // kWholeBlock: the text is the whole block
  };

  std::vector<QString> blocks_;  // written only through their raw data
  std::vector<Entry> entries_;
  qsizetype used_ = 0;       // in the last shared block
  bool lastShared_ = false;  // the last block takes more texts
};

}  // namespace qh
