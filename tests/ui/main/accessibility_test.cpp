// The main window as assistive technology and the keyboard meet it, seen
// through Qt's accessibility interfaces (what AT-SPI and UI Automation are
// fed from): names, roles and states of every control on every page, the
// chart's items, where the focus goes, the Tab order and the menu keys.
#include "ui/main/window_test_support.h"

#include <QAccessible>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <QToolTip>
#include <gtest/gtest.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>
#include <QtGui/private/qguiapplication_p.h>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace qh {
namespace {

using test::Pump;
using test::WindowFixture;

const QString kLink = QStringLiteral("青禾软件有限公司  ( 点这里关注微信公众号 )");

struct Node {
  QString Name;
  QAccessible::Role Role;
  QAccessible::State State;
};

// Every object of the window's accessible tree that is not invisible.
void CollectShown(QAccessibleInterface* iface, std::vector<Node>& out) {
  if (!iface || iface->state().invisible) return;
  out.push_back({iface->text(QAccessible::Name), iface->role(), iface->state()});
  for (int i = 0; i < iface->childCount(); ++i) CollectShown(iface->child(i), out);
}

const Node* Find(const std::vector<Node>& nodes, const QString& name, QAccessible::Role role) {
  for (const Node& n : nodes)
    if (n.Name == name && n.Role == role) return &n;
  return nullptr;
}

QString NameOf(QWidget* widget) {
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
  return iface ? iface->text(QAccessible::Name) : QStringLiteral("<none>");
}

// The name of the widget's interface, or of the nearest ancestor's named
// one of role; what a screen reader says on entering it.
QString NamedAncestor(QWidget* widget, QAccessible::Role role) {
  for (QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget); iface;
       iface = iface->parent())
    if (iface->role() == role) return iface->text(QAccessible::Name);
  return {};
}

class AccessibilityTest : public ::testing::Test {
 protected:
  WindowFixture f;

  void StartWithSample(QSize client = QSize(1000, 700)) {
    f.Start({}, 96, client);
    f.Source()->SetManualText(SampleDataText());
    QTest::mouseClick(f.Source()->ApplyButton(), Qt::LeftButton);
    ASSERT_TRUE(f.WaitForPicture());
    Activate();
  }
  void StartWithFile(const QByteArray& html) {
    const QString path = f.Path(QStringLiteral("sales.html"));
    test::WriteFile(path, html);
    f.Start({path});
    ASSERT_TRUE(f.WaitForPicture());
    Activate();
  }
  void Activate() {
    f.Window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.Window.get()));
  }
  // A key as the user types it: to whatever has the focus.
  void Type(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : f.Window.get();
    QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
    Pump();
  }
  std::vector<Node> Shown() const {
    std::vector<Node> nodes;
    CollectShown(QAccessible::queryAccessibleInterface(f.Window.get()), nodes);
    return nodes;
  }
  QAccessibleInterface* ChartInterface() const {
    return QAccessible::queryAccessibleInterface(f.Chart());
  }
};

