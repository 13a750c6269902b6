// The window's decisions without a window: pages, paging, hover, loads,
// drops, the line colour, capacity warnings and the commands of the keys
// and the chart menu.
#include "app/window_model.h"

#include "app/startup.h"
#include "app/window_commands.h"
#include "base/ini_file.h"
#include "base/user_messages.h"
#include "support/test_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace qh {
namespace {

const QString kNoData = QStringLiteral(
    "尚无可用数据,无法生成图表.\r\n\r\n请先在[数据源]页面选择数据文件,或直接输入 项目,数值 "
    "多行数据.");

// Stands in for the window: answers the dialogs and records what was asked.
class RecordedActions final : public WindowActions {
 public:
  QString PickAnswer;  // empty: the user cancels
  SaveOutcome SaveAnswer;
  std::optional<QString> PrintAnswer;
  std::vector<QString> Picks, Saves;  // initial paths; folder + "|" + name
  int Copies = 0, Prints = 0, Closes = 0, Updates = 0, Menus = 0;
  std::vector<bool> Busy;

  bool PickSourceFile(const QString& initialPath, QString& path) override {
    Picks.push_back(initialPath);
    if (PickAnswer.isEmpty()) return false;
    path = PickAnswer;
    return true;
  }
  SaveOutcome SaveChart(const QString& folder, const QString& name) override {
    Saves.push_back(folder + u'|' + name);
    return SaveAnswer;
  }
  void CopyChart() override { ++Copies; }
  std::optional<QString> PrintChart() override {
    ++Prints;
    return PrintAnswer;
  }
  void Close() override { ++Closes; }
  void StartUpdate() override { ++Updates; }
  void OpenChartMenu() override { ++Menus; }
  void ShowBusy(bool on) override { Busy.push_back(on); }
};

// An HTML table of n rows named 项目1.. with values 10, 20, ...
QByteArray HtmlTable(int rows) {
  QByteArray html = "<html><body><table><tr><th>项目</th><th>数值</th></tr>";
  for (int i = 1; i <= rows; ++i)
    html += "<tr><td>项目" + QByteArray::number(i) + "</td><td>" + QByteArray::number(i * 10) +
            "</td></tr>";
  return html + "</table></body></html>";
}

class WindowModelTest : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  AppState state;
  RecordedMessages messages;
  RecordedActions actions;
  std::unique_ptr<WindowModel> model;

  QString Path(const QString& name) const { return dir.filePath(name); }
  QString WriteHtml(const QString& name, int rows) {
    test::WriteAll(Path(name), HtmlTable(rows));
    return Path(name);
  }
  // The start-up on the given arguments, then the model over its state.
  void Start(const QStringList& args = {}) {
    StartupEnvironment env;
    env.AppDir = dir.path() + QStringLiteral("/");
    env.Arguments = args;
    RecordedMessages startup;
    RunStartup(state, env, startup);
    model = std::make_unique<WindowModel>(
        state, messages, actions, 1.0f, [] { return QDateTime(QDate(2026, 1, 5), QTime(9, 30)); });
    model->SetCanvasSize(800, 600);
  }
  void StartWithRows(int rows) { Start({WriteHtml(QStringLiteral("sales.html"), rows)}); }
  std::vector<QString> MessageTexts() const {
    std::vector<QString> out;
    for (const auto& e : messages.Entries) out.push_back(e.Text);
    return out;
  }
  QString IniValue(const char16_t* section, const char16_t* key) const {
    return IniFile(state.SettingsPath).ReadRaw(section, key, QStringLiteral("<none>"));
  }
};

TEST_F(WindowModelTest, OpensOnTheSourcePageWithoutData) {
  Start();
  EXPECT_EQ(model->Page(), ChartPage::Source);
  EXPECT_FALSE(model->ChartMenuAvailable());
  EXPECT_EQ(model->StatusText(), QString());
}

TEST_F(WindowModelTest, OpensOnTheBarsOfTheLoadedFile) {
  StartWithRows(8);
  EXPECT_EQ(model->Page(), ChartPage::Bar);
  EXPECT_TRUE(model->ChartMenuAvailable());
  EXPECT_EQ(model->StatusText(), QStringLiteral("sales.html"));
  EXPECT_EQ(model->PathText(), Path(QStringLiteral("sales.html")));
}

