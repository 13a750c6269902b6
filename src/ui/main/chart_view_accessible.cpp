// What assistive technology hears of the chart view: the chart named by
// its title, described by its subtitle, with one child per item drawn.
#include "ui/main/chart_view.h"

#include <QAccessibleWidget>
#include <QWindow>

namespace qh {
namespace {

int KeyItemPosition(const ChartSpeech& speech) {
  for (size_t i = 0; i < speech.Items.size(); ++i)
    if (speech.Items[i].Item == speech.KeyItem) return static_cast<int>(i);
  return -1;
}

// The chart: its title as name, the subtitle as description, one child per
// item drawn.
class ChartAccessible final : public QAccessibleWidget {
 public:
  explicit ChartAccessible(ChartView* view) : QAccessibleWidget(view, QAccessible::Chart) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) return View().Speech().Name;
    if (t == QAccessible::Description) return View().Speech().Description;
    return QAccessibleWidget::text(t);
  }
  int childCount() const override { return static_cast<int>(View().Speech().Items.size()); }
  QAccessibleInterface* child(int index) const override { return View().ItemInterface(index); }
  int indexOfChild(const QAccessibleInterface* child) const override {
    for (int i = 0; i < childCount(); ++i)
      if (View().ItemInterface(i) == child) return i;
    return -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    const QPoint local = View().mapFromGlobal(QPoint(x, y));
    const std::vector<SpokenItem>& items = View().Speech().Items;
    for (size_t i = 0; i < items.size(); ++i)
      if (items[i].Outline.contains(QPointF(local)))
        return View().ItemInterface(static_cast<int>(i));
    return nullptr;
  }
  QAccessibleInterface* focusChild() const override {
    if (!View().hasFocus()) return nullptr;
    return View().ItemInterface(KeyItemPosition(View().Speech()));
  }

 private:
  const ChartView& View() const { return *static_cast<const ChartView*>(object()); }
};

// One item drawn: named like its hover tip, placed where it is drawn.
class ChartItemAccessible final : public QAccessibleInterface {
 public:
  ChartItemAccessible(ChartView* view, int index) : view_(view), index_(index) {}

  bool isValid() const override { return view_ && Item() != nullptr; }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return view_->window()->windowHandle(); }
  QAccessibleInterface* parent() const override {
    return QAccessible::queryAccessibleInterface(view_);
  }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QString text(QAccessible::Text t) const override {
    const SpokenItem* item = Item();
    return item && t == QAccessible::Name ? item->Name : QString();
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override {
    const SpokenItem* item = Item();
    if (!item) return {};
    const QRect local = item->Outline.boundingRect().toAlignedRect();
    return QRect(view_->mapToGlobal(local.topLeft()), local.size());
  }
  QAccessible::Role role() const override { return QAccessible::ListItem; }
  QAccessible::State state() const override {
    QAccessible::State state;
    state.focusable = true;
    state.selectable = true;
    const SpokenItem* item = Item();
    const bool under = item && item->Item == view_->Speech().KeyItem;
    state.selected = under;
    state.focused = under && view_->hasFocus();
    state.invisible = !view_->isVisible();
    return state;
  }

 private:
  const SpokenItem* Item() const {
    const std::vector<SpokenItem>& items = view_->Speech().Items;
    if (index_ < 0 || index_ >= static_cast<int>(items.size())) return nullptr;
    return &items[static_cast<size_t>(index_)];
  }

  ChartView* view_;
  int index_;
};

}  // namespace

QAccessibleInterface* MakeChartAccessible(ChartView* view) { return new ChartAccessible(view); }

QAccessibleInterface* MakeChartItemInterface(ChartView* view, int index) {
  return new ChartItemAccessible(view, index);
}

void AnnounceKeyItem(ChartView& view) {
  QAccessibleInterface* item = view.ItemInterface(KeyItemPosition(view.Speech()));
  if (!item) return;
  QAccessibleEvent event(item, QAccessible::Focus);
  QAccessible::updateAccessibility(&event);
}

}  // namespace qh
