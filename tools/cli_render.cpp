#include "cli_commands.h"

namespace qh::cli {

int RunRender(const QStringList&) { return 2; }

}  // namespace qh::cli
