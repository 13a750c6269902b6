#include "chart/pie_chart.h"

#include "chart/canvas.h"
#include "chart/chart_format.h"

#include <QHash>
#include <QSet>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace qh {

namespace {

constexpr long double kPi = 3.14159265358979L;

// A slice angle as the painter can use it: any sweep of a full turn or more
// covers the same circle, and huge starts are taken modulo a turn.
double TameAngle(long double degrees, bool isSweep) {
  if (!std::isfinite(degrees)) return isSweep ? (degrees < 0 ? -360 : 360) : 0;
  if (isSweep) return static_cast<double>(std::clamp<long double>(degrees, -360, 360));
  return static_cast<double>(std::fmod(degrees, 360.0L));
}

// The shares divide by the page's positive values. When that is not plain
// from the total (other pages exist, or some values get no share), the
// subtitle names the base.
QString PieSubtitle(long double pageTotal, long double positiveTotal, bool wholeTable,
                    bool excludes, int rowCount) {
  const QString count =
      QStringLiteral("    共 ") + QString::number(rowCount) + QStringLiteral(" 项");
  const QString total = QStringLiteral("本页合计 ") + FormatValue(pageTotal);
  if (excludes) {
    return QStringLiteral("本页正数合计 ") + FormatValue(positiveTotal) +
           QStringLiteral("(占比基数)    ") + total + count;
  }
  if (!wholeTable) return total + QStringLiteral("(占比基数)") + count;
  return total + count;
}

}  // namespace

QString PieShareText(double value, long double positiveTotal) {
  if (!(value > 0) || !(positiveTotal > 0)) return QStringLiteral("不计入");
  return FormatPercent(value / positiveTotal * 100);
}

std::vector<int> LegendOrder(const std::vector<double>& values) {
  std::vector<int> order(values.size());
  for (size_t j = 0; j < order.size(); ++j) order[j] = static_cast<int>(j) + 1;
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return values[static_cast<size_t>(a - 1)] > values[static_cast<size_t>(b - 1)];
  });
  return order;
}

namespace {

// Names cut in the middle keep their head and their end, where branch
// names differ ("青禾科技…华东分公司"). The pieces are whole characters.
class NameCutter {
 public:
  NameCutter(const TextMeasure& m, const QString& name, float width) : width_(width) {
    // Only the ends can show: no glyph is narrower than 2 px at chart sizes.
    const qsizetype keep = static_cast<qsizetype>(std::clamp(width, 0.0f, 1e6f) / 2) + 8;
    name_ = name.size() > 2 * keep ? name.left(keep) + name.right(keep) : name;
    for (qsizetype i = 0; i < name_.size();) {
      const qsizetype len = name_.at(i).isHighSurrogate() && i + 1 < name_.size() ? 2 : 1;
      chars_.push_back({i, len, m.Width(name_.mid(i, len))});
      i += len;
    }
    ellipsis_ = m.Width(QString(QChar(0x2026)));
    fits_ = name.size() == name_.size() && m.Width(name) <= width;
  }

  bool Fits() const { return fits_; }

  // About three characters of the end for two of the head, while they
  // fit: names of one list mostly differ towards their end (the branch, the
  // shop, the model).
  QString Balanced() const {
    size_t head = 0, tail = 0;
    float used = ellipsis_;
    bool headFull = false, tailFull = false;
    while (head + tail < chars_.size() && !(headFull && tailFull)) {
      const bool tailTurn = headFull || (!tailFull && 2 * tail < 3 * head + 2);
      const CharAt& c = tailTurn ? chars_[chars_.size() - 1 - tail] : chars_[head];
      if (used + c.Width > width_) {
        (tailTurn ? tailFull : headFull) = true;
        continue;
      }
      used += c.Width;
      (tailTurn ? tail : head) += 1;
    }
    return Join(head, tail);
  }

