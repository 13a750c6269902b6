#pragma once
// The two safety limits of the settings file. The loader and every reader
// carry them; none applies them, so a table of any length is loaded whole.

namespace qh {

struct LoadLimits {
  int MaxItems = 100000;
  int MaxPoints = 200000;
};

}  // namespace qh
