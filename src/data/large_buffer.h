#pragma once
// Large exports are read into buffers of many megabytes, and on virtual
// machines the first touch of each 4 KiB page can cost more than the parsing
// itself. Asking for huge pages turns thousands of page faults into a few.
#include <QtGlobal>

namespace qh {

// Advises the kernel that the buffer will be written in full soon; does
// nothing for small buffers or where the advice does not exist.
void AdviseLargeBuffer(void* data, qsizetype bytes);

}  // namespace qh