  // Other cuts that fit, nearest the balanced one first: more of the end,
  // then more of the head, then a piece of the middle between two "…".
  std::vector<QString> Alternatives() const {
    std::vector<QString> out;
    const size_t n = chars_.size();
    for (size_t head = 0; head < n; ++head) {
      float used = ellipsis_;
      for (size_t k = 0; k < head; ++k) used += chars_[k].Width;
      if (used > width_) break;
      size_t tail = 0;
      while (head + tail < n && used + chars_[n - 1 - tail].Width <= width_)
        used += chars_[n - 1 - tail++].Width;
      out.push_back(Join(head, tail));
    }
    // Pieces ending near the end first: there branch names differ most.
    for (size_t to = n - 1; to > 1; --to) {
      float used = 2 * ellipsis_;
      size_t from = to;
      while (from > 1 && used + chars_[from - 1].Width <= width_) used += chars_[--from].Width;
      if (from < to) out.push_back(QChar(0x2026) + Slice(from, to) + QChar(0x2026));
    }
    return out;
  }

 private:
  struct CharAt {
    qsizetype Pos, Len;
    float Width;
  };
  QString Slice(size_t from, size_t to) const {
    if (from >= to) return {};
    const qsizetype begin = chars_[from].Pos;
    return name_.mid(begin, chars_[to - 1].Pos + chars_[to - 1].Len - begin);
  }
  QString Join(size_t head, size_t tail) const {
    const size_t n = chars_.size();
    if (head + tail >= n) return name_;
    if (head + tail == 0) return {};
    return Slice(0, head) + QChar(0x2026) + Slice(n - tail, n);
  }

