#include "ui/main/window_accessible.h"

#include "ui/main/chart_view.h"
#include "ui/main/overlay_controls.h"

#include <QAccessibleWidget>
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <vector>

namespace qh {
namespace {

QString SpokenEntry(const QComboBox& combo, int index) {
  return static_cast<const NamedComboBox&>(combo).SpokenText(index);
}

// One entry of a drop-down list, named by its spoken value.
class ListEntryAccessible final : public QAccessibleInterface {
 public:
  ListEntryAccessible(QComboBox* combo, int index) : combo_(combo), index_(index) {}

  bool isValid() const override { return combo_ && index_ < combo_->count(); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return combo_->window()->windowHandle(); }
  QAccessibleInterface* parent() const override {
    return QAccessible::queryAccessibleInterface(combo_);
  }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QString text(QAccessible::Text t) const override {
    return t == QAccessible::Name && isValid() ? SpokenEntry(*combo_, index_) : QString();
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override { return {}; }
  QAccessible::Role role() const override { return QAccessible::ListItem; }
  QAccessible::State state() const override {
    QAccessible::State state;
    state.selectable = true;
    state.selected = isValid() && combo_->currentIndex() == index_;
    state.invisible = !combo_->view()->isVisible();
    return state;
  }

 private:
  QPointer<QComboBox> combo_;
  int index_;
};

// A drop-down list named by its label. Qt on Linux names a list by its
// current entry and leaves the label to a relation, so screen readers said
// "经典蓝 #2F80ED" where the user needs "曲线图颜色"; the entry is the value,
// and the entries are its children.
class NamedListAccessible final : public QAccessibleWidget {
 public:
  explicit NamedListAccessible(QComboBox* combo)
      : QAccessibleWidget(combo, QAccessible::ComboBox) {}
  ~NamedListAccessible() override {
    for (QAccessible::Id id : entries_) QAccessible::deleteAccessibleInterface(id);
  }
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return SpokenEntry(Combo(), Combo().currentIndex());
    return QAccessibleWidget::text(t);
  }
  int childCount() const override { return Combo().count(); }
  QAccessibleInterface* child(int index) const override {
    if (index < 0 || index >= Combo().count()) return nullptr;
    if (entries_.size() <= static_cast<size_t>(index))
      entries_.resize(static_cast<size_t>(index) + 1, 0);
    QAccessible::Id& id = entries_[static_cast<size_t>(index)];
    if (id == 0)
      id = QAccessible::registerAccessibleInterface(
          new ListEntryAccessible(const_cast<QComboBox*>(&Combo()), index));
    return QAccessible::accessibleInterface(id);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    for (int i = 0; i < childCount(); ++i)
      if (this->child(i) == child) return i;
    return -1;
  }
  QStringList actionNames() const override {
    return QStringList{showMenuAction()} + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& action) override {
    if (action == showMenuAction())
      const_cast<QComboBox&>(Combo()).showPopup();
    else
      QAccessibleWidget::doAction(action);
  }
  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.hasPopup = true;
    return state;
  }

 private:
  const QComboBox& Combo() const { return *static_cast<const QComboBox*>(object()); }
  mutable std::vector<QAccessible::Id> entries_;
};

class ToggleButtonAccessible final : public QAccessibleWidget {
 public:
  explicit ToggleButtonAccessible(QAbstractButton* button)
      : QAccessibleWidget(button, QAccessible::Button) {}
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name && Button().accessibleName().isEmpty()) return Button().text();
    return QAccessibleWidget::text(t);
  }
  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.checkable = true;
    state.checked = Button().isChecked();
    state.pressed = Button().isChecked();
    return state;
  }
  QStringList actionNames() const override {
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& action) override {
    if (action == pressAction())
      const_cast<QAbstractButton&>(Button()).click();
    else
      QAccessibleWidget::doAction(action);
  }

 private:
  const QAbstractButton& Button() const { return *static_cast<const QAbstractButton*>(object()); }
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
  auto* widget = qobject_cast<QWidget*>(object);
  if (!widget) return nullptr;
  if (className == QLatin1String("qh::NamedComboBox"))
    return new NamedListAccessible(static_cast<QComboBox*>(widget));
  // Qt reports a checkable push button as a check box; a navigation item
  // is a button that stays pressed while its page shows.
  if (className == QLatin1String("qh::OverlayButton") &&
      static_cast<QAbstractButton*>(widget)->isCheckable())
    return new ToggleButtonAccessible(static_cast<QAbstractButton*>(widget));
  if (className == QLatin1String("qh::ChartView"))
    return MakeChartAccessible(static_cast<ChartView*>(widget));
  // A top-level widget is a plain client area to Qt; the main window is the
  // program's frame.
  if (className == QLatin1String("qh::MainWindow"))
    return new QAccessibleWidget(widget, QAccessible::Window);
  if (className == QLatin1String("qh::SourcePage"))
    return new QAccessibleWidget(widget, QAccessible::Grouping);
  return nullptr;
}

}  // namespace

void InstallAccessibleFactory() { QAccessible::installFactory(&Factory); }

}  // namespace qh
