#pragma once
// Subcommands of qinghechart-cli. Each returns the process exit code:
// 0 success, 1 the input was refused, 2 a usage error.
#include <QStringList>

namespace qh::cli {

int RunCheck(const QStringList& args);
int RunRender(const QStringList& args);

}  // namespace qh::cli
