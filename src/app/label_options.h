#pragma once
// The label switches kept in the settings file, and the panel of clickable
// rows that shows them.
#include "chart/chart_page.h"
#include "chart/label_options.h"

#include <QString>
#include <array>
#include <vector>

namespace qh {

class IniFile;

// One clickable row of the options panel, rebuilt for every paint.
struct OptionRow {
  bool Checked = false;
  bool Enabled = true;
  LabelOptionId Id = LabelOptionId::BarNoName;
  int CaptionIndex = 0;  // see OptionCaption
  // Click rectangle in panel pixels, filled in by the panel drawing.
  float Left = 0, Top = 0, Right = 0, Bottom = 0;
};

// Reads the seven switches ([Bar], [Line]) and repairs contradictions; a
// repair is written back only when a toggle changes that switch.
LabelOptions LoadLabelOptions(const IniFile& ini);

// Writes all seven switches as "1"/"0".
void SaveLabelOptions(const LabelOptions& options, const IniFile& ini);

// Writes only the switches that differ between before and after (read,
// changed and saved in one go), so that two windows on one settings file
// keep each other's changes.
void SaveChangedLabelOptions(const LabelOptions& before, const LabelOptions& after,
                             const IniFile& ini);

// The rows of page: bar 1-4, line 5-7, none for the other pages. With "no
// names" on, the bar chart's letter and number rows are disabled.
std::vector<OptionRow> BuildOptionRows(ChartPage page, const LabelOptions& options);

// Toggles row index (1-based) when it exists and is enabled, applies the
// exclusions, saves, and refreshes Checked/Enabled of rows. True when toggled.
bool ToggleOptionRow(std::vector<OptionRow>& rows, int index, LabelOptions& options,
                     const IniFile& ini);

// Toggles the first row whose rectangle holds (x, y), edges included; true
// when that row was enabled and toggled.
bool HitTestOptionRows(std::vector<OptionRow>& rows, float x, float y, LabelOptions& options,
                       const IniFile& ini);

// Caption of a row: 0 "不显示项目名称", 1 "字母项目名", 2 "数字项目名", 3 "不显示项目数值".
QString OptionCaption(int captionIndex);

// "柱形图设置", "曲线图设置", or empty for pages without a panel.
QString OptionPanelTitle(ChartPage page);

}  // namespace qh
