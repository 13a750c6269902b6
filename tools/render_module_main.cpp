// Entry of the drawing module of qinghechart-cli (see cli_commands.h).
#include "cli_commands.h"

#include <QGuiApplication>

extern "C" __attribute__((visibility("default"))) int qinghechart_render_main(int argc,
                                                                              char** argv) {
  // Qt sees only the program name: a FILE called "-title" or "-platform"
  // stays a FILE and is not taken as one of Qt's own options.
  int qtArgc = 1;
  char* qtArgv[] = {argv[0], nullptr};
  QGuiApplication app(qtArgc, qtArgv);
  return qh::cli::RunRender(
      qh::cli::ParseOptions(qh::cli::CommandWords(argc, argv), qh::cli::kRenderCommand.Options));
}