TEST_F(AccessibilityTest, EveryControlHasItsNameAndRoleOnEveryPage) {
  StartWithSample();
  using R = QAccessible::Role;
  const QString sample = QStringLiteral("手工输入");
  struct Expect {
    QString Name;
    R Role;
    bool Source, Bar, Pie, Line;  // shown on that page
  };
  // clang-format off
  const Expect table[] = {
      {QStringLiteral("青禾图表生成工具"), R::Window,       true,  true,  true,  true},
      {QStringLiteral("数据源"),           R::PushButton,   true,  true,  true,  true},
      {QStringLiteral("柱形图"),           R::PushButton,   true,  true,  true,  true},
      {QStringLiteral("饼形图"),           R::PushButton,   true,  true,  true,  true},
      {QStringLiteral("曲线图"),           R::PushButton,   true,  true,  true,  true},
      {QStringLiteral("退出"),             R::PushButton,   true,  true,  true,  true},
      {QStringLiteral("【升级到最新版】"), R::PushButton,   true,  true,  true,  true},
      {QStringLiteral("青禾图表生成工具"), R::StaticText,   true,  true,  true,  true},
      {QStringLiteral("数据项 8 项"),      R::StaticText,   true,  true,  true,  true},
      {kLink,                              R::PushButton,   true,  true,  true,  true},
      {sample,                             R::StaticText,   true,  true,  true,  true},
      {QStringLiteral("数据源"),           R::Grouping,     true,  false, false, false},
      {QStringLiteral("文件路径"),         R::EditableText, true,  false, false, false},
      {QStringLiteral("浏览"),             R::PushButton,   true,  false, false, false},
      {QStringLiteral("手工输入数据(每行一条)"), R::EditableText, true, false, false, false},
      {QStringLiteral("填入示例"),         R::PushButton,   true,  false, false, false},
      {QStringLiteral("清空"),             R::PushButton,   true,  false, false, false},
      {QStringLiteral("生成图表"),         R::PushButton,   true,  false, false, false},
      {QStringLiteral("曲线图颜色"),       R::ComboBox,     false, true,  true,  true},
      {QStringLiteral("柱形图"),           R::Chart,        false, true,  false, false},
      {QStringLiteral("饼形图"),           R::Chart,        false, false, true,  false},
      {QStringLiteral("曲线图"),           R::Chart,        false, false, false, true},
      {QStringLiteral("不显示项目名称"),   R::CheckBox,     false, true,  false, false},
      {QStringLiteral("字母项目名"),       R::CheckBox,     false, true,  false, true},
      {QStringLiteral("数字项目名"),       R::CheckBox,     false, true,  false, true},
      {QStringLiteral("不显示项目数值"),   R::CheckBox,     false, true,  false, true},
  };
  // clang-format on
  const struct {
    int Key;
    ChartPage Page;
    const char16_t* NavName;  // the navigation item shown as checked
  } pages[] = {{Qt::Key_F1, ChartPage::Source, u"数据源"},
               {Qt::Key_F2, ChartPage::Bar, u"柱形图"},
               {Qt::Key_F3, ChartPage::Pie, u"饼形图"},
               {Qt::Key_F4, ChartPage::Line, u"曲线图"}};
  for (const auto& page : pages) {
    Type(page.Key);
    ASSERT_EQ(f.Model().Page(), page.Page);
    const std::vector<Node> nodes = Shown();
    for (const Expect& e : table) {
      const bool expected = page.Page == ChartPage::Source ? e.Source
                            : page.Page == ChartPage::Bar  ? e.Bar
                            : page.Page == ChartPage::Pie  ? e.Pie
                                                           : e.Line;
      EXPECT_EQ(Find(nodes, e.Name, e.Role) != nullptr, expected)
          << page.Key << " " << e.Name.toStdString() << " role " << e.Role;
    }
    for (const char16_t* nav : {u"数据源", u"柱形图", u"饼形图", u"曲线图"}) {
      const Node* item = Find(nodes, QString::fromUtf16(nav), R::PushButton);
      ASSERT_NE(item, nullptr);
      EXPECT_EQ(bool(item->State.checked), nav == page.NavName)
          << QString::fromUtf16(nav).toStdString();
      EXPECT_TRUE(item->State.focusable);
    }
  }
}

TEST_F(AccessibilityTest, OptionCheckBoxesCarryTheirStateAndToggleFromTheKeyboard) {
  StartWithSample();
  // A copy: the list of shown objects lives only for the call.
  const auto box = [&](const char16_t* name) {
    const std::vector<Node> nodes = Shown();
    const Node* found = Find(nodes, QString::fromUtf16(name), QAccessible::CheckBox);
    return found ? std::optional<Node>(*found) : std::nullopt;
  };
  ASSERT_TRUE(box(u"不显示项目名称").has_value());
  EXPECT_FALSE(box(u"不显示项目名称")->State.checked);
  f.Nav()->FocusChain()[5]->setFocus();  // the first option row
  const struct {
    int Key;
    bool NoNameOn, LettersEnabled;
  } steps[] = {{Qt::Key_Space, true, false}, {Qt::Key_Return, false, true}};
  for (const auto& step : steps) {
    Type(step.Key);
    EXPECT_EQ(f.State.Labels.BarNoName, step.NoNameOn) << step.Key;
    EXPECT_EQ(bool(box(u"不显示项目名称")->State.checked), step.NoNameOn) << step.Key;
    EXPECT_EQ(!box(u"字母项目名")->State.disabled, step.LettersEnabled) << step.Key;
  }
}

