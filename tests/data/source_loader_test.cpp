#include "data/source_loader.h"

#include "data/file_access.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace qh {
namespace {

TEST(SourceLoader, FileExtension) {
  // clang-format off
  const std::pair<const char*, const char*> cases[] = {
      {"a.CSV", "csv"},          {"/x/report.Html", "html"}, {"report.", ""},
      {"C:\\data.old\\report", ""}, {"/data.old/report", ""},   {"report", ""},
      {" a .xlsx ", "xlsx"},     {"", ""},                   {"a.b.htm", "htm"},
  };
  // clang-format on
  for (const auto& [path, ext] : cases) EXPECT_EQ(FileExtension(path), ext) << path;
}

TEST(SourceLoader, DispatchByExtension) {
  QTemporaryDir dir;
  const QByteArray csv = "A,1\nB,2\n";
  const QByteArray html =
      "<table><tr><td>A</td><td>1</td></tr><tr><td>B</td><td>2</td></tr></table>";
  struct Case {
    const char* File;
    QByteArray Bytes;
    bool Ok;
    QString Error;
  };
  const Case cases[] = {
      {"a.CSV", csv, true, {}},
      {"a.htm", html, true, {}},
      {"a.HTML", html, true, {}},
      {"a.csv.txt", csv, false, QStringLiteral("不支持的数据源文件格式:.txt")},
      {"noext", csv, false, QStringLiteral("数据源文件没有扩展名,无法识别格式.")},
      {"a.", csv, false, QStringLiteral("数据源文件没有扩展名,无法识别格式.")},
  };
  for (const Case& c : cases) {
    const QString path = dir.filePath(c.File);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(c.Bytes);
    file.close();
    ItemTable table;
    EXPECT_EQ(LoadSourceFile(path, LoadLimits{}, table), c.Ok) << c.File;
    EXPECT_EQ(table.LastError, c.Error) << c.File;
    if (c.Ok) {
      EXPECT_EQ(table.ItemCount(), 2) << c.File;
    }
  }
  ItemTable table;
  LoadSourceFile(dir.filePath("a.txt"), LoadLimits{}, table);
  EXPECT_EQ(table.LastHint,
            QStringLiteral("支持 HTML (.html/.htm), CSV (.csv), Excel (.xls/.xlsx)."));
  LoadSourceFile(dir.filePath("noext"), LoadLimits{}, table);
  EXPECT_EQ(table.LastHint, dir.filePath("noext"));
}

// One gate for every reader: a missing or empty file gets the same words
// whatever its kind; bytes from elsewhere pass the same empty check.
TEST(SourceLoader, OneFileGateForEveryKind) {
  QTemporaryDir dir;
  for (const char* ext : {"csv", "html", "htm", "xls", "xlsx"}) {
    SCOPED_TRACE(ext);
    const QString missing = dir.filePath(u"missing."_qs + QLatin1String(ext));
    ItemTable table;
    table.Items.Add(u"旧", 1);
    EXPECT_FALSE(LoadSourceFile(missing, LoadLimits{}, table));
    EXPECT_EQ(table.LastError, u"数据源文件不存在."_qs);
    EXPECT_EQ(table.LastHint, u"找不到文件:\r\n"_qs + missing);
    EXPECT_TRUE(table.Items.empty());

    const QString empty = dir.filePath(u"empty."_qs + QLatin1String(ext));
    QFile file(empty);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_FALSE(LoadSourceFile(empty, LoadLimits{}, table));
    EXPECT_EQ(table.LastError, u"数据源文件为空,无法读取."_qs);
    EXPECT_EQ(table.LastHint, empty);

    EXPECT_FALSE(LoadSourceBytes({}, QLatin1String(ext), u"-"_qs, LoadLimits{}, table));
    EXPECT_EQ(table.LastError, u"数据源文件为空,无法读取."_qs);
    EXPECT_EQ(table.LastHint, u"-"_qs);
  }
  ItemTable table;
  EXPECT_TRUE(LoadSourceBytes("A,1\nB,2\n", u"csv"_qs, u"-"_qs, LoadLimits{}, table));
  EXPECT_EQ(table.ItemCount(), 2);
  EXPECT_FALSE(LoadSourceBytes("A,1\nB,2\n", u"txt"_qs, u"-"_qs, LoadLimits{}, table));
  EXPECT_EQ(table.LastError, u"不支持的数据源文件格式:.txt"_qs);
}

}  // namespace
}  // namespace qh