TEST_F(WindowModelTest, KeysSwitchPagesAndAskForTheWindowsCommands) {
  StartWithRows(5);
  struct Case {
    int Key;
    bool Used;
    ChartPage Page;
    int Closes, Updates, Saves;
    // clang-format off
  } cases[] = {
      {Qt::Key_F3, true, ChartPage::Pie, 0, 0, 0},     {Qt::Key_F4, true, ChartPage::Line, 0, 0, 0},
      {Qt::Key_F8, true, ChartPage::Line, 0, 0, 1},    {Qt::Key_F1, true, ChartPage::Source, 0, 0, 1},
      {Qt::Key_Left, false, ChartPage::Source, 0, 0, 1},
      {Qt::Key_F8, true, ChartPage::Source, 0, 0, 1},  // nothing to save on the source page
      {Qt::Key_F2, true, ChartPage::Bar, 0, 0, 1},     {Qt::Key_Right, true, ChartPage::Bar, 0, 0, 1},
      {Qt::Key_A, false, ChartPage::Bar, 0, 0, 1},     {Qt::Key_F10, true, ChartPage::Bar, 0, 1, 1},
      {Qt::Key_Escape, true, ChartPage::Bar, 1, 1, 1}, {Qt::Key_F5, true, ChartPage::Bar, 2, 1, 1},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Key);
    EXPECT_EQ(model->PressKey(c.Key), c.Used);
    EXPECT_EQ(model->Page(), c.Page);
    EXPECT_EQ(actions.Closes, c.Closes);
    EXPECT_EQ(actions.Updates, c.Updates);
    EXPECT_EQ(static_cast<int>(actions.Saves.size()), c.Saves);
  }
  EXPECT_TRUE(messages.Entries.empty());
}

TEST_F(WindowModelTest, ChartPagesWithoutDataExplainAndStayOnSource) {
  Start();
  for (ChartPage page : {ChartPage::Bar, ChartPage::Pie, ChartPage::Line}) model->ShowPage(page);
  EXPECT_EQ(MessageTexts(), (std::vector<QString>{kNoData, kNoData, kNoData}));
  EXPECT_EQ(messages.Entries[0].Icon, MessageIcon::Exclamation);
  EXPECT_EQ(model->Page(), ChartPage::Source);

  messages.Entries.clear();
  model->PressKey(Qt::Key_F8);
  model->PrintChart();
  model->ChooseMenuCommand(kMenuCopyImage);
  model->TurnWheel(-120);
  EXPECT_FALSE(model->HoverAt(10, 10));
  EXPECT_TRUE(messages.Entries.empty());
  EXPECT_TRUE(actions.Saves.empty());
  EXPECT_EQ(actions.Prints + actions.Copies, 0);
}

TEST_F(WindowModelTest, OpeningBarOrLineWithMoreItemsThanFitWarns) {
  StartWithRows(100);
  // The warning's words are CheckCapacity's (window_rules_test); here: the
  // line and bar pages show one each, the pie none.
  const std::pair<ChartPage, bool> cases[] = {
      {ChartPage::Line, true}, {ChartPage::Pie, false}, {ChartPage::Bar, true}};
  for (const auto& [page, warns] : cases) {
    messages.Entries.clear();
    model->ShowPage(page);
    ASSERT_EQ(messages.Entries.size(), warns ? 1u : 0u);
    if (warns) {
      EXPECT_EQ(messages.Entries[0].Icon, MessageIcon::Exclamation);
    }
  }
  EXPECT_EQ(model->BarCapacity(), 18);
  EXPECT_EQ(model->LineCapacity(), 34);
}

