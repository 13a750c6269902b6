// Finds the drawing module through the tool's run path: beside the tool in
// a build tree, in lib/<multiarch>/qinghechart once installed.
#include "cli_commands.h"

#include <dlfcn.h>

namespace qh::cli {

int RunRenderModule(int argc, char** argv) {
  // Lazy binding: the module's own calls are bound when first made, so a
  // run pays only for the drawing code it uses.
  void* module = dlopen(kRenderModuleFile, RTLD_LAZY | RTLD_LOCAL);
  if (module == nullptr) {
    PrintError(QStringLiteral("render: cannot load the drawing module: %1\n"
                              "Reinstall the package, or rebuild qinghechart-render.")
                   .arg(QString::fromLocal8Bit(dlerror())));
    return kExitOutputFailed;
  }
  const auto entry = reinterpret_cast<RenderEntry>(dlsym(module, kRenderEntry));
  if (entry == nullptr) {
    PrintError(QStringLiteral("render: the drawing module is broken: %1\n"
                              "Reinstall the package, or rebuild qinghechart-render.")
                   .arg(QString::fromLocal8Bit(dlerror())));
    return kExitOutputFailed;
  }
  return entry(argc, argv);  // the module stays loaded until the process ends
}

}  // namespace qh::cli
