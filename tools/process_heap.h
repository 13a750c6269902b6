#pragma once
// Heap tuning for the command-line tool only: the window is a long-lived
// process and keeps the C library's defaults.
#include <QtGlobal>

namespace qh {

// For short-lived processes that build their whole working set at once (the
// command-line tool): grows the heap by reserveBytes up front and backs that
// area with huge pages, and keeps freed memory for reuse instead of handing
// it back. Call once, early. Does nothing where the C library has no such
// knobs.
void ReserveHugePageHeap(qsizetype reserveBytes);

}  // namespace qh
