#pragma once
// The calls of a shared library opened the first time one is needed. A
// library linked to the program is mapped and bound at every start, also
// by the runs that never call it.
#include <QLibrary>
#include <QString>
#include <optional>

namespace qh {

class LibraryCalls {
 public:
  // fileName as the loader looks for it: on Linux the library's SONAME.
  explicit LibraryCalls(const char* fileName) : library_(QString::fromUtf8(fileName)) {
    ok_ = library_.load();
  }

  // Sets call to the library's function name; null when there is none.
  template <typename Call>
  void Resolve(const char* name, Call& call) {
    call = ok_ ? reinterpret_cast<Call>(library_.resolve(name)) : nullptr;
    ok_ = ok_ && call != nullptr;
  }

  // Whether the library opened and every call asked for was found.
  bool Ok() const { return ok_; }

 private:
  QLibrary library_;  // the library stays loaded when this goes
  bool ok_ = false;
};

// The calls of the library fileName, set by resolve(library, calls) the
// first time they are asked for; null when the library or one of its calls
// cannot be had. Each place that asks keeps its own set.
template <typename Calls, typename Resolve>
const Calls* OpenCalls(const char* fileName, Resolve resolve) {
  static const std::optional<Calls> opened = [&]() -> std::optional<Calls> {
    LibraryCalls library(fileName);
    Calls calls{};
    resolve(library, calls);
    if (!library.Ok()) return std::nullopt;
    return calls;
  }();
  return opened ? &*opened : nullptr;
}

}  // namespace qh
