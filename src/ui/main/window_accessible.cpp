#include "ui/main/window_accessible.h"

#include "ui/main/chart_view.h"

#include <QAccessibleWidget>
#include <QAbstractButton>
#include <QComboBox>
#include <QWidget>
#include <QWindow>

namespace qh {
namespace {

// A drop-down list named by its label. Qt on Linux names a list by its
// current entry and leaves the label to a relation, so screen readers said
// "经典蓝 #2F80ED" where the user needs "曲线图颜色"; the entry is the value.
class NamedListAccessible final : public QAccessibleWidget {
 public:
  explicit NamedListAccessible(QComboBox* combo)
      : QAccessibleWidget(combo, QAccessible::ComboBox) {}
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return Combo().currentText();
    return QAccessibleWidget::text(t);
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
