// The window on the screens people use, at their scales and as small as the
// screen lets it become: on every page no two controls lie on each other,
// each lies inside the window (a scrolled panel brings it into view), and a
// click at its centre reaches it.
#include "ui/main/overlay_controls.h"
#include "ui/main/window_test_support.h"

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <memory>

#include <gtest/gtest.h>

namespace qh {
namespace {

using test::WindowFixture;

QScrollArea* ScrollerOf(QWidget* w) {
  for (QWidget* p = w->parentWidget(); p; p = p->parentWidget())
    if (auto* area = qobject_cast<QScrollArea*>(p)) return area;
  return nullptr;
}

// The part of w the window shows: its rectangle in window pixels, cut by
// every ancestor's.
QRect ShownRect(QWidget* w, QWidget* window) {
  QRect r(w->mapTo(window, QPoint(0, 0)), w->size());
  for (QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
    r &= QRect(p->mapTo(window, QPoint(0, 0)), p->size());
  return r & window->rect();
}

QString Describe(QWidget* w) {
  QString text;
  if (auto* label = qobject_cast<QLabel*>(w)) text = label->text();
  if (auto* button = qobject_cast<QAbstractButton*>(w)) text = button->text();
  return QString::fromLatin1(w->metaObject()->className()) + u' ' + w->objectName() + u' ' + text;
}

// The controls shown now: the chart, and the children of the header, the
// navigation panel, the status bar and the source page. A label with no
// text shows nothing; a label an overlay control lies on is that control.
std::vector<QWidget*> ShownControls(const WindowFixture& f) {
  std::vector<QWidget*> controls;
  if (f.Chart()->isVisible()) controls.push_back(f.Chart());
  std::vector<QWidget*> overlays;
  for (QWidget* host : std::initializer_list<QWidget*>{f.Header(), f.Nav(), f.Status(), f.Source()})
    for (QWidget* w : host->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (!w->isVisible() || dynamic_cast<FocusRing*>(w)) continue;
      if (auto* label = qobject_cast<QLabel*>(w); label && label->text().isEmpty()) continue;
      if (w->testAttribute(Qt::WA_TransparentForMouseEvents)) overlays.push_back(w);
      controls.push_back(w);
    }
  std::erase_if(controls, [&](QWidget* w) {
    return qobject_cast<QLabel*>(w) && !w->testAttribute(Qt::WA_TransparentForMouseEvents) &&
           std::any_of(overlays.begin(), overlays.end(), [&](QWidget* o) {
             return o->parentWidget() == w->parentWidget() && o->geometry() == w->geometry();
           });
  });
  for (QScrollArea* area : f.Window->findChildren<QScrollArea*>())
    if (area->verticalScrollBar()->isVisible()) controls.push_back(area->verticalScrollBar());
  return controls;
}

// A control that lets the mouse through (an overlay) is reached through the
// painted region under it or the label it lies on.
bool Reaches(QWidget* hit, QWidget* control) {
  if (!hit) return false;
  if (hit == control || control->isAncestorOf(hit)) return true;
  if (!control->testAttribute(Qt::WA_TransparentForMouseEvents)) return false;
  return hit == control->parentWidget() ||
         (hit->parentWidget() == control->parentWidget() && hit->geometry() == control->geometry());
}

TEST(WindowFit, NoControlLiesUnderAnotherOnAnyScreen) {
  struct Screen {
    const char* Name;
    QSize Pixels;  // empty: the window at its smallest size
    int Dpi;
    // clang-format off
  } screens[] = {
      {"1024x600 at 100%",   {1024, 600},  96},
      {"1280x720 at 150%",   {1280, 720},  144},
      {"1366x768 at 125%",   {1366, 768},  120},
      {"1280x800 at 150%",   {1280, 800},  144},
      {"1920x1080 at 200%",  {1920, 1080}, 192},
      {"smallest window",    {},           96},
  };
  // clang-format on
  for (const Screen& screen : screens) {
    SCOPED_TRACE(screen.Name);
    WindowFixture f;
    const QString data = f.Path(QStringLiteral("sales.html"));
    test::WriteFile(data, test::HtmlTable(40));
    const float s = static_cast<float>(screen.Dpi) / 96.0f;
    // As small as the screen lets the window become.
    const QSize client = MinimumClientSizeWithin(s, screen.Pixels);
    f.Start({data}, screen.Dpi, client, screen.Pixels);
    QWidget* window = f.Window.get();
    ASSERT_EQ(window->size(), client);
    for (const Qt::Key key : {Qt::Key_F1, Qt::Key_F2, Qt::Key_F3, Qt::Key_F4}) {
      // QTest::toString hands over a new[] string.
      const std::unique_ptr<char[]> keyName(QTest::toString(QKeySequence(key)));
      SCOPED_TRACE(keyName.get());
      QTest::keyClick(window, key);
      test::Pump();
      const std::vector<QWidget*> controls = ShownControls(f);
      ASSERT_GE(controls.size(), 8u);
      for (size_t i = 0; i < controls.size(); ++i) {
        for (size_t j = i + 1; j < controls.size(); ++j) {
          QWidget *a = controls[i], *b = controls[j];
          // Controls that scroll together lie apart wherever they are scrolled to.
          const bool together = ScrollerOf(a) && ScrollerOf(a) == ScrollerOf(b);
          const QRect ra =
              together ? QRect(a->mapTo(window, QPoint()), a->size()) : ShownRect(a, window);
          const QRect rb =
              together ? QRect(b->mapTo(window, QPoint()), b->size()) : ShownRect(b, window);
          EXPECT_FALSE(ra.intersects(rb))
              << Describe(a).toStdString() << " and " << Describe(b).toStdString();
        }
      }
      for (QWidget* control : controls) {
        if (QScrollArea* area = ScrollerOf(control)) area->ensureWidgetVisible(control, 0, 0);
        const QRect whole(control->mapTo(window, QPoint()), control->size());
        EXPECT_EQ(ShownRect(control, window), whole) << Describe(control).toStdString();
        const QPoint centre = whole.center();
        EXPECT_TRUE(Reaches(window->childAt(centre), control))
            << Describe(control).toStdString() << " centre reaches "
            << (window->childAt(centre) ? Describe(window->childAt(centre)).toStdString() : "");
      }
    }
  }
}

}  // namespace
}  // namespace qh
