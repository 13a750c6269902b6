// Inputs no exporter writes on purpose: truncated files, binary junk, huge
// lines. Every one must end in a verdict, without crashing and in time
// linear in its size (a quadratic scan would not finish these).
#include "data/csv_reader.h"
#include "data/html/html_reader.h"
#include "data/html/html_scan.h"
#include "data/source_loader.h"
#include "support/read_export.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace qh {
namespace {

using test::ReadHtmlExport;

QByteArray Repeat(const QByteArray& piece, int times) { return piece.repeated(times); }

TEST(HostileInput, HtmlEndsInAVerdict) {
  const int n = 300000;
  // clang-format off
  const std::pair<const char*, QByteArray> cases[] = {
      {"unclosed rows", "<table>" + Repeat("<tr><td>A</td><td>1</td>", n) + "</table>"},
      {"unclosed tables", Repeat("<table><tr>", n)},
      {"lone less-than signs", Repeat("<", 3 * n)},
      {"unterminated tag", "<table><tr><td>A</td><td" + Repeat("x", 3 * n)},
      {"many cells", "<table><tr>" + Repeat("<td>", n) + "</tr><tr><td>B</td><td>2</td></tr></table>"},
      {"tag opened in every tag", "<table><tr>" + Repeat("<td<td", n) + "></tr></table>"},
      {"endless numeric reference", "<table><tr><td>A</td><td>&#" + Repeat("9", 3 * n) + ";</td></tr></table>"},
      {"many broken references", "<table><tr><td>A</td><td>" + Repeat("&#&#x&", n) + "</td></tr></table>"},
      {"endless named reference", "<table><tr><td>A</td><td>&" + Repeat("a", 3 * n) + ";</td></tr></table>"},
      {"many named references", "<table><tr><td>A</td><td>" + Repeat("&middot;&amp&Afr;&zwnj", n) + "</td></tr></table>"},
      {"nul bytes", Repeat(QByteArray("<table>\0<tr>\0<td>\0", 17), n / 10)},
      {"one long line without tags", Repeat("x", 10 * n)},
      {"invalid UTF-8 everywhere", Repeat("\xFF\xC0<\x81", n)},
  };
  // clang-format on
  for (const auto& [name, bytes] : cases) {
    ItemTable table;
    EXPECT_FALSE(ReadHtmlExport(bytes, table)) << name;
    EXPECT_EQ(table.ItemCount(), 0) << name;
    EXPECT_FALSE(table.LastError.isEmpty()) << name;
  }
}

TEST(HostileInput, CsvEndsInAVerdict) {
  const int n = 300000;
  const std::pair<const char*, QByteArray> cases[] = {
      {"quotes only", Repeat("\"", 3 * n + 1)},
      {"unterminated quote", "A,\"" + Repeat("1\n", n)},
      {"one long line", Repeat("a,", 5 * n)},
      {"nul bytes and CRs", Repeat(QByteArray("\0\r", 2), 3 * n)},
      {"invalid UTF-8", Repeat("\xFF\x81,", n)},
  };
  for (const auto& [name, bytes] : cases) {
    ItemTable table;
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(ParseCsvBytes(bytes, LoadLimits{}, table)) << name;
    EXPECT_EQ(table.ItemCount(), 0) << name;
    EXPECT_FALSE(table.LastError.isEmpty()) << name;
    // Linear time: each of these is a few megabytes. Lone CRs once made
    // every line look to the end of the file for a line feed.
    EXPECT_LT(timer.elapsed(), 20000) << name;
  }
}

// Text after a UTF-16 byte order mark that no exporter writes: nothing
// after the mark, an odd byte, unpaired surrogates, NUL characters.
TEST(HostileInput, Utf16TextEndsInAVerdict) {
  const int n = 300000;
  const std::pair<const char*, QByteArray> cases[] = {
      {"the mark alone", "\xFF\xFE"},
      {"an odd last byte", QByteArray("\xFE\xFF\x00"
                                      "A\x00",
                                      5)},
      {"unpaired surrogates", "\xFF\xFE" + Repeat("\x00\xD8,\x00\x00\xDC\n\x00", n)},
      {"NUL characters", "\xFF\xFE" + QByteArray(2 * n, '\0')},
      {"a byte order mark inside", "\xFF\xFE" + Repeat("\xFF\xFE\xFE\xFF", n)},
  };
  for (const auto& [name, bytes] : cases) {
    for (const char* ext : {"csv", "html", "xls", "xlsx"}) {
      ItemTable table;
      EXPECT_FALSE(LoadSourceBytes(bytes, QLatin1String(ext), u"u"_qs, LoadLimits{}, table))
          << name << ext;
      EXPECT_EQ(table.ItemCount(), 0) << name << ext;
      EXPECT_FALSE(table.LastError.isEmpty()) << name << ext;
    }
  }
}

}  // namespace
}  // namespace qh