TEST_F(WindowModelTest, ThePieIsPagedByKeysAndTheWheel) {
  StartWithRows(45);  // 20 per page: three pages
  model->ShowPage(ChartPage::Pie);
  EXPECT_EQ(model->PageCount(), 3);
  struct Step {
    const char* Name;
    std::function<void()> Act;
    int Page;
  } steps[] = {
      {"Right", [&] { model->PressKey(Qt::Key_Right); }, 2},
      {"Right", [&] { model->PressKey(Qt::Key_Right); }, 3},
      {"Right at the end", [&] { model->PressKey(Qt::Key_Right); }, 3},
      {"Left", [&] { model->PressKey(Qt::Key_Left); }, 2},
      {"PageUp", [&] { model->PressKey(Qt::Key_PageUp); }, 1},
      {"PageUp at the start", [&] { model->PressKey(Qt::Key_PageUp); }, 1},
      {"PageDown", [&] { model->PressKey(Qt::Key_PageDown); }, 2},
      {"wheel towards the user", [&] { model->TurnWheel(-120); }, 3},
      {"wheel away", [&] { model->TurnWheel(120); }, 2},
      {"half a notch", [&] { model->TurnWheel(60); }, 2},
      {"the other half", [&] { model->TurnWheel(60); }, 1},
      {"PageDown", [&] { model->PressKey(Qt::Key_PageDown); }, 2},
      {"the settling window keeps the page", [&] { model->SetCanvasSize(800, 600); }, 2},
      {"a new canvas size starts again", [&] { model->SetCanvasSize(801, 600); }, 1},
  };
  for (const Step& step : steps) {
    const int revision = model->Revision();
    const int pageBefore = model->PageNo();
    step.Act();
    EXPECT_EQ(model->PageNo(), step.Page) << step.Name;
    EXPECT_EQ(model->Revision() != revision, model->PageNo() != pageBefore)
        << step.Name << ": a new page is drawn, the same page is not";
  }
  model->PressKey(Qt::Key_Right);
  const ChartRequest request = model->Request();
  EXPECT_EQ(request.Page, ChartPage::Pie);
  EXPECT_EQ(request.PageNo, 2);
  EXPECT_EQ(request.Title, QStringLiteral("饼形图   (第 2/3 页)"));

  model->ShowPage(ChartPage::Bar);
  EXPECT_EQ(model->PageNo(), 1);
  model->PressKey(Qt::Key_Right);
  EXPECT_EQ(model->PageNo(), 1) << "only the pie is paged";
}

TEST_F(WindowModelTest, HoverFindsTheItemOfTheLastDrawingAndItsTip) {
  StartWithRows(4);
  model->Drawing().HitRegions = {{1, 10, 10, 50, 100}, {2, 60, 10, 100, 100}};
  struct Step {
    float X, Y;
    bool Changed;
    int Item;
    QString Tip;
  } steps[] = {
      {70, 50, true, 2, QStringLiteral("项目2\n数值: 20")},
      {71, 49, false, 2, QStringLiteral("项目2\n数值: 20")},
      {10, 100, true, 1, QStringLiteral("项目1\n数值: 10")},  // edges belong to the region
      {55, 50, true, 0, {}},
      {300, 300, false, 0, {}},
  };
  for (const Step& s : steps) {
    EXPECT_EQ(model->HoverAt(s.X, s.Y), s.Changed) << s.X << "," << s.Y;
    EXPECT_EQ(model->HoverIndex(), s.Item);
    EXPECT_EQ(model->HoverTip(), s.Tip);
    EXPECT_EQ(model->HoverOutline().isEmpty(), s.Item == 0);
  }

  // The pie's tip adds the share of the item within the page shown.
  model->ShowPage(ChartPage::Pie);
  model->Drawing().HitRegions = {{3, 0, 0, 10, 10}};
  EXPECT_TRUE(model->HoverAt(5, 5));
  EXPECT_EQ(model->HoverTip(), QStringLiteral("项目3\n数值: 30\n占比: 30.0%"));
  model->PressKey(Qt::Key_F3);
  EXPECT_EQ(model->HoverIndex(), 0) << "a page switch forgets the hovered item";
}

TEST_F(WindowModelTest, TypedTextLoadsOrExplainsWhyNot) {
  Start();
  model->ApplyTypedText(QStringLiteral(" \r\n"));
  ASSERT_EQ(messages.Entries.size(), 1u);
  EXPECT_EQ(messages.Entries[0].Text, QStringLiteral("请先输入数据,每行一项,格式为项目,数值."));
  EXPECT_EQ(messages.Entries[0].Icon, MessageIcon::Information);

  messages.Entries.clear();
  model->ApplyTypedText(QStringLiteral("a,1\nb,x"));
  ASSERT_EQ(messages.Entries.size(), 1u);
  EXPECT_EQ(messages.Entries[0].Text, ReasonAndHint(state.Table.LastError, state.Table.LastHint));
  EXPECT_EQ(model->Notice(), state.Table.LastError + QStringLiteral("\r\n") + state.Table.LastHint);
  EXPECT_EQ(model->Page(), ChartPage::Source);

  messages.Entries.clear();
  model->ApplyTypedText(QStringLiteral("甲,1\n乙,2\n丙,3"));
  EXPECT_TRUE(messages.Entries.empty());
  EXPECT_EQ(model->Page(), ChartPage::Bar);
  EXPECT_EQ(model->Table().ItemCount(), 3);
  EXPECT_TRUE(model->Notice().isEmpty());
  EXPECT_EQ(model->StatusText(), QStringLiteral("手工输入"));
  EXPECT_EQ(IniValue(u"Recent", u"LastFile"), QStringLiteral("<none>"));
}

