#include "app/command_line.h"

namespace qh {

QString CommandLinePath(QStringView argumentText) {
  auto trimSpaces = [](QStringView t) {
    qsizetype b = 0, e = t.size();
    while (b < e && t[b] == u' ') ++b;
    while (e > b && t[e - 1] == u' ') --e;
    return t.mid(b, e - b);
  };
  QStringView text = trimSpaces(argumentText);
  if (text.isEmpty()) return {};
  QStringView path;
  if (text.front() != u'"') {
    const qsizetype space = text.indexOf(u' ');
    path = space < 0 ? text : text.left(space);
  } else {
    const QStringView rest = text.mid(1);
    const qsizetype quote = rest.indexOf(u'"');
    path = quote < 0 ? rest : rest.left(quote);
  }
  return trimSpaces(path).toString();
}

QString ArgumentTextFromArgs(const QStringList& args) {
  QStringList parts;
  for (const QString& a : args) {
    parts << ((a.isEmpty() || a.contains(u' ') || a.contains(u'\t')) ? u'"' + a + u'"' : a);
  }
  return parts.join(u' ');
}

}  // namespace qh
