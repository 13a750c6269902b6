#pragma once
// Bytes that end where a readable page ends, the next page unreadable: a
// reader that looks one byte too far faults at once instead of reading
// what happens to lie beyond.
#include <QByteArrayView>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace qh::test {

class GuardedBytes {
 public:
  explicit GuardedBytes(QByteArrayView bytes) {
    page_ = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    void* area = ::mmap(nullptr, 2 * page_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (area == MAP_FAILED) return;
    area_ = static_cast<char*>(area);
    ::mprotect(area_ + page_, page_, PROT_NONE);
    const auto size = static_cast<size_t>(bytes.size());
    if (size > page_) return;
    data_ = area_ + page_ - size;
    if (size > 0) std::memcpy(data_, bytes.data(), size);
    size_ = bytes.size();
  }
  ~GuardedBytes() {
    if (area_ != nullptr) ::munmap(area_, 2 * page_);
  }
  GuardedBytes(const GuardedBytes&) = delete;
  GuardedBytes& operator=(const GuardedBytes&) = delete;

  QByteArrayView View() const { return {data_, size_}; }
  bool Ok() const { return data_ != nullptr; }

 private:
  size_t page_ = 0;
  char* area_ = nullptr;
  char* data_ = nullptr;
  qsizetype size_ = 0;
};

}  // namespace qh::test