TEST_F(WindowModelTest, TheStatusTextFollowsTheTableAfterEveryLoad) {
  StartWithRows(5);
  const QString good = WriteHtml(QStringLiteral("other.html"), 3);
  auto browse = [&](const QString& answer) {
    actions.PickAnswer = answer;
    model->Browse();
  };
  struct Step {
    const char* Name;
    std::function<void()> Act;
    int Items;
    QString Status;
    // clang-format off
  } steps[] = {
      {"the command-line file", [] {}, 5, QStringLiteral("sales.html")},
      {"a failed apply after a file", [&] { model->ApplyTypedText(QStringLiteral("a,1\nb,x")); },
       0, QString()},
      {"typed data", [&] { model->ApplyTypedText(QStringLiteral("a,1\nb,2")); }, 2,
       QStringLiteral("手工输入")},
      {"a failed apply after typed data",
       [&] { model->ApplyTypedText(QStringLiteral("only one,1")); }, 0, QString()},
      {"a good browse", [&] { browse(good); }, 3, QStringLiteral("other.html")},
      {"a cancelled browse", [&] { browse(QString()); }, 3, QStringLiteral("other.html")},
      {"a failed browse", [&] { browse(Path(QStringLiteral("gone.html"))); }, 0, QString()},
  };
  // clang-format on
  for (const Step& step : steps) {
    model->ShowPage(ChartPage::Source);
    const int revision = model->Revision();
    step.Act();
    EXPECT_EQ(model->Table().ItemCount(), step.Items) << step.Name;
    EXPECT_EQ(model->StatusText(), step.Status) << step.Name;
    EXPECT_EQ(model->Page(),
              step.Items > 0 && revision != model->Revision() ? ChartPage::Bar : ChartPage::Source)
        << step.Name;
  }
}

TEST_F(WindowModelTest, BrowsingLoadsTheChosenFileWhileTheWindowShowsItIsBusy) {
  StartWithRows(2);
  const QString good = WriteHtml(QStringLiteral("other.html"), 3);
  actions.PickAnswer = good;
  model->ShowPage(ChartPage::Source);
  model->Browse();
  EXPECT_EQ(actions.Picks, (std::vector<QString>{Path(QStringLiteral("sales.html"))}));
  EXPECT_EQ(actions.Busy, (std::vector<bool>{true, false}));
  EXPECT_EQ(model->PathText(), good);
  EXPECT_EQ(IniValue(u"Recent", u"LastFile"), good);

  // A refused file: the message, the path shown, and an empty table.
  actions.PickAnswer = Path(QStringLiteral("gone.html"));
  model->Browse();
  ASSERT_EQ(messages.Entries.size(), 1u);
  EXPECT_TRUE(messages.Entries[0].Text.startsWith(QStringLiteral("数据源文件不存在.\r\n\r\n")));
  EXPECT_EQ(model->PathText(), actions.PickAnswer);
  EXPECT_EQ(IniValue(u"Recent", u"LastFile"), good) << "only loaded files are remembered";
}

TEST_F(WindowModelTest, DroppedFilesAreCheckedByTheirExtensionThenLoaded) {
  Start();
  const QString txt = Path(QStringLiteral("notes.txt"));
  EXPECT_FALSE(model->AcceptDroppedFile(txt));
  EXPECT_FALSE(model->AcceptDroppedFile(QStringLiteral(" \t")));
  EXPECT_EQ(MessageTexts(),
            (std::vector<QString>{
                QStringLiteral("不支持这种文件,请拖入数据文件.\r\n\r\n"
                               "支持 HTML (.html/.htm), CSV (.csv), Excel (.xls/.xlsx).\r\n\r\n") +
                txt}));

  // Upper-case extensions pass the check and reach the reader.
  messages.Entries.clear();
  const QString xlsx = Path(QStringLiteral("REPORT.XLSX"));
  test::WriteAll(xlsx, "not a workbook");
  EXPECT_TRUE(model->AcceptDroppedFile(xlsx));
  ASSERT_EQ(messages.Entries.size(), 1u);
  EXPECT_FALSE(messages.Entries[0].Text.startsWith(QStringLiteral("不支持这种文件")));
  EXPECT_FALSE(model->Notice().isEmpty());
  EXPECT_EQ(state.Table.SourcePath, xlsx);
  EXPECT_EQ(model->PathText(), xlsx);

  messages.Entries.clear();
  const QString good = WriteHtml(QStringLiteral("first.html"), 6);
  EXPECT_TRUE(model->AcceptDroppedFile(good));
  EXPECT_TRUE(messages.Entries.empty());
  EXPECT_EQ(model->Table().ItemCount(), 6);
  EXPECT_EQ(model->Page(), ChartPage::Bar);
  EXPECT_TRUE(model->Notice().isEmpty());
  EXPECT_EQ(IniValue(u"Recent", u"LastFile"), good);

  // A failed drop on a chart page leaves nothing to draw there.
  model->ShowPage(ChartPage::Pie);
  EXPECT_TRUE(model->AcceptDroppedFile(Path(QStringLiteral("gone.csv"))));
  EXPECT_EQ(messages.Entries.size(), 1u);
  EXPECT_EQ(model->Page(), ChartPage::Source);
}

