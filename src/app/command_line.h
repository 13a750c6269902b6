#pragma once
// The data file named on the window program's command line, read the way
// the program has always read it: from the argument text as one string.
#include <QString>
#include <QStringList>
#include <QStringView>

namespace qh {

// The data file path taken from the argument text of a command line (the
// text after the executable name): quoted paths keep their spaces, an
// unquoted path ends at its first space.
QString CommandLinePath(QStringView argumentText);

// Rebuilds the argument text that Windows would hand the program from an
// argv list (without the executable name): arguments holding a space or
// nothing at all are quoted, the rest are joined by single spaces.
QString ArgumentTextFromArgs(const QStringList& args);

}  // namespace qh
