// qinghechart-cli: the headless companion of the window, for business
// systems, servers and tests. It never writes the settings file or the log.
#include "cli_commands.h"

#include "process_heap.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstring>

namespace {

int RunCheckCommand(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList args = QCoreApplication::arguments();
  args.remove(0, 2);  // the program and the command name
  return qh::cli::RunCheck(args);
}

struct Command {
  const char* name;
  const char* help;
  int (*run)(int argc, char** argv);
};

constexpr Command kCommands[] = {
    {"check", "check [--manual] [--json] FILE      validate a data file", RunCheckCommand},
    {"render",
     "render [--kind bar|pie|line] [--size WxH] [--dpi N] [--page N] [--settings INI]\n"
     "         [--layout OUT.json] -o OUT FILE      draw a chart picture",
     qh::cli::RunRenderModule},
};

int Usage() {
  std::fputs("usage: qinghechart-cli COMMAND ...\n", stderr);
  for (const Command& c : kCommands) std::fprintf(stderr, "  %s\n", c.help);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // Charts need fonts and images but never a display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  if (argc < 2) return Usage();
  // The whole working set of one run is built at once and lives until exit.
  qh::ReserveHugePageHeap(64 * 1024 * 1024);
  for (const Command& c : kCommands) {
    if (std::strcmp(argv[1], c.name) == 0) return c.run(argc, argv);
  }
  std::fprintf(stderr, "qinghechart-cli: unknown command '%s'\n", argv[1]);
  return Usage();
}
