// Entry of the drawing module of qinghechart-cli (see cli_commands.h).
#include "cli_commands.h"

#include <QGuiApplication>

extern "C" __attribute__((visibility("default"))) int qinghechart_render_main(int argc,
                                                                              char** argv) {
  QGuiApplication app(argc, argv);
  QStringList args = QCoreApplication::arguments();
  args.remove(0, 2);  // the program and the command name
  return qh::cli::RunRender(args);
}
