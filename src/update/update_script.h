#pragma once
// The script that replaces the program once it has exited: a batch file on
// Windows, a shell script elsewhere (texts in script_text.h, what differs
// per platform in update_platform.h).
#include <QString>

#include "update/script_text.h"
#include "update/update_paths.h"
#include "update/update_platform.h"

namespace qh {

// Deletes the old program the last update parked in appDir and the private
// download folders left there that no running copy holds, ignoring errors.
// Called at start-up.
void RemoveSetAsideProgram(const QString& appDir);

// Writes the platform's script for paths.NewFile. False with errorText set
// when the new file is missing or the script cannot be written.
bool WriteUpdateScript(const UpdatePaths& paths, const QString& title, QString& scriptPath,
                       QString& errorText, const ScriptTiming& timing = {});

}  // namespace qh
