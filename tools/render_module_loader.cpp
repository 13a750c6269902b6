// Finds the drawing module through the tool's run path: beside the tool in
// a build tree, in lib/<multiarch>/qinghechart once installed.
#include "cli_commands.h"

#include <cstdio>
#include <dlfcn.h>

namespace qh::cli {

int RunRenderModule(int argc, char** argv) {
  void* module = dlopen(kRenderModuleFile, RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    std::fprintf(stderr, "qinghechart-cli render: cannot load the drawing module: %s\n", dlerror());
    return 1;
  }
  const auto entry = reinterpret_cast<RenderEntry>(dlsym(module, kRenderEntry));
  if (entry == nullptr) {
    std::fprintf(stderr, "qinghechart-cli render: the drawing module is broken: %s\n", dlerror());
    return 1;
  }
  return entry(argc, argv);  // the module stays loaded until the process ends
}

}  // namespace qh::cli