  float width_;
  QString name_;
  std::vector<CharAt> chars_;
  float ellipsis_ = 0;
  bool fits_ = false;
};

// The legend names as cut to width, no two alike unless the names are.
// Names whose plain cuts read alike each take the first other cut that no
// other of them can show, so the cut keeps what tells them apart; failing
// that, the first cut not yet taken.
std::vector<QString> CutLegendNames(const TextMeasure& m, const std::vector<QString>& names,
                                    float width) {
  std::vector<QString> cuts;
  std::vector<NameCutter> cutters;
  QHash<QString, QSet<QString>> namesOf;  // plain cut -> the names it stands for
  for (const QString& name : names) {
    cutters.emplace_back(m, name, width);
    cuts.push_back(cutters.back().Fits() ? name : cutters.back().Balanced());
    namesOf[cuts.back()].insert(name);
  }
  std::vector<size_t> alike;
  for (size_t i = 0; i < names.size(); ++i) {
    if (namesOf[cuts[i]].size() > 1) alike.push_back(i);
  }
  if (alike.empty()) return cuts;
  // Which of those names can show each cut, and who has taken it.
  std::vector<std::vector<QString>> choices(names.size());
  QHash<QString, QSet<QString>> shownBy = namesOf;
  for (size_t i : alike) {
    choices[i] = cutters[i].Alternatives();
    for (const QString& c : choices[i]) shownBy[c].insert(names[i]);
  }
  QHash<QString, QString> owner;
  for (size_t i = 0; i < names.size(); ++i) {
    if (namesOf[cuts[i]].size() == 1) owner.insert(cuts[i], names[i]);
  }
  for (size_t i : alike) {
    const auto taken = [&](const QString& c) {
      const auto it = owner.constFind(c);
      return it != owner.cend() && *it != names[i];
    };
    const QString* pick = nullptr;
    for (const QString& c : choices[i]) {
      if (!c.isEmpty() && !taken(c) && shownBy[c].size() == 1) {
        pick = &c;
        break;
      }
    }
    for (size_t k = 0; pick == nullptr && k < choices[i].size(); ++k) {
      if (!choices[i][k].isEmpty() && !taken(choices[i][k])) pick = &choices[i][k];
    }
    // No cut tells this name apart: it is left out rather than shown as
    // another's; its swatch, value and share still stand.
    cuts[i] = pick != nullptr ? *pick : QString();
    if (!cuts[i].isEmpty()) owner.insert(cuts[i], names[i]);
  }
  return cuts;
}

// True when two different names would read the same after a plain cut.
bool CutsCollide(const TextMeasure& m, const std::vector<QString>& names, float width) {
  QHash<QString, QString> owner;
  for (const QString& name : names) {
    NameCutter cutter(m, name, width);
    const QString cut = cutter.Fits() ? name : cutter.Balanced();
    const auto it = owner.constFind(cut);
    if (it != owner.cend() && *it != name) return true;
    owner.insert(cut, name);
  }
  return false;
}

// The value and percentage columns are as wide as their widest text, so no
// number is cut; the name column takes what is left, at least 48s. Only when
// that does not fit beside the pie does the pie give up width; when even a
// small pie leaves too little, there is no legend. Names too long for their
// column take width from the pie while its radius does not shrink (the
// height limits it), further so that names of up to six characters show
// whole, and further still when their cuts would read alike.
// A legend that cannot list every row ends with a line counting the rest.
void PlaceLegendColumns(PieLayout& L, int width, int height, const std::vector<double>& values,
                        const ItemTable& table, const TextMeasure& m) {
  const ChartStyle& st = L.Style;
  const int n = L.Count;
  L.RowH = st.LegendRowH;
  const float fit =
      std::floor((static_cast<float>(height) - st.LegendBottomMargin - st.LegendTop) / L.RowH);
  L.Rows = std::clamp(static_cast<int>(std::clamp(fit, 0.0f, 1e9f)), 0, n);
  if (L.Rows == 0 && n > 0 && st.LegendTop + L.RowH <= static_cast<float>(height - 1)) L.Rows = 1;
  const int listed = L.Rows < n ? L.Rows - 1 : L.Rows;
  L.Unlisted = n - std::max(listed, 0);
  float valueW = 0, pctW = 0;
  std::vector<QString> names;
  for (int k = 1; k <= listed; ++k) {
    const int j = L.Order[static_cast<size_t>(k - 1)];
    const double v = values[static_cast<size_t>(j - 1)];
    LegendRow row{L.Offset + j, st.LegendTop + static_cast<float>(k - 1) * L.RowH, FormatValue(v),
                  PieShareText(v, L.Divisor)};
    valueW = std::max(valueW, m.Width(row.Value));
    pctW = std::max(pctW, m.Width(row.Percent));
    names.push_back(table.Items[static_cast<size_t>(row.Item - 1)].Name.toString());
    L.Legend.push_back(std::move(row));
  }
  // A hair of slack: a column exactly as wide as its text must not cut it.
  L.ValueW = std::ceil(valueW) + 1;
  L.PctW = std::ceil(pctW) + 1;
  const float gap = st.LegendColumnGap;
  const float needed = st.LegendMinNameW + L.ValueW + L.PctW + 2 * gap;
  L.Right = static_cast<float>(width) - st.LegendRightMargin;
  L.PieW = std::max(static_cast<float>(width) * 0.6f, st.PieMinW);
  const auto nameWidthFor = [&](float pieW) {
    return L.Right - (pieW + st.PieLegendGap) - L.ValueW - L.PctW - 2 * gap;
  };
  if (nameWidthFor(L.PieW) < st.LegendMinNameW) {
    const float narrower = L.Right - needed - st.PieLegendGap;
    // The smallest pie's radius is still above its minimum.
    if (narrower >= st.PieSmallestW) {
      L.PieW = narrower;
    } else {
      L.Rows = 0;
      L.Unlisted = 0;
      L.Legend.clear();
      names.clear();
    }
  }
  if (!names.empty()) {
    float longest = 0;
    for (const QString& name : names)
      longest = std::max(longest, MeasureTextWidthUpTo(m.Face, name, 2 * L.Right));
    const float wanted = std::ceil(longest) + 1;
    const auto widen = [&](float nameW, float floorW) {
      const float pieW = L.Right - nameW - L.ValueW - L.PctW - 2 * gap - st.PieLegendGap;
      L.PieW = std::min(L.PieW, std::max(pieW, floorW));
    };
    if (nameWidthFor(L.PieW) < wanted) {
      // Height-bound pies lose nothing down to this width.
      widen(wanted, static_cast<float>(height) - st.PieReservedH + st.PieSideMargin);
    }
    // Short names (a region, a month, a department: up to six characters)
    // show whole: the pie gives up what they need, down to 0.4 of the
    // picture. Longer names are cut; they take no more of the pie.
    const float floorW = std::max(static_cast<float>(width) * 0.4f, st.PieSmallestW);
    const float whole = std::min(wanted, st.LegendWholeNameW);
    if (nameWidthFor(L.PieW) < whole) widen(whole, floorW);
    // Names that would read alike: the pie gives up more, a step at a time
    // down to 0.4 of the picture, until they differ.
    while (L.PieW > floorW && nameWidthFor(L.PieW) < wanted &&
           CutsCollide(m, names, nameWidthFor(L.PieW))) {
      L.PieW = std::max(L.PieW - st.LegendColumnGap, floorW);
    }
  }
  L.Left = L.PieW + st.PieLegendGap;
  L.NameW = L.Right - L.Left - L.ValueW - L.PctW - 2 * gap;
  L.ValueX = L.Left + L.NameW + gap;
  L.PctX = L.ValueX + L.ValueW + gap;
  L.Names = CutLegendNames(m, names, L.NameW);
}

}  // namespace

