#pragma once
// The calls of a shared library opened the first time one is needed. A
// library linked to the program is mapped and bound at every start, also
// by the runs that never call it.
#include <QLibrary>
#include <QString>

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

}  // namespace qh