TEST_F(AccessibilityTest, TheChartsChildrenAreItsDrawnItemsNamedLikeTheTip) {
  // 41,208.9 of 314,571.9 is 13.1% of the pie.
  StartWithFile(
      "<table><tr><td>华南区</td><td>41208.9</td></tr>"
      "<tr><td>华东区</td><td>273363</td></tr></table>");
  const struct {
    int Key;
    QString Name, First;
    const char* Description;  // how the subtitle starts
  } cases[] = {
      {Qt::Key_F2, QStringLiteral("柱形图"), QStringLiteral("华南区 41,208.9"), "合计 "},
      {Qt::Key_F3, QStringLiteral("饼形图"), QStringLiteral("华南区 41,208.9 13.1%"), "本页合计 "},
      {Qt::Key_F4, QStringLiteral("曲线图"), QStringLiteral("华南区 41,208.9"), "合计 "},
  };
  for (const auto& c : cases) {
    Type(c.Key);
    ASSERT_TRUE(f.WaitForPicture());
    QAccessibleInterface* chart = ChartInterface();
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(chart->role(), QAccessible::Chart);
    EXPECT_EQ(chart->text(QAccessible::Name), c.Name);
    EXPECT_EQ(chart->text(QAccessible::Description), f.Model().Drawing().Outline.Subtitle);
    EXPECT_TRUE(chart->text(QAccessible::Description).startsWith(QString::fromUtf8(c.Description)))
        << chart->text(QAccessible::Description).toStdString();
    ASSERT_EQ(chart->childCount(), f.Model().Drawing().Outline.Drawn) << c.Name.toStdString();
    ASSERT_EQ(chart->childCount(), 2);
    EXPECT_EQ(chart->child(0)->text(QAccessible::Name), c.First);
    for (int i = 0; i < chart->childCount(); ++i) {
      QAccessibleInterface* item = chart->child(i);
      EXPECT_EQ(item->parent(), chart);
      EXPECT_EQ(chart->indexOfChild(item), i);
      EXPECT_TRUE(chart->rect().contains(item->rect())) << i;
      if (c.Key == Qt::Key_F3) continue;  // slices' boxes overlap; their middles are not theirs
      EXPECT_EQ(chart->childAt(item->rect().center().x(), item->rect().center().y()), item) << i;
    }
  }
}

// The page is announced by what takes the focus: the chart named by its
// title, or the first field inside the panel named 数据源.
TEST_F(AccessibilityTest, FocusFollowsThePageAndCarriesItsName) {
  StartWithSample();
  using R = QAccessible::Role;
  struct Step {
    const char* Name;
    std::function<void()> Act;
    QWidget* Focus;
    R Role;  // of the focus or an ancestor named after the page
    QString Page;
  } steps[] = {
      {"F1", [&] { Type(Qt::Key_F1); }, f.Source()->PathBox(), R::Grouping,
       QStringLiteral("数据源")},
      {"F3", [&] { Type(Qt::Key_F3); }, f.Chart(), R::Chart, QStringLiteral("饼形图")},
      {"F4", [&] { Type(Qt::Key_F4); }, f.Chart(), R::Chart, QStringLiteral("曲线图")},
      {"Enter on 数据源",
       [&] {
         f.Nav()->FocusChain()[0]->setFocus();
         Type(Qt::Key_Return);
       },
       f.Source()->PathBox(), R::Grouping, QStringLiteral("数据源")},
      {"a click on 柱形图",
       [&] { QTest::mouseClick(f.Nav(), Qt::LeftButton, {}, QPoint(30, f.Layout().NavTop + 65)); },
       f.Chart(), R::Chart, QStringLiteral("柱形图")},
  };
  for (const Step& step : steps) {
    step.Act();
    ASSERT_EQ(QApplication::focusWidget(), step.Focus) << step.Name;
    EXPECT_TRUE(step.Focus->isVisible()) << step.Name;
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(step.Focus)->state().focused) << step.Name;
    EXPECT_EQ(NamedAncestor(step.Focus, step.Role), step.Page) << step.Name;
  }
  // The source page is hidden on the chart pages, its controls with it.
  EXPECT_FALSE(f.Source()->isVisible());
  EXPECT_TRUE(QAccessible::queryAccessibleInterface(f.Source()->ManualBox())->state().invisible);
}

TEST_F(AccessibilityTest, TypingOnAChartPageChangesNoHiddenText) {
  StartWithSample();
  Type(Qt::Key_F1);
  f.Source()->ManualBox()->setFocus();
  const QString typed = f.Source()->ManualText();
  Type(Qt::Key_F2);
  for (int key : {Qt::Key_A, Qt::Key_B, Qt::Key_C, Qt::Key_Tab, Qt::Key_Backspace, Qt::Key_Delete})
    Type(key);
  QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("abc"));
  EXPECT_EQ(f.Source()->ManualText(), typed);
  EXPECT_EQ(f.Source()->PathBox()->text(), QString());
  EXPECT_EQ(f.Model().Page(), ChartPage::Bar);
}