PieLayout ComputePieLayout(int width, int height, const ItemTable& table,
                           const ChartRequest& request, const ChartFonts* fonts) {
  PieLayout L;
  const float s = request.Scale;
  L.Style = ChartStyle(s);
  const ChartStyle& st = L.Style;
  const int pageNo = std::max(request.PageNo, 1);
  const int n = L.Count =
      VisibleItemCount(ChartPage::Pie, table.ItemCount(), 0, pageNo, request.PageSize);
  if (n == 0) return L;
  L.Offset = request.PageSize < 1 ? 0 : (pageNo - 1) * request.PageSize;
  std::vector<double> values(static_cast<size_t>(n));
  for (int j = 1; j <= n; ++j) {
    values[static_cast<size_t>(j - 1)] = table.Items[static_cast<size_t>(L.Offset + j - 1)].Value;
  }
  L.PageTotal = SumRows(table, L.Offset + 1, n);
  // Slices and shares count the positive values only: a loss or a zero has
  // no part of a whole, so it keeps its legend line without a slice.
  const long double positive = SumPositiveRows(table, L.Offset + 1, n);
  L.HasPie = positive > 0;
  L.Divisor = L.HasPie ? positive : 1;
  bool excludes = false;
  for (double v : values) excludes |= !(v > 0);
  L.Subtitle = PieSubtitle(L.PageTotal, positive, n == table.ItemCount() || !L.HasPie,
                           excludes && L.HasPie, table.ItemCount());

  L.Order = LegendOrder(values);
  PlaceLegendColumns(L, width, height, values, table, MeasuresOf(fonts, s).Normal);

  // The pie on the left.
  const float availH = static_cast<float>(height) - st.PieReservedH;
  L.R = std::max(
      std::min(availH / 2 - st.PieRimMargin, (L.PieW - st.PieSideMargin) / 2 - st.PieRimMargin),
      st.PieMinRadius);
  L.Cx = (L.PieW - st.PieLeftInset) / 2 + st.PieLeftShift;
  L.Cy = st.PieTop + availH / 2;
  const HitRegion pieBox{0, L.Cx - L.R, L.Cy - L.R, L.Cx + L.R, L.Cy + L.R};

  int lastSlice = 0;  // the last positive value closes the pie
  for (int j = 1; j <= n; ++j) {
    if (values[static_cast<size_t>(j - 1)] > 0) lastSlice = j;
  }
  long double c = 0;
  for (int j = 1; j <= n; ++j) {
    const double v = values[static_cast<size_t>(j - 1)];
    HitRegion region = pieBox;
    region.ItemIndex = L.Offset + j;
    L.Regions.push_back(region);
    if (!(v > 0)) continue;
    const long double start = c * 360 / L.Divisor - 90;
    long double sweep = v * 360.0L / L.Divisor;
    if (j == lastSlice) {
      sweep = 270 - start;
      if (sweep <= 0) sweep = 0.01L;
    }
    L.Slices.push_back({L.Offset + j, TameAngle(start, false), TameAngle(sweep, true)});
    c += v;
    // No separator on the 12 o'clock start line.
    if (j < lastSlice) L.SeparatorAngles.push_back(TameAngle(c * 360 / L.Divisor - 90, false));
  }

  // The legend on the right, largest value first.
  const ChartMeasures m = MeasuresOf(fonts, s);
  PlaceTitleBlock(st, m.Title, m.Normal, width, height, request.Title, L.Subtitle,
                  table.ValueHeading, L.Texts);
  for (size_t k = 0; k < L.Legend.size(); ++k) {
    const LegendRow& row = L.Legend[k];
    const int j = row.Item - L.Offset;
    const float y = row.Y;
    L.Regions[static_cast<size_t>(j - 1)] = {
        row.Item, L.PieW, y, static_cast<float>(width) - st.LegendRegionRightMargin, y + L.RowH};
    const QStringView name = table.Items[static_cast<size_t>(row.Item - 1)].Name;
    ChartText t =
        PlaceInBox(m.Normal, TextRole::LegendName, L.Names[k],
                   QRectF(L.Left, y, L.NameW + 1, L.RowH), TextAlign::Near, st.LegendNameColor);
    t.Cut = t.Text != name;
    if (!t.Text.isEmpty()) L.Texts.push_back(std::move(t));
    L.Texts.push_back(PlaceInBox(m.Normal, TextRole::LegendValue, row.Value,
                                 QRectF(L.ValueX, y, L.ValueW, L.RowH), TextAlign::Far,
                                 st.LegendNumberColor));
    L.Texts.push_back(PlaceInBox(m.Normal, TextRole::LegendPct, row.Percent,
                                 QRectF(L.PctX, y, L.PctW, L.RowH), TextAlign::Far,
                                 st.LegendNumberColor));
  }
  if (L.Unlisted > 0) {
    const float y = st.LegendTop + static_cast<float>(L.Legend.size()) * L.RowH;
    L.Texts.push_back(
        PlaceInBox(m.Normal, TextRole::LegendMore, QStringLiteral("另 %1 项未列出").arg(L.Unlisted),
                   QRectF(L.Left, y, L.Right - L.Left, L.RowH), TextAlign::Near, st.NoteColor));
  }
  if (!L.HasPie) {
    // In place of the pie, unless the legend has taken its room.
    ChartText note = PlaceWhole(m.Normal, TextRole::EmptyState,
                                QStringLiteral("本页没有正数数值,无法绘制饼形图."), L.Cx, L.Cy, 1,
                                L.PieW - st.TextGap, st.NoteColor);
    if (InsidePicture(note.Box, width, height) && !OverlapsAny(note.Box, L.Texts, st.TextGap))
      L.Texts.push_back(std::move(note));
  }
  return L;
}

