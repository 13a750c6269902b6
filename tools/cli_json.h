#pragma once
// JSON output of qinghechart-cli, shared by "check" and "render": strings
// as UTF-8 with the escapes JSON needs, numbers as the shortest text that
// reads back the same.
#include <QByteArray>
#include <QStringView>
#include <cstddef>
#include <string_view>

namespace qh::cli {

// text as a quoted JSON string, UTF-8; a lone surrogate becomes "?".
void AppendJsonString(QByteArray& out, QStringView text);

// [name,value] as one item of a JSON list, name already in standard UTF-8:
// its bytes go out as they are, only quotes, backslashes and control
// characters escaped. Written at d, which has JsonPairRoom(name.size())
// bytes of room; returns the end.
char* WriteJsonPair(char* d, std::string_view name, double value);
size_t JsonPairRoom(size_t nameBytes);

// The shortest text that reads back to the same number; null when it is
// not finite (JSON has no infinity).
void AppendJsonNumber(QByteArray& out, double value);
void AppendJsonNumber(QByteArray& out, float value);

}  // namespace qh::cli