TEST_F(WindowModelTest, DroppedNamesWithSpacesAroundTheExtensionLoadLikeTheOpenPath) {
  Start();
  for (const QString& name :
       {QStringLiteral("报表.csv "), QStringLiteral("a. csv"), QStringLiteral("b.c sv")}) {
    const QString path = Path(name);
    test::WriteAll(path, "项目,数值\r\n甲,1\r\n乙,2\r\n丙,3\r\n");
    model->ShowPage(ChartPage::Source);
    EXPECT_TRUE(model->AcceptDroppedFile(path)) << name.toStdString();
    EXPECT_TRUE(messages.Entries.empty()) << name.toStdString();
    EXPECT_EQ(model->Table().ItemCount(), 3) << name.toStdString();
    EXPECT_EQ(model->Page(), ChartPage::Bar) << name.toStdString();
  }
}

TEST_F(WindowModelTest, TheLineColourIsChosenStoredAndDrawn) {
  StartWithRows(3);
  struct Step {
    const char* Name;
    std::function<void()> Act;
    quint32 Color;
    QString Stored;
    // clang-format off
  } steps[] = {
      {"combo entry 2", [&] { model->ChooseLineColor(2); }, 0xFF0E9AA7u, QStringLiteral("#0E9AA7")},
      {"entry 8 does not exist", [&] { model->ChooseLineColor(8); }, 0xFF0E9AA7u,
       QStringLiteral("#0E9AA7")},
      {"entry -1 neither", [&] { model->ChooseLineColor(-1); }, 0xFF0E9AA7u,
       QStringLiteral("#0E9AA7")},
      {"menu on the line page", [&] {
         model->ShowPage(ChartPage::Line);
         model->ChooseMenuCommand(kMenuFirstColor + 4);
       }, 0xFFE67E22u, QStringLiteral("#E67E22")},
      {"the last menu entry", [&] { model->ChooseMenuCommand(kMenuLastColor); }, 0xFF5D6D7Eu,
       QStringLiteral("#5D6D7E")},
  };
  // clang-format on
  for (const Step& step : steps) {
    step.Act();
    EXPECT_EQ(model->LineColor(), step.Color) << step.Name;
    EXPECT_EQ(model->Request().LineColor, step.Color) << step.Name;
    EXPECT_EQ(IniValue(u"Colors", u"LineColor"), step.Stored) << step.Name;
  }
  EXPECT_EQ(model->LineColorChoice(), 7);
}

TEST_F(WindowModelTest, SavingProposesAStampedNameBesideTheSourceAndReportsTheOutcome) {
  StartWithRows(4);
  struct Case {
    const char* Name;
    SaveOutcome Answer;
    std::vector<QString> Messages;
    // clang-format off
  } cases[] = {
      {"saved", {true, {}, QStringLiteral("/out/chart.jpg")},
       {QStringLiteral("图片已保存:\r\n/out/chart.jpg")}},
      {"failed", {false, QStringLiteral("保存图片失败:\r\n/ro/x.jpg"), {}},
       {QStringLiteral("保存图片失败:\r\n/ro/x.jpg")}},
      {"cancelled", {}, {}},
  };
  // clang-format on
  for (const Case& c : cases) {
    messages.Entries.clear();
    actions.SaveAnswer = c.Answer;
    model->ChooseMenuCommand(kMenuSaveChart);
    EXPECT_EQ(MessageTexts(), c.Messages) << c.Name;
    if (!c.Messages.empty()) {
      EXPECT_EQ(messages.Entries[0].Icon,
                c.Answer.Ok ? MessageIcon::Information : MessageIcon::Exclamation);
    }
  }
  EXPECT_EQ(actions.Saves.back(), dir.path() + QStringLiteral("|柱形图2026年1月5日09时30分.jpg"));

  // Typed data has no folder of its own: the pictures go to the program's.
  model->ApplyTypedText(QStringLiteral("a,1\nb,2"));
  model->ShowPage(ChartPage::Pie);
  model->SaveChart();
  EXPECT_EQ(actions.Saves.back(), state.AppDir + QStringLiteral("|饼形图2026年1月5日09时30分.jpg"));
}

