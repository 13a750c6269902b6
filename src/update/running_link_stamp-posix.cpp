#include "update/running_link_stamp.h"

// Linked into the programs from the build stamp (see update/link_stamp.cmake).
// Weak, so libraries and tests linked without it see a null address and fall
// back to the current time.
extern "C" __attribute__((weak)) const long long qhLinkTimeStamp;

namespace qh {

qint64 RunningLinkStamp() { return &qhLinkTimeStamp != nullptr ? qhLinkTimeStamp : 0; }

}  // namespace qh
