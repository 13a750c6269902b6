// What each command accepts, one line of meaning per option: the parser
// reads these tables and --help prints them.
#include "cli_commands.h"

#include "base/native_name.h"

namespace qh::cli {

namespace {

// clang-format off
constexpr OptionSpec kCheckOptions[] = {
    {"manual", '\0', nullptr, "FILE holds typed lines (item,value), read as UTF-8"},
    {"json", '\0', nullptr, "print one JSON object: ok, count, items, error, hint"},
    {"format", '\0', "F", "read FILE as F (html, csv, xls, xlsx) whatever its name; - and pipes without it: by content"},
    {"quiet", 'q', nullptr, "no summary line on standard error"},
};

constexpr OptionSpec kRenderOptions[] = {
    {"kind", 'k', "KINDS", "chart kinds, comma-separated: bar, pie, line (default bar)"},
    {"output", 'o', "OUT", "write to OUT: .png .jpg .jpeg .bmp .svg .pdf; - is standard output"},
    {"output-format", 'T', "FMT", "OUT's format: png, jpeg, bmp, svg, pdf (default: its extension; png for -)"},
    {"size", '\0', "WxH", "picture size in pixels, each side 20..16384 (default 1200x700)"},
    {"dpi", '\0', "N", "screen DPI to draw for; lengths scale by N/96, at least 1 (default 96)"},
    {"page", '\0', "N", "page of the pie chart (default 1; {page} in OUT draws every page)"},
    {"settings", '\0', "INI", "settings file to read (default: the window's)"},
    {"title", '\0', "TEXT", "chart title (default: the HTML caption, else 柱形图/饼形图/曲线图); {name} as in OUT"},
    {"layout", '\0', "OUT.json", "also write each chart's layout as JSON (same {...} fields as OUT; - stdout)"},
    {"format", '\0', "F", "read FILE as F (html, csv, xls, xlsx) whatever its name; - and pipes without it: by content"},
};
// clang-format on

}  // namespace

const CommandSpec kCheckCommand{
    "check", "[OPTION]... FILE", "Check a data file and print its items and the verdict.",
    kCheckOptions,
    "\nFILE - reads standard input. Standard output holds only the items, one\n"
    "tab-separated row each (number, item, value), or the JSON object; the\n"
    "summary and any refusal go to standard error.\n"
    "exit status: 0 accepted, 1 refused, 2 usage error, 3 FILE missing or unreadable\n"};

const CommandSpec kRenderCommand{
    "render", "[OPTION]... -o OUT FILE...",
    "Draw charts of each FILE as PNG, JPEG, BMP, SVG or PDF, without a display.", kRenderOptions,
    "\nOUT may hold {name} (FILE's name without extension), {kind} (bar, pie, line)\n"
    "and {page} (the pie's page number; then every page is drawn), e.g.\n"
    "  -o 'charts/{name}-{kind}.png' --kind bar,pie,line a.html b.csv\n"
    "Several FILEs need {name} in OUT, several kinds {kind}. Each FILE is read\n"
    "once; a refused FILE is reported on standard error and the others are still\n"
    "drawn. -T names the picture's format, --format the data's: they never mix.\n"
    "A PDF page has the picture's size at 96 DPI (1 px = 0.75 pt).\n"
    "exit status: 0 all drawn, 1 a FILE refused, 2 usage error, 3 a FILE missing or\n"
    "unreadable, 4 an output not written (the highest applies)\n"};

QStringList CommandWords(int argc, char** argv) {
  QStringList words;
  // As bytes: a file name that is no UTF-8 still names its file.
  for (int i = 2; i < argc; ++i) words << NameFromNative(argv[i]);
  return words;
}

}  // namespace qh::cli
