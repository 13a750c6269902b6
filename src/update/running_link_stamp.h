#pragma once
// Where the running program's link time comes from differs per platform:
// running_link_stamp-posix.cpp and running_link_stamp-win32.cpp.
#include <QtGlobal>

namespace qh {

// Seconds since 1970 UTC when the running program was linked; 0 when unknown.
qint64 RunningLinkStamp();

}  // namespace qh
