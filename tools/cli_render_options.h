#pragma once
// The options of "qinghechart-cli render", checked before anything is
// read, and the output names made from the -o and --layout patterns.
#include "cli_options.h"

#include "chart/chart_output.h"
#include "chart/chart_page.h"
#include "data/table_choice.h"

#include <optional>
#include <vector>

namespace qh::cli {

struct RenderOptions {
  std::vector<ChartPage> Kinds{ChartPage::Bar};
  int Width = 1200, Height = 700;
  int Dpi = 96;
  std::optional<int> PageNo;  // --page; without it page 1, or every page with {page}
  QString SettingsPath;
  QString TitlePattern;  // --title; empty: the chart kind's name
  QString LayoutPattern;
  QString OutPattern;
  ChartFileFormat OutFormat = ChartFileFormat::Png;
  QString InputFormat;  // --format: what every FILE holds
  TableChoice Choice;   // which part of each FILE's table
  bool JsonSummary = false;
  int Jobs = 1;  // -j: pictures drawn at once
  QStringList Files;

  bool ToStandardOutput() const { return OutPattern == u"-"; }
  // Standard output or a device: no name to take the format from.
  bool ToStraightOutput() const;
  // Whether every page of a pie is drawn, one file each.
  bool EveryPiePage() const;
  // Threads to draw on: -j, but never more than there are pictures, and one
  // when a layout is written (its name is claimed by the task that wrote it).
  int WorkThreads() const;
  // Whether files are written on a thread of their own while the next
  // picture is drawn: when there is more than one picture and no layout.
  bool WritesAside() const;
};

// Fills options from the parsed arguments; empty when they are usable,
// else what is wrong (a usage error).
QString TakeRenderOptions(const ParsedArgs& args, RenderOptions& options);

// "bar", "pie" or "line".
const char* KindName(ChartPage kind);

// pattern with {name} (FILE's name without its extension, "stdin" for -),
// {kind} and {page} filled in.
QString OutputName(const QString& pattern, const QString& file, ChartPage kind, int pageNo);

// The --title pattern with {name} filled in as in OutputName.
QString TitleFor(const QString& pattern, const QString& file);

}  // namespace qh::cli
