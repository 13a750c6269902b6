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

// Lines of every length up to 23, each starting with another letter.
QByteArray Varied() {
  QByteArray bytes;
  for (int i = 0; i < 600; ++i)
    bytes += QByteArray(i % 23 + 1, static_cast<char>('a' + i % 26)) + "," + QByteArray::number(i) + "\n";
  return bytes;
}

QByteArray Lines(qsizetype atLeast) {
  static const char* const kLines[] = {"华东青禾一号,1234.50\r\n", "\"华南\",\"1,234.50\"\n",
                                       "A,1,2\n",  "\"A\"\"B\",3\n",
                                       "\n",       "B,\"x\"y\n",
                                       "C,5\rD,6\n", "长长长长长长长长长长长长长长长长,-7\n"};
  QByteArray bytes;
  for (size_t i = 0; bytes.size() < atLeast; ++i) bytes += kLines[i % std::size(kLines)];
  return bytes;
}

struct SplitResult {
  PlainCsvSplit Split;
  std::vector<std::string> Seen;
  qsizetype MostCopied = 0;
};

// The bytes split through a copy; the view handed along holds other bytes
// of the same size, so a look at it in place shows.
SplitResult SplitCopying(const QByteArray& bytes, bool tabEnds, qsizetype window) {
  const QByteArray decoy(bytes.size(), 'x');
  SplitResult result;
  const CopyBytes copy = [&](const char* from, char* to, qsizetype count) {
    const qsizetype at = from - decoy.constData();
    ASSERT_TRUE(at >= 0 && count >= 0 && at + count <= bytes.size());
    std::memcpy(to, bytes.constData() + at, static_cast<size_t>(count));
    result.MostCopied = std::max(result.MostCopied, count);
  };
  RecordingSink sink;
  result.Split = SplitPlainCsvLines(decoy, u',', sink, tabEnds, copy, window);
  result.Seen = std::move(sink.Seen);
  return result;
}

// The lines of files read through a copy, a window at a time, are the
// lines read in place: at the windows' edges, in quotes that hold line
// breaks across them, in lines longer than a window; and the reading stops
// early where it does in place. Small windows put an edge everywhere.
TEST(CsvPlainLines, ReadThroughACopyAsInPlace) {
  struct Case {
    const char* Name;
    QByteArray Bytes;
    bool TabEnds = false;
  };
  const Case cases[] = {
      {"many lines", Lines(3000)},
      {"lines of every length", Varied()},
      {"no line feed at the end", Lines(500) + "E,8"},
      {"an empty last line", Lines(500) + "\n"},
      {"quotes with line breaks", Lines(300) + "\"第一行\n第二行\r\n" + QByteArray(300, 'q') + "\n尾\",9\n" +
                                      Lines(300)},
      {"quotes open to the end", Lines(300) + "\"open\n" + Lines(300)},
      {"quotes with a lone CR across an edge",
       Lines(300) + "\"a\rb\n" + QByteArray(300, 'q') + "\",9\n" + Lines(300)},
      {"a long line", Lines(300) + QByteArray(5000, 'n') + ",1\n" + Lines(300)},
      {"lone CRs", QByteArray("A,1\r").repeated(300)},
      {"a byte that is no UTF-8", Lines(3000) + "\xFF,1\n" + Lines(100)},
      {"a broken character", Lines(3000) + "\xE5\x8D\n" + Lines(100)},
      {"a tab", Lines(3000) + "A\t1\n" + Lines(100), true},
      {"one short line", "A,1\n"},
      {"nothing", ""},
  };
  for (const Case& c : cases) {
    RecordingSink inPlace;
    const PlainCsvSplit expected = SplitPlainCsvLines(c.Bytes, u',', inPlace, c.TabEnds);
    for (const qsizetype window : {1, 2, 3, 5, 7, 13, 64, 4096}) {
      const SplitResult copied = SplitCopying(c.Bytes, c.TabEnds, window);
      EXPECT_EQ(copied.Split, expected) << c.Name << window;
      // Lines handed on before a reading stops early are thrown away, and
      // UTF-8 is checked ahead only as far as a window goes.
      if (expected == PlainCsvSplit::Done) {
        EXPECT_EQ(copied.Seen, inPlace.Seen) << c.Name << window;
      }
    }
  }
}

// A file of many windows is read a window's worth at a time: the memory
// the reading holds does not grow with the file.
TEST(CsvPlainLines, CopiesAWindowAtATime) {
  const QByteArray bytes = Lines(3 * kCopyWindow);
  RecordingSink inPlace;
  ASSERT_EQ(SplitPlainCsvLines(bytes, u',', inPlace), PlainCsvSplit::Done);
  const SplitResult copied = SplitCopying(bytes, false, kCopyWindow);
  EXPECT_EQ(copied.Seen, inPlace.Seen);
  EXPECT_LE(copied.MostCopied, kCopyWindow);
}

}  // namespace
}  // namespace qh
