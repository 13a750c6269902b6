#pragma once
// The words the replacement script and its platform halves share: which
// files it moves, and how long it waits.
#include <QString>

namespace qh {

struct UpdatePaths {
  QString Program;        // the running program's file
  QString NewFile;        // the downloaded program
  QString Script;         // the script itself
  QString SetAside;       // where the batch file parks the old program meanwhile
  QString PrivateFolder;  // the download's private folder, removed by the script at its end
  QString Log;            // the diagnostic log the script appends its result to (empty: none)
};

// Waits of the shell script; tests shorten them.
struct ScriptTiming {
  int ExitWaitSeconds = 6;  // for the old program to exit
  int MaxTries = 120;       // attempts to replace the program file
  int RetryPauseSeconds = 1;
  int FinalPauseSeconds = 2;  // before the script deletes itself
};

// "~qzold.exe": the old program, parked by the batch file until the next start.
inline QString SetAsideFileName() { return QStringLiteral("~qzold.exe"); }

}  // namespace qh