namespace {

void FillSector(QPainter& painter, const QRectF& box, double start, double sweep, const QColor& c) {
  QPainterPath path(box.center());
  // The painter counts angles anticlockwise; ours run clockwise.
  path.arcTo(box, -start, -sweep);
  path.closeSubpath();
  painter.fillPath(path, c);
}

// Slices narrower than a pixel at the rim are gathered into one sector of
// their mixed colour, which is what anti-aliasing would show anyway: a
// page of 100,000 slivers then costs a few thousand fills, not 100,000.
class SliverMerger {
 public:
  SliverMerger(QPainter& painter, const QRectF& box, double minSweep)
      : painter_(painter), box_(box), minSweep_(minSweep) {}

  void Add(const PieSlice& slice) {
    const QColor c = ToColor(PaletteColor(slice.Item));
    if (std::abs(slice.Sweep) >= minSweep_) {
      Flush();
      FillSector(painter_, box_, slice.Start, slice.Sweep, c);
      return;
    }
    if (weight_ == 0) start_ = slice.Start;
    const double w = std::abs(slice.Sweep);
    sweep_ += slice.Sweep;
    weight_ += w;
    r_ += c.redF() * w;
    g_ += c.greenF() * w;
    b_ += c.blueF() * w;
    if (std::abs(sweep_) >= minSweep_) Flush();
  }

