// What each command accepts, one line of meaning per option: the parser
// reads these tables and --help prints them.
#include "cli_commands.h"

#include "base/native_name.h"

#include <algorithm>
#include <array>

namespace qh::cli {

namespace {

template <size_t A, size_t B>
constexpr std::array<OptionSpec, A + B> Join(const OptionSpec (&a)[A], const OptionSpec (&b)[B]) {
  std::array<OptionSpec, A + B> all{};
  std::copy(a, a + A, all.begin());
  std::copy(b, b + B, all.begin() + A);
  return all;
}

// clang-format off
// Both commands read a table the same way.
constexpr OptionSpec kTableChoiceOptions[] = {
    {"columns", '\0', "N,V", "use column N (names) and V (values) of a wider table: numbers from 1 or header texts"},
    {"sheet", '\0', "S", "read the workbook's sheet S, a number from 1 or its name (default the first)"},
    {"skip", '\0', "N", "leave out N leading rows (title lines) before the header"},
    {"no-total", '\0', nullptr, "leave out a last row named 合计, 总计, 小计, 总额 or Total"},
};

constexpr OptionSpec kCheckOwnOptions[] = {
    {"manual", '\0', nullptr, "FILE holds typed lines (item,value), read as UTF-8"},
    {"json", '\0', nullptr, "print one JSON object per FILE and line: ok, count, items, error, hint"},
    {"format", '\0', "F", "read FILE as F (html, csv, xls, xlsx) whatever its name; - and pipes without it: by content"},
    {"quiet", 'q', nullptr, "no summary line on standard error"},
};

constexpr OptionSpec kRenderOwnOptions[] = {
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
    {"json-summary", '\0', nullptr, "print one JSON line per output written (file, kind, page, rows)"},
    {"jobs", 'j', "N", "draw N pictures at once (default: the number of cores)"},
};
// clang-format on

constexpr auto kCheckOptions = Join(kCheckOwnOptions, kTableChoiceOptions);
constexpr auto kRenderOptions = Join(kRenderOwnOptions, kTableChoiceOptions);

}  // namespace

const CommandSpec kCheckCommand{
    "check", "[OPTION]... FILE...", "Check data files and print their items and verdicts.",
    kCheckOptions,
    "\nFILE - reads standard input. Standard output holds only the items, one\n"
    "tab-separated row each (number, item, value), or one JSON object per line,\n"
    "FILE by FILE in the order given; the summary and any refusal go to\n"
    "standard error, one each per FILE.\n"
    "--columns, --skip and --no-total pick the part of a wider table to read, e.g.\n"
    "  --skip 1 --columns 名称,金额 --no-total report.csv\n"
    "exit status: 0 accepted, 1 refused, 2 usage error (also a --sheet FILE lacks),\n"
    "3 FILE missing or unreadable, 4 standard output not written (the highest of\n"
    "all FILEs applies)\n"};

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
    "--json-summary prints one line per output on standard output, e.g.\n"
    "  "
    "{\"file\":\"a.csv\",\"output\":\"a-bar.png\",\"kind\":\"bar\",\"page\":1,\"drawn\":12,"
    "\"rows\":12}\n"
    "exit status: 0 all drawn, 1 a FILE refused, 2 usage error (also a --sheet FILE\n"
    "lacks), 3 a FILE missing or unreadable, 4 an output not written (the highest\n"
    "applies)\n"};

QStringList CommandWords(int argc, char** argv) {
  QStringList words;
  // As bytes: a file name that is no UTF-8 still names its file.
  for (int i = 2; i < argc; ++i) words << NameFromNative(argv[i]);
  return words;
}

}  // namespace qh::cli
