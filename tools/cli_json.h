#pragma once
// JSON output of qinghechart-cli, shared by "check" and "render": strings
// straight from UTF-16, numbers as the shortest text that reads back the
// same.
#include <QByteArray>
#include <QStringView>

namespace qh::cli {

// text as a quoted JSON string, UTF-8; a lone surrogate becomes "?".
void AppendJsonString(QByteArray& out, QStringView text);

// The shortest text that reads back to the same number; null when it is
// not finite (JSON has no infinity).
void AppendJsonNumber(QByteArray& out, double value);
void AppendJsonNumber(QByteArray& out, float value);

}  // namespace qh::cli