  void Flush() {
    if (weight_ > 0) {
      FillSector(
          painter_, box_, start_, sweep_,
          QColor::fromRgbF(static_cast<float>(r_ / weight_), static_cast<float>(g_ / weight_),
                           static_cast<float>(b_ / weight_)));
    }
    start_ = sweep_ = weight_ = r_ = g_ = b_ = 0;
  }

 private:
  QPainter& painter_;
  QRectF box_;
  double minSweep_;
  double start_ = 0, sweep_ = 0, weight_ = 0, r_ = 0, g_ = 0, b_ = 0;
};

void PaintPie(QPainter& painter, const PieLayout& L) {
  const QRectF box(L.Cx - L.R, L.Cy - L.R, 2 * L.R, 2 * L.R);
  const QPointF centre(L.Cx, L.Cy);
  const double degreesPerPixel = 180 / (static_cast<double>(kPi) * std::max(L.R, 1.0f));
  painter.setPen(Qt::NoPen);
  SliverMerger merger(painter, box, degreesPerPixel);
  for (const PieSlice& slice : L.Slices) merger.Add(slice);
  merger.Flush();

  const qreal pen = L.Style.PieSeparatorPen;
  QPen white(ToColor(0xFFFFFFFF), pen);
  painter.setPen(white);
  painter.setBrush(Qt::NoBrush);
  // A separator closer than four line widths at the rim to the last one
  // drawn is left out: on a page of thousands of slices the white lines
  // would otherwise cover the whole pie.
  const double minGap = degreesPerPixel * 4 * pen;
  double last = 1e9;
  for (double a : L.SeparatorAngles) {
    if (std::abs(a - last) < minGap) continue;
    last = a;
    const double rad = a * static_cast<double>(kPi) / 180;
    painter.drawLine(centre, QPointF(L.Cx + L.R * std::cos(rad), L.Cy + L.R * std::sin(rad)));
  }
  painter.drawEllipse(box);
}

void PaintSwatches(QPainter& painter, const PieLayout& L) {
  const ChartStyle& st = L.Style;
  for (const LegendRow& row : L.Legend) {
    FillRectF(painter,
              QRectF(L.PieW, row.Y + st.LegendSwatchInset, st.LegendSwatch, st.LegendSwatch),
              PaletteColor(row.Item));
  }
}

}  // namespace

void DrawPieChart(QPainter& painter, int width, int height, const ItemTable& table,
                  const ChartRequest& request, ChartState& state) {
  const float s = request.Scale;
  state.Outline.Capacity = request.PageSize < 1 ? table.ItemCount() : request.PageSize;
  if (!state.Fonts.Ensure(s)) return;
  const PieLayout L = ComputePieLayout(width, height, table, request, &state.Fonts);
  if (L.Count == 0) return;
  ClearCanvas(painter, width, height);
  state.Outline.Subtitle = L.Subtitle;
  state.Outline.Drawn = L.Count;
  state.Outline.FirstItem = L.Offset + 1;
  state.Outline.Texts = L.Texts;
  if (L.HasPie) PaintPie(painter, L);
  PaintSwatches(painter, L);
  PaintTexts(painter, state.Fonts, L.Texts);
  state.HitRegions = L.Regions;
  if (L.HasPie) state.Pie = PieShape{L.Cx, L.Cy, L.R, L.Slices};
}

}  // namespace qh