TEST_F(AccessibilityTest, TabVisitsEveryControlOfThePageAndLeavesTheInputBox) {
  StartWithSample();
  const QString nav[] = {QStringLiteral("数据源"), QStringLiteral("柱形图"),
                         QStringLiteral("饼形图"), QStringLiteral("曲线图"),
                         QStringLiteral("退出")};
  const QString upgrade = QStringLiteral("【升级到最新版】");
  const QString color = QStringLiteral("曲线图颜色");
  const struct {
    int Key;
    QStringList Order;  // from the first navigation item round to it again
  } pages[] = {
      {Qt::Key_F1,
       {upgrade, QStringLiteral("文件路径"), QStringLiteral("浏览"),
        QStringLiteral("手工输入数据(每行一条)"), QStringLiteral("填入示例"),
        QStringLiteral("清空"), QStringLiteral("生成图表"), kLink}},
      {Qt::Key_F2,
       {QStringLiteral("不显示项目名称"), QStringLiteral("字母项目名"),
        QStringLiteral("数字项目名"), QStringLiteral("不显示项目数值"), upgrade, color,
        QStringLiteral("柱形图"), kLink}},
      {Qt::Key_F3, {upgrade, color, QStringLiteral("饼形图"), kLink}},
  };
  for (const auto& page : pages) {
    Type(page.Key);
    QWidget* first = f.Nav()->FocusChain()[0];
    first->setFocus();
    QStringList expected(std::begin(nav), std::end(nav));
    expected << page.Order;
    QStringList visited;
    do {
      visited << NameOf(QApplication::focusWidget());
      Type(Qt::Key_Tab);
    } while (QApplication::focusWidget() != first && visited.size() < 40);
    EXPECT_EQ(visited, expected) << page.Key;
  }

  // Tab in the input box moves on; Ctrl+Tab types a tab.
  Type(Qt::Key_F1);
  QPlainTextEdit* box = f.Source()->ManualBox();
  box->setFocus();
  box->clear();
  Type(Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(box->toPlainText(), QStringLiteral("\t"));
  Type(Qt::Key_Tab);
  EXPECT_EQ(box->toPlainText(), QStringLiteral("\t"));
  EXPECT_EQ(QApplication::focusWidget(), f.Source()->SampleButton());
  Type(Qt::Key_Space);
  EXPECT_EQ(f.Source()->ManualText().count(u'\n'), 7) << "Space presses a button";
}

TEST_F(AccessibilityTest, MenuKeysOpenTheChartMenuAndModifiedKeysDoNothing) {
  int updates = 0;
  f.Hooks.StartUpdate = [&](QWidget*) { ++updates; };
  StartWithSample();
  const struct {
    const char* Name;
    int Key;
    Qt::KeyboardModifiers Modifiers;
    int Page;  // F-key to go to first
    bool Menu;
    int Updates;
    ChartPage After;
  } cases[] = {
      {"Shift+F10 on the bar", Qt::Key_F10, Qt::ShiftModifier, Qt::Key_F2, true, 0, ChartPage::Bar},
      {"Menu key on the pie", Qt::Key_Menu, Qt::NoModifier, Qt::Key_F3, true, 0, ChartPage::Pie},
      {"F10 alone updates", Qt::Key_F10, Qt::NoModifier, Qt::Key_F2, false, 1, ChartPage::Bar},
      {"Ctrl+F10", Qt::Key_F10, Qt::ControlModifier, Qt::Key_F2, false, 1, ChartPage::Bar},
      {"Shift+F3", Qt::Key_F3, Qt::ShiftModifier, Qt::Key_F2, false, 1, ChartPage::Bar},
      {"Ctrl+F1", Qt::Key_F1, Qt::ControlModifier, Qt::Key_F4, false, 1, ChartPage::Line},
      {"Shift+F10 on the source page", Qt::Key_F10, Qt::ShiftModifier, Qt::Key_F1, false, 1,
       ChartPage::Source},
  };
  for (const auto& c : cases) {
    Type(c.Page);
    QStringList texts;
    QTimer::singleShot(0, [&] { test::AnswerMenu(0, texts); });
    Type(c.Key, c.Modifiers);
    Pump();
    EXPECT_EQ(texts.contains(QStringLiteral("复制图片到剪贴板")), c.Menu) << c.Name;
    EXPECT_EQ(updates, c.Updates) << c.Name;
    EXPECT_EQ(f.Model().Page(), c.After) << c.Name;
  }
  EXPECT_FALSE(f.Window->isHidden());

  // From the keyboard the menu's commands work too: copy the chart.
  Type(Qt::Key_F2);
  QGuiApplication::clipboard()->clear();
  QStringList texts;
  QTimer::singleShot(0, [&] { test::AnswerMenu(kMenuCopyImage, texts); });
  Type(Qt::Key_F10, Qt::ShiftModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->image().size(), f.Chart()->Picture().size());
}

TEST_F(AccessibilityTest, TheKeyboardWalksTheItemsWithTheHoverTipAndOutline) {
  StartWithFile(test::HtmlTable(45));
  const int lastBar = f.Model().Drawing().Outline.Drawn;
  ASSERT_GE(lastBar, 3);
  const struct {
    const char* Name;
    int Key;
    int Item, PieRound;  // hovered item; page of the pie
  } steps[] = {
      {"Right", Qt::Key_Right, 1, 1},    {"Right", Qt::Key_Right, 2, 1},
      {"End", Qt::Key_End, lastBar, 1},  {"Down at the end", Qt::Key_Down, lastBar, 1},
      {"Home", Qt::Key_Home, 1, 1},      {"Left at the start", Qt::Key_Left, 1, 1},
      {"F3: the pie", Qt::Key_F3, 0, 1}, {"Right turns the page", Qt::Key_Right, 0, 2},
      {"Down", Qt::Key_Down, 21, 2},     {"Down", Qt::Key_Down, 22, 2},
      {"Up", Qt::Key_Up, 21, 2},         {"End", Qt::Key_End, 40, 2},
  };
  for (const auto& step : steps) {
    Type(step.Key);
    SCOPED_TRACE(step.Name);
    EXPECT_EQ(f.Model().HoverIndex(), step.Item);
    EXPECT_EQ(f.Model().PageNo(), step.PieRound);
    EXPECT_EQ(QApplication::focusWidget(), f.Chart());
    if (step.Item == 0) continue;
    EXPECT_EQ(QToolTip::text(), f.Model().HoverTip());
    EXPECT_FALSE(f.Model().HoverOutline().isEmpty());
    // The accessible child of that item is the focused one.
    QAccessibleInterface* focused = ChartInterface()->focusChild();
    ASSERT_NE(focused, nullptr);
    EXPECT_TRUE(focused->state().focused);
    EXPECT_TRUE(focused->text(QAccessible::Name)
                    .startsWith(f.State.Table.Items[size_t(step.Item - 1)].Name.toString() + u' '));
  }
  // The outline drawn is the one hovering the item draws.
  Type(Qt::Key_F2);
  Type(Qt::Key_Right);
  const QImage byKey = f.Chart()->grab().toImage();
  const QString tip = f.Model().HoverTip();
  const HitRegion r = f.Model().Drawing().HitRegions[0];
  QTest::mouseMove(f.Chart(), QPoint(2, 2));
  EXPECT_EQ(f.Model().HoverIndex(), 0);
  QTest::mouseMove(f.Chart(), QPoint(int((r.Left + r.Right) / 2), int(r.Bottom - 2)));
  EXPECT_EQ(f.Model().HoverIndex(), 1);
  EXPECT_EQ(f.Model().HoverTip(), tip);
  EXPECT_EQ(f.Chart()->grab().toImage(), byKey);
}

// Stands in for a screen reader while it lives: the platform's
// accessibility is switched on (Qt sends no news while it is off) and every
// value change is kept.
class ValueNews {
 public:
  ValueNews()
      : platform_(QGuiApplicationPrivate::platformIntegration()->accessibility()),
        previous_(QAccessible::installUpdateHandler(&Keep)) {
    Heard().clear();
    if (platform_) {
      wasActive_ = platform_->isActive();
      platform_->setActive(true);
    }
  }
  ~ValueNews() {
    if (platform_) platform_->setActive(wasActive_);
    QAccessible::installUpdateHandler(previous_);
  }
  ValueNews(const ValueNews&) = delete;
  ValueNews& operator=(const ValueNews&) = delete;

  // The values told for object, in order.
  QStringList Told(const QObject* object) const {
    QStringList values;
    for (const auto& [from, value] : Heard())
      if (from == object) values << value;
    return values;
  }

 private:
  static std::vector<std::pair<const QObject*, QString>>& Heard() {
    static std::vector<std::pair<const QObject*, QString>> heard;
    return heard;
  }
  static void Keep(QAccessibleEvent* event) {
    if (event->type() != QAccessible::ValueChanged) return;
    const auto* change = static_cast<QAccessibleValueChangeEvent*>(event);
    Heard().emplace_back(event->object(), change->value().toString());
  }

  QPlatformAccessibility* platform_;
  QAccessible::UpdateHandler previous_;
  bool wasActive_ = false;
};

// The colour list says its colour as its value and lists the eight colours
// as its children, the chosen one selected.
TEST_F(AccessibilityTest, TheColourListSaysItsColourAndEachChange) {
  StartWithSample();
  Type(Qt::Key_F4);
  QComboBox* combo = f.Source()->ColorCombo();
  QAccessibleInterface* list = QAccessible::queryAccessibleInterface(combo);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->text(QAccessible::Name), QStringLiteral("曲线图颜色"));
  EXPECT_EQ(list->text(QAccessible::Value), QStringLiteral("经典蓝 #2F80ED"));
  ASSERT_EQ(list->childCount(), 8);
  EXPECT_EQ(list->child(3)->text(QAccessible::Name), QStringLiteral("绿色 #27AE60"));
  EXPECT_EQ(list->child(3)->parent(), list);
  EXPECT_EQ(list->indexOfChild(list->child(3)), 3);
  EXPECT_TRUE(list->child(0)->state().selected);
  // The change is told with the same words. Qt sends such news only while
  // assistive technology listens, so the test plays the listener.
  const ValueNews news;
  combo->setCurrentIndex(3);
  Pump();
  EXPECT_EQ(news.Told(combo), QStringList{QStringLiteral("绿色 #27AE60")});
  EXPECT_EQ(list->text(QAccessible::Value), QStringLiteral("绿色 #27AE60"));
  EXPECT_TRUE(list->child(3)->state().selected);
  EXPECT_FALSE(list->child(0)->state().selected);
  EXPECT_EQ(f.Model().LineColorChoice(), 3);
}

