// What the loader lets in: the one bound on a table's size, and the tab
// exports of business systems whose amounts are grouped with commas.
#include "data/source_loader.h"

#include "base/code_page.h"
#include "support/chart_items.h"
#include "support/test_files.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qh {
namespace {

QByteArray Utf16WithMark(const QString& text) {
  QByteArray bytes("\xFF\xFE");
  bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
  return bytes;
}

// A bank's export: two tab-separated columns, amounts grouped with commas,
// in the encodings such exports come in and under each name they are saved
// with. Under a workbook name, text is read as Excel reads it.
TEST(SourceBounds, TabExportsWithGroupedAmounts) {
  const QString text = u"交易摘要\t金额\r\n工资\t1,234.50\r\n\"房租, 押金\"\t-12,000\r\n"_qs;
  struct Case {
    const char* Name;
    const char* Ext;
    QByteArray Bytes;
    QString Error;  // empty: the three rows below are read
  };
  // clang-format off
  const Case cases[] = {
      {"utf-8 csv", "csv", text.toUtf8(), {}},
      {"gbk csv", "csv", EncodeGbk(text), {}},
      {"utf-16 csv", "csv", Utf16WithMark(text), {}},
      {"gbk under .xls", "xls", EncodeGbk(text), {}},
      {"utf-16 under .xls", "xls", Utf16WithMark(text), {}},
      {"utf-8 under .xlsx", "xlsx", text.toUtf8(), {}},
      // Under a workbook name a tab separates, however the lines fall.
      {"xls: a line of three cells", "xls", EncodeGbk(text + u"其他\t1\t2\r\n"_qs),
       u"数据源Excel不是两列数据,无法生成图表."_qs},
      {"xls: commas without tabs stay CSV", "xls", "A,1\nB,2,3\n",
       u"数据源Excel不是两列数据,无法生成图表."_qs},
      // Under .csv a line without its one tab leaves the comma in charge.
      {"csv: a line without a tab", "csv", EncodeGbk(text + u"其他,1\r\n"_qs),
       u"数据源CSV不是两列数据,无法生成图表."_qs},
  };
  // clang-format on
  for (const Case& c : cases) {
    ItemTable table;
    const QString ext = QString::fromLatin1(c.Ext);
    const bool ok = LoadSourceBytes(c.Bytes, ext, u"export."_qs + ext, LoadLimits{}, table);
    EXPECT_EQ(table.LastError, c.Error) << c.Name;
    if (!c.Error.isEmpty()) continue;
    ASSERT_TRUE(ok) << c.Name;
    const std::vector<ChartItem> expected = {{u"工资"_qs, 1234.5}, {u"房租,押金"_qs, -12000}};
    EXPECT_EQ(table.Items, expected) << c.Name;
  }
}

// Each reader stops at the bound: a table of one item more than MaxItems is
// refused with the bound and the setting named, one of exactly MaxItems
// items is read.
TEST(SourceBounds, ItemLimitRefusesEveryReader) {
  const QString dir = QStringLiteral(QH_TEST_DATA_DIR);
  // clang-format off
  const std::pair<const char*, int> files[] = {
      {"/exports/table.csv", 5},        {"/exports/table_gbk.csv", 5},
      {"/exports/table.html", 5},       {"/exports/html_gbk.xls", 5},
      {"/exports/tsv_gbk.xls", 5},      {"/exports/csv_utf8.xlsx", 5},
      {"/exports/xml2003_gbk.xls", 5},  {"/exports/table.xlsx", 5},
      {"/workbooks/basic_libreoffice.xls", 10},
  };
  // clang-format on
  for (const auto& [name, items] : files) {
    ItemTable table;
    EXPECT_TRUE(LoadSourceFile(dir + QLatin1String(name), LoadLimits{items}, table)) << name;
    EXPECT_EQ(table.ItemCount(), items) << name;
    EXPECT_FALSE(LoadSourceFile(dir + QLatin1String(name), LoadLimits{items - 1}, table)) << name;
    EXPECT_EQ(table.ItemCount(), 0) << name;
    EXPECT_EQ(table.LastError,
              QStringLiteral("数据源超过 %1 项的安全上限,无法读取.").arg(items - 1))
        << name;
    EXPECT_EQ(table.LastHint,
              QStringLiteral("安全上限由配置文件 [Limits] 中的 MaxItems 设定 (现为 %1 项).\r\n\r\n"
                             "如确需读取更大的数据,请在配置文件 [Limits] 中调大 MaxItems 后重试.")
                  .arg(items - 1))
        << name;
  }
}

// A file past the byte bound (200 bytes per item) is refused by its size:
// a 2 GB sparse file of any kind costs neither its reading time nor its
// memory. Measured in a child process, whose peak memory is its own.
TEST(SourceBounds, FileOverTheByteBoundIsNeverRead) {
  QTemporaryDir dir;
  for (const char* name : {"big.csv", "big.html", "big.xlsx", "big.xls"}) {
    const QString path = dir.filePath(QLatin1String(name));
    {
      const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT, 0600);
      ASSERT_GE(fd, 0);
      ASSERT_EQ(::ftruncate(fd, qint64(2) << 30), 0);
      ::close(fd);
    }
    QElapsedTimer clock;
    clock.start();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ItemTable table;
      const bool refused =
          !LoadSourceFile(path, LoadLimits{}, table) &&
          table.LastError == u"数据源文件大于 1000 MB 的安全上限,无法读取." &&
          table.LastHint.contains(u"MaxItems (现为 5000000 项) 的 200 倍字节, 至少 10 MB");
      ::_exit(refused ? 0 : 1);
    }
    int status = 0;
    rusage usage{};
    ASSERT_EQ(::wait4(child, &status, 0, &usage), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << name;
    EXPECT_LT(usage.ru_maxrss, 256 * 1024) << name << ": peak KiB";
    EXPECT_LT(clock.elapsed(), 5000) << name;
  }
}

}  // namespace
}  // namespace qh
