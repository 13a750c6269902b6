#pragma once
// Text and file routines shared by every subsystem.
#include <QString>
#include <QStringList>
#include <QStringView>

namespace qh {

// The characters StripSpaces removes: space, tab, CR, LF, no-break space and
// ideographic space.
constexpr bool IsStrippedSpace(char16_t c) {
  return c == 32 || c == 9 || c == 10 || c == 13 || c == 160 || c == 12288;
}
inline bool IsStrippedSpace(QChar c) { return IsStrippedSpace(c.unicode()); }

// Removes every space, tab, CR, LF, no-break space and ideographic space,
// wherever it stands (not only at the ends).
QString StripSpaces(QStringView text);

// text as UTF-8 at out, a lone surrogate written "?" as in every UTF-8 text
// the program writes; returns the end. Needs room for 3 bytes a unit.
char* WriteUtf8(char* out, QStringView text);

// True when StripSpaces(text) is empty.
bool IsBlank(QStringView text);

// True when path names an existing ordinary file; any error counts as false.
bool FileExists(const QString& path);

// Rounds to the nearest whole number, an exact half to the even neighbour.
long long RoundHalfEven(double value);

}  // namespace qh
