#include "data/csv_plain_lines.h"

#include <QByteArray>
#include <QString>
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace qh {
namespace {

// What a reader is handed, in order. Quotes the look did not settle are
// left to the splitter, as they may hold line breaks; so is every third
// line, so decoded lines come of every kind.
class RecordingSink final : public PlainCsvSink {
 public:
  bool Bytes(QByteArrayView line, const PlainCells* cells) override {
    if (++offered_ % 3 == 0 || (cells == nullptr && line.contains('"'))) return false;
    std::string seen = "B:" + line.toByteArray().toStdString();
    if (cells != nullptr)
      seen += "|" + cells->Name.toByteArray().toStdString() + "|" +
              cells->Value.toByteArray().toStdString();
    Seen.push_back(std::move(seen));
    return true;
  }
  void Line(QStringView line) override { Seen.push_back("L:" + line.toUtf8().toStdString()); }

  std::vector<std::string> Seen;

 private:
  int offered_ = 0;
};

QByteArray Lines(qsizetype atLeast) {
  static const char* const kLines[] = {"华东青禾一号,1234.50\r\n", "\"华南\",\"1,234.50\"\n",
                                       "A,1,2\n",  "\"A\"\"B\",3\n",
                                       "\n",       "B,\"x\"y\n",
                                       "C,5\rD,6\n", "长长长长长长长长长长长长长长长长,-7\n"};
  QByteArray bytes;
  for (size_t i = 0; bytes.size() < atLeast; ++i) bytes += kLines[i % std::size(kLines)];
  return bytes;
}

// The lines of files read through a copy, a window at a time, are the
// lines read in place: at the windows' edges, in quotes that hold line
// breaks across them, in lines longer than a window; and the reading stops
// early where it does in place. The view handed along holds other bytes of the same size,
// so a look at it in place shows.
TEST(CsvPlainLines, ReadThroughACopyAsInPlace) {
  constexpr qsizetype kEdge = 256 * 1024;
  const QByteArray quotedBreaks = "\"第一行\n第二行\r\n" + QByteArray(30000, 'q') + "\n尾\",9\n";
  struct Case {
    const char* Name;
    QByteArray Bytes;
    bool TabEnds = false;
  };
  const Case cases[] = {
      {"many lines", Lines(3 * kEdge)},
      {"no line feed at the end", Lines(kEdge + 100) + "E,8"},
      {"an empty last line", Lines(kEdge + 100) + "\n"},
      {"quotes with line breaks across an edge", Lines(kEdge - 100) + quotedBreaks + Lines(1000)},
      {"quotes with line breaks wider than a window",
       Lines(1000) + "\"" + Lines(3 * kEdge).replace('"', 'q') + "\",5\n" + Lines(1000)},
      {"quotes open to the end", Lines(kEdge + 10) + "\"open\n" + Lines(kEdge)},
      {"a line longer than a window", Lines(1000) + QByteArray(kEdge * 5 / 2, 'n') + ",1\n" +
                                          Lines(1000)},
      {"lone CRs across an edge", QByteArray("A,1\r").repeated(kEdge / 2)},
      {"a byte that is no UTF-8 past an edge", Lines(kEdge + 5000) + "\xFF,1\n" + Lines(100)},
      {"a broken character across an edge", Lines(kEdge - 1) + "\xE5\x8D\n" + Lines(100)},
      {"a tab past an edge", Lines(kEdge + 7000) + "A\t1\n" + Lines(100), true},
      {"one short line", "A,1\n"},
      {"nothing", ""},
  };
  for (const Case& c : cases) {
    RecordingSink inPlace;
    const PlainCsvSplit expected = SplitPlainCsvLines(c.Bytes, u',', inPlace, c.TabEnds);
    const QByteArray decoy(c.Bytes.size(), 'x');
    qsizetype mostCopied = 0;
    const CopyBytes copy = [&](const char* from, char* to, qsizetype count) {
      const qsizetype at = from - decoy.constData();
      ASSERT_TRUE(at >= 0 && count >= 0 && at + count <= c.Bytes.size()) << c.Name;
      std::memcpy(to, c.Bytes.constData() + at, static_cast<size_t>(count));
      mostCopied = std::max(mostCopied, count);
    };
    RecordingSink copied;
    EXPECT_EQ(SplitPlainCsvLines(decoy, u',', copied, c.TabEnds, copy), expected) << c.Name;
    // Lines handed on before a reading stops early are thrown away, and
    // UTF-8 is checked ahead only as far as a window goes.
    if (expected == PlainCsvSplit::Done) {
      EXPECT_EQ(copied.Seen, inPlace.Seen) << c.Name;
    }
    // Room for a window's worth, more only for a longer line.
    if (std::string_view(c.Name).find("longer") == std::string_view::npos &&
        std::string_view(c.Name).find("wider") == std::string_view::npos) {
      EXPECT_LE(mostCopied, kEdge) << c.Name;
    }
  }
}

}  // namespace
}  // namespace qh