TEST_F(WindowModelTest, PrintingAndCopyingAreForChartPagesAndFailuresAreReported) {
  StartWithRows(4);
  model->ChooseMenuCommand(kMenuCopyImage);
  EXPECT_EQ(actions.Copies, 1);
  model->PrintChart();
  EXPECT_TRUE(messages.Entries.empty()) << "printed or cancelled: nothing to say";

  actions.PrintAnswer = QStringLiteral("/proc/self/no.pdf");
  model->ChooseMenuCommand(kMenuPrint);
  EXPECT_EQ(actions.Prints, 2);
  ASSERT_EQ(messages.Entries.size(), 1u);
  EXPECT_EQ(messages.Entries[0].Text, QStringLiteral("打印失败:\r\n/proc/self/no.pdf"));
  EXPECT_EQ(messages.Entries[0].Icon, MessageIcon::Exclamation);

  model->ShowPage(ChartPage::Source);
  model->PrintChart();
  model->ChooseMenuCommand(kMenuCopyImage);
  EXPECT_EQ(actions.Prints, 2);
  EXPECT_EQ(actions.Copies, 1);
}

TEST_F(WindowModelTest, OptionRowsToggleTheLabelsAndRedraw) {
  StartWithRows(5);
  std::vector<OptionRow> rows = BuildOptionRows(ChartPage::Bar, model->Labels());
  ASSERT_EQ(rows.size(), 4u);
  for (size_t i = 0; i < rows.size(); ++i) {
    rows[i].Left = 0;
    rows[i].Right = 100;
    rows[i].Top = 20.0f * static_cast<float>(i);
    rows[i].Bottom = rows[i].Top + 15;
  }
  const int revision = model->Revision();
  EXPECT_FALSE(model->ToggleOptionAt(rows, 50, 17)) << "between the rows";
  EXPECT_EQ(model->Revision(), revision);
  EXPECT_TRUE(model->ToggleOptionAt(rows, 50, 25));  // 字母项目名
  EXPECT_TRUE(model->Labels().BarUseLetters);
  EXPECT_TRUE(model->Request().Labels.BarUseLetters);
  EXPECT_NE(model->Revision(), revision);
  EXPECT_EQ(IniValue(u"Bar", u"UseLetters"), QStringLiteral("1"));
}

// A label switch is saved through the one settings file that reports its
// failures, whether the mouse or the keyboard (Space on the focused box)
// toggled it.
TEST_F(WindowModelTest, AnOptionThatCannotBeSavedIsSaidWhateverToggledIt) {
  StartWithRows(5);
  // A folder where the settings file was: every write fails, also for root.
  ASSERT_TRUE(QFile::remove(state.SettingsPath));
  ASSERT_TRUE(QDir().mkpath(state.SettingsPath));
  std::vector<OptionRow> rows = BuildOptionRows(ChartPage::Bar, model->Labels());
  rows[3].Right = 100;
  rows[3].Bottom = 15;
  const auto failures = [&] {
    state.Log.Flush();
    return test::ReadAll(state.Log.LogPath()).count("settings save FAIL");
  };
  // The keyboard first: the message box is shown once per run.
  EXPECT_TRUE(model->ToggleOption(rows, 1));
  EXPECT_TRUE(model->Labels().BarNoName) << "the change holds until the program closes";
  ASSERT_EQ(messages.Entries.size(), 1u);
  EXPECT_TRUE(messages.Entries[0].Text.startsWith(QStringLiteral("设置未能保存:\r\n")));
  const qsizetype afterKeyboard = failures();
  EXPECT_GT(afterKeyboard, 0);
  EXPECT_TRUE(model->ToggleOptionAt(rows, 50, 5));  // 不显示项目数值
  EXPECT_TRUE(model->Labels().BarNoValue);
  EXPECT_GT(failures(), afterKeyboard) << "the mouse's failure is logged too";
}

}  // namespace
}  // namespace qh