// A page change moves the focus once, straight to the new page, whatever
// had it; the tip of an item the keyboard showed goes with the page it
// belonged to.
TEST_F(AccessibilityTest, APageChangeIsOneAnnouncementAndTakesTheTipAlong) {
  StartWithFile(test::HtmlTable(45));
  struct Step {
    const char* Name;
    std::function<QWidget*()> Focus;  // what has the focus before the key
    int Key;
    std::function<QWidget*()> Target;
  } steps[] = {
      {"option box, F3", [&] { return f.Nav()->FocusChain()[5]; }, Qt::Key_F3,
       [&] { return static_cast<QWidget*>(f.Chart()); }},
      {"option box, F1", [&] { return f.Nav()->FocusChain()[5]; }, Qt::Key_F1,
       [&] { return static_cast<QWidget*>(f.Source()->PathBox()); }},
      {"manual box, F4", [&] { return f.Source()->ManualBox(); }, Qt::Key_F4,
       [&] { return static_cast<QWidget*>(f.Chart()); }},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.Name);
    Type(Qt::Key_F2);
    if (step.Key == Qt::Key_F4) Type(Qt::Key_F1);
    step.Focus()->setFocus();
    Pump();
    ASSERT_EQ(QApplication::focusWidget(), step.Focus());
    // Each focus change is announced.
    int changes = 0;
    const QMetaObject::Connection counting =
        QObject::connect(qApp, &QApplication::focusChanged, [&] { ++changes; });
    Type(step.Key);
    QObject::disconnect(counting);
    EXPECT_EQ(QApplication::focusWidget(), step.Target());
    EXPECT_EQ(changes, 1);
  }
  // A tip shown by the keyboard names an item of the page shown only.
  Type(Qt::Key_F2);
  Type(Qt::Key_Down);
  ASSERT_TRUE(QToolTip::isVisible());
  Type(Qt::Key_F3);
  EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }));
  Type(Qt::Key_Down);
  ASSERT_TRUE(QToolTip::isVisible());
  Type(Qt::Key_Right);  // the pie's next page
  EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }));
}

}  // namespace
}  // namespace qh
