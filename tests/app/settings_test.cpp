#include "app/settings.h"

#include "app/label_options.h"
#include "base/diag_log.h"
#include "base/ini_file.h"
#include "base/user_messages.h"

#include <QDir>
#include <QFileInfo>

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <vector>

#include <QSysInfo>

#include "support/test_files.h"

namespace qh {
namespace {

using test::ReadAll;
using test::WriteAll;

// How to keep the encoding, in the words of the system's own editors.
#if defined(Q_OS_WIN)
constexpr char kEncodingNote[] = "; 本文件为 ANSI 编码,请用记事本另存为 ANSI 保存";
#else
constexpr char kEncodingNote[] = "; 本文件为 GBK 编码,请用文本编辑器按 GBK (GB18030) 编码保存";
#endif

// The default file built here from its own copy of the text.
QByteArray ExpectedDefaultFile() {
  const char* lines[] = {
      "; 青禾图表生成工具 配置文件",
      "; 青禾软件有限公司",
      kEncodingNote,
      "",
      "[Limits]",
      "; 安全上限,不是显示上限: 图形能显示多少项由窗口宽度自动决定",
      "; 数据超过显示能力时会弹出提示,只显示能显示的部分",
      "; 数据源超过 MaxItems 项, 或文件大于 MaxItems 的 200 倍字节 (至少 10 MB), 则拒绝读取, "
      "防止异常大的数据耗尽内存",
      "MaxItems=5000000",
      "; 保留项, 目前不起作用",
      "MaxPoints=200000",
      "; 柱形图 / 饼形图 每页显示项目数(超过则自动分页)",
      "PageSize=20",
      "",
      "[Colors]",
      "; 曲线图线条颜色,格式 #RRGGBB",
      "LineColor=#2F80ED",
      "",
      "[Update]",
      "; 升级检查与下载地址; 留空则使用内置地址",
      nullptr,  // Url line
      "",
      "[Display]",
      "; 是否显示数值标签 1=显示 0=隐藏",
      "ShowValue=1",
  };
  QStringEncoder gbk("GBK");
  QByteArray out;
  for (const char* line : lines) {
    const QString text =
        line ? QString::fromUtf8(line) : QStringLiteral("Url=") + BuiltInUpdateUrl();
    out += gbk.encode(text);
    out += "\r\n";
  }
  return out;
}

class SettingsTest : public ::testing::Test {
 protected:
  QString Path() const { return SettingsPath(dir_.path() + u'/'); }
  Settings LoadWith(const QByteArray& text) {
    WriteAll(Path(), text);
    return LoadSettings(IniFile(Path()));
  }
  QTemporaryDir dir_;
};

TEST_F(SettingsTest, DefaultFileIsByteExactGbkWithCrLf) {
  EXPECT_TRUE(Path().endsWith(QStringLiteral("/青禾图表生成工具.ini")));
  EnsureSettingsFile(Path());
  const QByteArray bytes = ReadAll(Path());
  EXPECT_EQ(bytes, ExpectedDefaultFile());
  EXPECT_TRUE(bytes.startsWith("; \xC7\xE0\xBA\xCC"));  // 青禾 in GBK
#if defined(Q_OS_WIN)
  EXPECT_EQ(BuiltInUpdateUrl(), QStringLiteral("http://update.qinghesoft.cn/Down/LumoChart.exe"));
#else
  EXPECT_EQ(BuiltInUpdateUrl(),
            QStringLiteral("https://update.qinghesoft.cn/Down/linux-x86_64/qinghechart")
                .replace(u"x86_64"_qs, QSysInfo::buildCpuArchitecture()));
#endif
  EXPECT_EQ(LoadSettings(IniFile(Path())), Settings());
}

TEST_F(SettingsTest, EnsureKeepsAnExistingFile) {
  WriteAll(Path(), "[Limits]\r\nPageSize=7\r\n");
  EnsureSettingsFile(Path());
  EXPECT_EQ(ReadAll(Path()), QByteArray("[Limits]\r\nPageSize=7\r\n"));
}

TEST_F(SettingsTest, MissingFolderReadsDefaults) {
  const QString nowhere = dir_.path() + QStringLiteral("/no/such/dir/");
  EnsureSettingsFile(SettingsPath(nowhere));
  EXPECT_EQ(LoadSettings(IniFile(SettingsPath(nowhere))), Settings());
}

struct ClampCase {
  const char* Text;
  int MaxItems, MaxPoints, PageSize;
};

TEST_F(SettingsTest, LimitsClampInOrder) {
  const ClampCase cases[] = {
      {"MaxItems=59", 5000000, 200000, 20},
      {"MaxItems=60\r\nPageSize=100", 60, 200000, 60},
      {"MaxItems=59\r\nPageSize=100", 5000000, 200000, 100},
      // Written into every file before the limit applied: today's default.
      {"MaxItems=100000", 5000000, 200000, 20},
      {"MaxItems=100001", 100001, 200000, 20},
      {"MaxPoints=1999", 5000000, 200000, 20},
      {"MaxPoints=2000", 5000000, 2000, 20},
      {"PageSize=4", 5000000, 200000, 20},
      {"PageSize=5", 5000000, 200000, 5},
      {"PageSize=abc", 5000000, 200000, 20},
      {"PageSize=20.5", 5000000, 200000, 20},
      {"PageSize=21.5", 5000000, 200000, 22},
      {"MaxItems=-5\r\nPageSize=999999999", 5000000, 200000, 5000000},
  };
  for (const ClampCase& c : cases) {
    const Settings s = LoadWith(QByteArray("[Limits]\r\n") + c.Text + "\r\n");
    EXPECT_EQ(s.MaxItems, c.MaxItems) << c.Text;
    EXPECT_EQ(s.MaxPoints, c.MaxPoints) << c.Text;
    EXPECT_EQ(s.PageSize, c.PageSize) << c.Text;
  }
}

TEST_F(SettingsTest, ColourShowValueAndUrl) {
  EXPECT_EQ(LoadWith("[Colors]\r\nLineColor=2f80ed\r\n").LineColor, 0xFF2F80EDu);
  EXPECT_EQ(LoadWith("[Colors]\r\nLineColor=#FF0000\r\n").LineColor, 0xFFFF0000u);
  EXPECT_EQ(LoadWith("[Colors]\r\nLineColor=#2F80E\r\n").LineColor, kDefaultLineColor);
  EXPECT_EQ(LoadWith("[Colors]\r\nLineColor=#GG0000\r\n").LineColor, kDefaultLineColor);
  EXPECT_FALSE(LoadWith("[Display]\r\nShowValue=0\r\n").ShowValue);
  EXPECT_TRUE(LoadWith("[Display]\r\nShowValue=2\r\n").ShowValue);
  EXPECT_TRUE(LoadWith("[Display]\r\nShowValue=x\r\n").ShowValue);
  EXPECT_EQ(LoadWith("[Update]\r\nUrl=\r\n").UpdateUrl, BuiltInUpdateUrl());
  EXPECT_EQ(LoadWith("[Update]\r\nUrl= http://h/a b.exe \r\n").UpdateUrl,
            QStringLiteral("http://h/ab.exe"));
  // Earlier builds wrote their default address into the file: this build's
  // own replaces it; an address the user wrote stays.
  EXPECT_EQ(
      LoadWith("[Update]\r\nUrl=http://update.qinghesoft.cn/Down/LumoChart.exe\r\n").UpdateUrl,
      BuiltInUpdateUrl());
  EXPECT_EQ(LoadWith("[Update]\r\nUrl=http://update.qinghesoft.cn/Down/Other.exe\r\n").UpdateUrl,
            QStringLiteral("http://update.qinghesoft.cn/Down/Other.exe"));
}

TEST_F(SettingsTest, WriteAnsiFile) {
  const QString path = dir_.filePath(QStringLiteral("a.txt"));
  EXPECT_TRUE(WriteAnsiFile(path, QStringLiteral("青\r\n")));
  EXPECT_EQ(ReadAll(path), QByteArray("\xC7\xE0\r\n"));
  EXPECT_TRUE(WriteAnsiFile(path, QString()));
  EXPECT_TRUE(QFile::exists(path));
  EXPECT_EQ(ReadAll(path), QByteArray());
  EXPECT_FALSE(WriteAnsiFile(dir_.filePath(QStringLiteral("no/dir/a.txt")), QStringLiteral("x")));
}

// A folder where the settings file should be: every failed save is logged
// with its reason, the first one of the run is also shown.
TEST_F(SettingsTest, SaveFailuresAreLoggedEveryTimeAndShownOnce) {
  const QString path = Path();
  ASSERT_TRUE(QDir().mkpath(path));
  IniFile ini(path);
  DiagLog log(dir_.filePath(QStringLiteral("qzChart.log")));
  RecordedMessages messages;
  ReportSettingsFailures(ini, log, messages);
  EXPECT_FALSE(ini.IniWrite(u"Colors", u"LineColor", u"#FF0000"));
  EXPECT_FALSE(ini.IniWrite(u"Bar", u"NoName", u"1"));
  EXPECT_EQ(ReadAll(log.LogPath()).count("settings save FAIL"), 2);
  ASSERT_EQ(messages.Entries.size(), 1u);
  EXPECT_EQ(messages.Entries[0].Text,
            QStringLiteral("设置未能保存:\r\n") + path +
                QStringLiteral("\r\n这是一个文件夹\r\n\r\n本次的更改只在程序关闭前有效."
                               "请腾出磁盘空间或检查该文件和文件夹的写入权限."));
  EXPECT_EQ(messages.Entries[0].Icon, MessageIcon::Exclamation);
  EXPECT_TRUE(QFileInfo(path).isDir());
}

// The advice of a failed save follows its cause: free space and
// permissions only when the system refused the write.
TEST_F(SettingsTest, SaveFailureAdviceFollowsTheCause) {
  const QString header = QStringLiteral("[Limits]\r\nPageSize=7\r\n");
  const QByteArray justUnder =
      header.toLatin1() + QByteArray(IniFile::kMaxFileBytes - 1 - header.size(), ';');
  const QString sizeHint = QStringLiteral(
      "本次的更改只在程序关闭前有效.设置文件不能大于 1 MB:请删去其中不需要的行,"
      "或删除该文件让程序重新创建.");
  const QString pipeHint = QStringLiteral(
      "本次的更改只在程序关闭前有效.请把该路径换成普通的设置文件,或删除它让程序重新创建.");
  const struct {
    const char* Name;
    QByteArray Bytes;  // the file's bytes; empty: a pipe
    const char* Reason;
    QString Hint;
  } cases[] = {
      {"1 MB less a byte", justUnder, "保存后设置文件会大于 1 MB,程序将不再读取它,所以没有保存",
       sizeHint},
      {"over 1 MB", justUnder + "; and more", "设置文件大于 1 MB,程序不读取也不改写它", sizeHint},
      {"a pipe", {}, "设置文件不是普通文件(管道或设备),程序不读取也不改写它", pipeHint},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    QFile::remove(Path());
    if (c.Bytes.isEmpty()) {
      ASSERT_EQ(::mkfifo(QFile::encodeName(Path()).constData(), 0600), 0);
    } else {
      WriteAll(Path(), c.Bytes);
    }
    IniFile ini(Path());
    DiagLog log(dir_.filePath(QStringLiteral("qzChart.log")));
    RecordedMessages messages;
    ReportSettingsFailures(ini, log, messages);
    EXPECT_FALSE(ini.IniWrite(u"Colors", u"LineColor", QString(64, u'A')));
    ASSERT_EQ(messages.Entries.size(), 1u);
    EXPECT_EQ(messages.Entries[0].Text, QStringLiteral("设置未能保存:\r\n") + Path() +
                                            QStringLiteral("\r\n") + QString::fromUtf8(c.Reason) +
                                            QStringLiteral("\r\n\r\n") + c.Hint);
    if (!c.Bytes.isEmpty()) {
      EXPECT_EQ(ReadAll(Path()), c.Bytes);
    }
  }
}

// Two windows on one settings file: each toggle writes only the switches
// it changed, so neither undoes the other's.
TEST_F(SettingsTest, TwoWindowsKeepEachOthersLabelOptions) {
  struct Toggle {
    bool First;  // which window
    ChartPage Page;
    int Row;
  };
  const struct {
    const char* Name;
    std::vector<Toggle> Toggles;
    LabelOptions After;  // as a third window reads the file
  } cases[] = {
      {"bar and line",
       {{true, ChartPage::Bar, 1}, {false, ChartPage::Line, 3}},
       [] {
         LabelOptions o;
         o.BarNoName = o.LineNoValue = true;
         return o;
       }()},
      {"taking turns",
       {{true, ChartPage::Bar, 4}, {false, ChartPage::Line, 1}, {true, ChartPage::Line, 3}},
       [] {
         LabelOptions o;
         o.BarNoValue = o.LineUseLetters = o.LineNoValue = true;
         return o;
       }()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EnsureSettingsFile(Path());
    const IniFile first(Path()), second(Path());
    LabelOptions firstOptions = LoadLabelOptions(first), secondOptions = LoadLabelOptions(second);
    for (const Toggle& t : c.Toggles) {
      auto rows = BuildOptionRows(t.Page, t.First ? firstOptions : secondOptions);
      EXPECT_TRUE(ToggleOptionRow(rows, t.Row, t.First ? firstOptions : secondOptions,
                                  t.First ? first : second));
    }
    EXPECT_EQ(LoadLabelOptions(IniFile(Path())), c.After);
    QFile::remove(Path());
  }
}

}  // namespace
}  // namespace qh
