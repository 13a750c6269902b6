#include "cli_commands.h"

namespace qh::cli {

int RunCheck(const QStringList&) { return 2; }

}  // namespace qh::cli
