#pragma once
// The options of "check" and "render" that choose which part of a wider
// table to draw: --columns, --sheet, --skip, --no-total.
#include "cli_options.h"

#include "data/table_choice.h"

namespace qh::cli {

// Fills choice from the parsed arguments; empty when the values are usable,
// else what is wrong (a usage error).
QString TakeTableChoice(const ParsedArgs& args, TableChoice& choice);

}  // namespace qh::cli
