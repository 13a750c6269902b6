#include "app/label_options.h"

#include "base/ini_file.h"

namespace qh {

namespace {

struct SwitchKey {
  LabelOptionId Id;
  const char16_t* Section;
  const char16_t* Key;
};

// In the order the switches are read and written.
constexpr SwitchKey kSwitchKeys[] = {
    {LabelOptionId::BarNoName, u"Bar", u"NoName"},
    {LabelOptionId::BarUseLetters, u"Bar", u"UseLetters"},
    {LabelOptionId::BarUseNumbers, u"Bar", u"UseNumbers"},
    {LabelOptionId::BarNoValue, u"Bar", u"NoValue"},
    {LabelOptionId::LineUseLetters, u"Line", u"UseLetters"},
    {LabelOptionId::LineUseNumbers, u"Line", u"UseNumbers"},
    {LabelOptionId::LineNoValue, u"Line", u"NoValue"},
};

struct RowSpec {
  LabelOptionId Id;
  int CaptionIndex;
};

constexpr RowSpec kBarRows[] = {{LabelOptionId::BarNoName, 0},
                                {LabelOptionId::BarUseLetters, 1},
                                {LabelOptionId::BarUseNumbers, 2},
                                {LabelOptionId::BarNoValue, 3}};
constexpr RowSpec kLineRows[] = {{LabelOptionId::LineUseLetters, 1},
                                 {LabelOptionId::LineUseNumbers, 2},
                                 {LabelOptionId::LineNoValue, 3}};

// Turning a switch on turns off the ones it contradicts; turning one off
// changes nothing else.
void ApplyExclusions(LabelOptions& o, LabelOptionId switchedOn) {
  switch (switchedOn) {
    case LabelOptionId::BarUseLetters: o.BarUseNumbers = false; break;
    case LabelOptionId::BarUseNumbers: o.BarUseLetters = false; break;
    case LabelOptionId::LineUseLetters: o.LineUseNumbers = false; break;
    case LabelOptionId::LineUseNumbers: o.LineUseLetters = false; break;
    case LabelOptionId::BarNoName:
      o.BarUseLetters = false;
      o.BarUseNumbers = false;
      break;
    default: break;
  }
}

void RefreshRows(std::vector<OptionRow>& rows, const LabelOptions& options) {
  for (OptionRow& row : rows) {
    row.Checked = options.Get(row.Id);
    row.Enabled = true;
    if (options.BarNoName &&
        (row.Id == LabelOptionId::BarUseLetters || row.Id == LabelOptionId::BarUseNumbers)) {
      row.Enabled = false;
    }
  }
}

}  // namespace

LabelOptions LoadLabelOptions(const IniFile& ini) {
  LabelOptions o;
  for (const SwitchKey& s : kSwitchKeys) o.Set(s.Id, ini.IniReadInt(s.Section, s.Key, 0) != 0);
  if (o.BarUseLetters && o.BarUseNumbers) o.BarUseNumbers = false;
  if (o.BarNoName) {
    o.BarUseLetters = false;
    o.BarUseNumbers = false;
  }
  if (o.LineUseLetters && o.LineUseNumbers) o.LineUseNumbers = false;
  return o;
}

void SaveLabelOptions(const LabelOptions& options, const IniFile& ini) {
  std::vector<IniFile::Entry> entries;
  for (const SwitchKey& s : kSwitchKeys) {
    entries.push_back({QString::fromUtf16(s.Section), QString::fromUtf16(s.Key),
                       options.Get(s.Id) ? QStringLiteral("1") : QStringLiteral("0")});
  }
  ini.IniWriteAll(entries);
}

void SaveChangedLabelOptions(const LabelOptions& before, const LabelOptions& after,
                             const IniFile& ini) {
  std::vector<IniFile::Entry> entries;
  for (const SwitchKey& s : kSwitchKeys) {
    if (before.Get(s.Id) == after.Get(s.Id)) continue;
    entries.push_back({QString::fromUtf16(s.Section), QString::fromUtf16(s.Key),
                       after.Get(s.Id) ? QStringLiteral("1") : QStringLiteral("0")});
  }
  if (!entries.empty()) ini.IniWriteAll(entries);
}

std::vector<OptionRow> BuildOptionRows(ChartPage page, const LabelOptions& options) {
  std::vector<OptionRow> rows;
  auto add = [&rows](const auto& specs) {
    for (const RowSpec& spec : specs) {
      OptionRow row;
      row.Id = spec.Id;
      row.CaptionIndex = spec.CaptionIndex;
      rows.push_back(row);
    }
  };
  if (page == ChartPage::Bar) add(kBarRows);
  if (page == ChartPage::Line) add(kLineRows);
  RefreshRows(rows, options);
  return rows;
}

bool ToggleOptionRow(std::vector<OptionRow>& rows, int index, LabelOptions& options,
                     const IniFile& ini) {
  if (index < 1 || index > static_cast<int>(rows.size())) return false;
  const OptionRow& row = rows[static_cast<size_t>(index - 1)];
  if (!row.Enabled) return false;
  const LabelOptions before = options;
  const bool on = !options.Get(row.Id);
  options.Set(row.Id, on);
  if (on) ApplyExclusions(options, row.Id);
  // Only what this toggle changed: another window's switches stay as it saved them.
  SaveChangedLabelOptions(before, options, ini);
  RefreshRows(rows, options);
  return true;
}

bool HitTestOptionRows(std::vector<OptionRow>& rows, float x, float y, LabelOptions& options,
                       const IniFile& ini) {
  for (size_t i = 0; i < rows.size(); ++i) {
    const OptionRow& r = rows[i];
    if (r.Left <= x && x <= r.Right && r.Top <= y && y <= r.Bottom) {
      // A disabled row takes the click but changes nothing.
      return ToggleOptionRow(rows, static_cast<int>(i) + 1, options, ini);
    }
  }
  return false;
}

QString OptionCaption(int captionIndex) {
  switch (captionIndex) {
    case 0: return QStringLiteral("不显示项目名称");
    case 1: return QStringLiteral("字母项目名");
    case 2: return QStringLiteral("数字项目名");
    case 3: return QStringLiteral("不显示项目数值");
    default: return {};
  }
}

QString OptionPanelTitle(ChartPage page) {
  switch (page) {
    case ChartPage::Bar: return QStringLiteral("柱形图设置");
    case ChartPage::Line: return QStringLiteral("曲线图设置");
    default: return {};
  }
}

}  // namespace qh
