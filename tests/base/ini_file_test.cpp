#include "base/ini_file.h"

#include "base/code_page.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <chrono>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qh {
namespace {

class IniFileTest : public ::testing::Test {
 protected:
  QString Path() const { return dir_.filePath(QStringLiteral("t.ini")); }
  void Put(const QByteArray& bytes) {
    QFile f(Path());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  QByteArray Get() const {
    QFile f(Path());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  QTemporaryDir dir_;
};

TEST_F(IniFileTest, ReadsCaseInsensitivelyAndTrims) {
  Put("; comment\r\n[limits]\r\n  MAXITEMS =  123 \r\n[Update]\r\nUrl=\"http://a b/\"\r\n");
  const IniFile ini(Path());
  EXPECT_EQ(ini.ReadRaw(u"Limits", u"MaxItems", "x"), QStringLiteral("123"));
  EXPECT_EQ(ini.ReadRaw(u"UPDATE", u"url", "x"), QStringLiteral("http://a b/"));
  EXPECT_EQ(ini.IniRead(u"Update", u"Url", "x"), QStringLiteral("http://ab/"));
  EXPECT_EQ(ini.ReadRaw(u"Update", u"Missing", "dflt"), QStringLiteral("dflt"));
  EXPECT_EQ(ini.ReadRaw(u"Nowhere", u"Url", "dflt"), QStringLiteral("dflt"));
  // A key of another section is not found through this one.
  EXPECT_EQ(ini.ReadRaw(u"Update", u"MaxItems", "dflt"), QStringLiteral("dflt"));
}

TEST_F(IniFileTest, MissingFileReadsDefaultsAndWriteCreatesIt) {
  const IniFile ini(Path());
  EXPECT_EQ(ini.IniReadInt(u"A", u"b", 7), 7);
  EXPECT_TRUE(ini.IniWrite(u"Bar", u"NoName", u"1"));
  EXPECT_EQ(Get(), QByteArray("[Bar]\r\nNoName=1\r\n"));
}

TEST_F(IniFileTest, ValueIsCutAtNulAndAtBufferSize) {
  Put(QByteArray("[S]\r\nk=ab") + '\0' + "cd\r\nlong=" + QByteArray(5000, 'x') + "\r\n");
  const IniFile ini(Path());
  EXPECT_EQ(ini.ReadRaw(u"S", u"k", ""), QStringLiteral("ab"));
  EXPECT_EQ(ini.ReadRaw(u"S", u"long", "").size(), IniFile::kMaxValueChars);
}

TEST_F(IniFileTest, FirstSectionWinsAndByteOrderMarkIsSkipped) {
  Put("\xEF\xBB\xBF[A]\rk=1\r[a]\rk=2\r");
  const IniFile ini(Path());
  EXPECT_EQ(ini.ReadRaw(u"A", u"k", ""), QStringLiteral("1"));
  EXPECT_TRUE(ini.IniWrite(u"a", u"n", u"3"));
  EXPECT_EQ(Get(), QByteArray("\xEF\xBB\xBF[A]\rk=1\rn=3\r[a]\rk=2\r"));
}

TEST_F(IniFileTest, ReadsGbkText) {
  Put("[Recent]\r\nLastFile=C:\\\xC7\xE0\xBA\xCC.html\r\n");  // 青禾
  EXPECT_EQ(IniFile(Path()).ReadRaw(u"Recent", u"LastFile", ""), QStringLiteral("C:\\青禾.html"));
}

struct WriteCase {
  const char* Name;
  QByteArray Before;
  const char16_t* Section;
  const char16_t* Key;
  const char16_t* Value;
  QByteArray After;
};

TEST_F(IniFileTest, WritesInPlaceAndKeepsEveryOtherByte) {
  const QByteArray base =
      "; head \xC7\xE0\r\n[Colors]\r\n; colour\r\nLineColor = "
      "#2F80ED\r\n\r\n[Display]\r\nShowValue=1\r\n";
  // clang-format off
  const WriteCase cases[] = {
      {"replace keeps key spelling", base, u"colors", u"LINECOLOR", u"#FF0000",
       "; head \xC7\xE0\r\n[Colors]\r\n; colour\r\nLineColor =#FF0000\r\n\r\n[Display]\r\nShowValue=1\r\n"},
      {"append key after last used line of section", base, u"Colors", u"Extra", u"x",
       "; head \xC7\xE0\r\n[Colors]\r\n; colour\r\nLineColor = #2F80ED\r\nExtra=x\r\n\r\n[Display]\r\nShowValue=1\r\n"},
      {"append section at end", base, u"Bar", u"NoName", u"0",
       base + "[Bar]\r\nNoName=0\r\n"},
      {"LF file stays LF", "[A]\nx=1\n", u"A", u"y", u"2", "[A]\nx=1\ny=2\n"},
      {"last line without break", "[A]\r\nx=1", u"A", u"y", u"2", "[A]\r\nx=1\r\ny=2\r\n"},
      {"new section after open last line", "[A]\r\nx=1", u"B", u"y", u"2",
       "[A]\r\nx=1\r\n[B]\r\ny=2\r\n"},
      {"line breaks in a value cannot add lines", "[A]\r\nx=1\r\n", u"A", u"x", u"a\r\n[B]",
       "[A]\r\nx=a  [B]\r\n"},
      {"GBK value", "[Recent]\r\nLastFile=\r\n", u"Recent", u"LastFile", u"青禾",
       "[Recent]\r\nLastFile=\xC7\xE0\xBA\xCC\r\n"},
  };
  // clang-format on
  for (const WriteCase& c : cases) {
    Put(c.Before);
    EXPECT_TRUE(IniFile(Path()).IniWrite(c.Section, c.Key, c.Value)) << c.Name;
    EXPECT_EQ(Get(), c.After) << c.Name;
  }
}

TEST_F(IniFileTest, JunkNeverCrashesAndStaysIntact) {
  QByteArray junk;
  for (int i = 0; i < 70000; ++i) junk += static_cast<char>((i * 7919) % 256);
  // Just under the size the reader refuses.
  const QByteArray oneLine = QByteArray(IniFile::kMaxFileBytes - 64, '\x81');
  const QByteArray manyLines = QByteArray(IniFile::kMaxFileBytes - 64, '\n');
  for (const QByteArray& bytes : {junk, oneLine, manyLines}) {
    Put(bytes);
    const IniFile ini(Path());
    EXPECT_EQ(ini.IniReadInt(u"Limits", u"MaxItems", 5), 5);
    EXPECT_TRUE(ini.IniWrite(u"Bar", u"NoName", u"1"));
    const QByteArray after = Get();
    EXPECT_TRUE(after.startsWith(bytes));
    EXPECT_EQ(ini.IniRead(u"Bar", u"NoName", ""), QStringLiteral("1"));
  }
}

// Notepad's "Unicode" and "UTF-8" files are read, and written back in the
// encoding they came in; GBK bytes stay GBK.
TEST_F(IniFileTest, ByteOrderMarkFilesAreReadAndWrittenBackInTheirEncoding) {
  const QString before =
      QStringLiteral("; 配置\r\n[Limits]\r\nPageSize=7\r\n[Recent]\r\nLastFile=旧\r\n");
  const QString after = QStringLiteral(
      "; 配置\r\n[Limits]\r\nPageSize=7\r\n[Recent]\r\nLastFile=青禾.html\r\n"
      "[Colors]\r\nLineColor=#FF0000\r\n");
  auto utf16 = [](const QString& text, bool little, bool mark = true) {
    QStringEncoder encoder(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
    return QByteArray(!mark ? "" : little ? "\xFF\xFE" : "\xFE\xFF") + QByteArray(encoder(text));
  };
  const struct {
    const char* Name;
    QByteArray Before, After;
    IniFile::Encoding Encoding;
  } cases[] = {
      {"UTF-16 LE", utf16(before, true), utf16(after, true), IniFile::Encoding::Utf16Le},
      {"UTF-16 BE", utf16(before, false), utf16(after, false), IniFile::Encoding::Utf16Be},
      // Saved by tools that write no byte order mark: told by the NUL bytes.
      {"UTF-16 LE without a mark", utf16(before, true, false), utf16(after, true, false),
       IniFile::Encoding::Utf16Le},
      {"UTF-16 BE without a mark", utf16(before, false, false), utf16(after, false, false),
       IniFile::Encoding::Utf16Be},
      {"UTF-8", "\xEF\xBB\xBF" + before.toUtf8(), "\xEF\xBB\xBF" + after.toUtf8(),
       IniFile::Encoding::Utf8},
      {"GBK", EncodeGbk(before), EncodeGbk(after), IniFile::Encoding::Gbk},
  };
  for (const auto& c : cases) {
    Put(c.Before);
    const IniFile ini(Path());
    EXPECT_EQ(ini.FileEncoding(), c.Encoding) << c.Name;
    EXPECT_EQ(ini.IniReadInt(u"Limits", u"PageSize", 20), 7) << c.Name;
    EXPECT_EQ(ini.ReadRaw(u"Recent", u"LastFile", ""), QStringLiteral("旧")) << c.Name;
    EXPECT_TRUE(ini.IniWriteAll(
        {{QStringLiteral("Recent"), QStringLiteral("LastFile"), QStringLiteral("青禾.html")},
         {QStringLiteral("Colors"), QStringLiteral("LineColor"), QStringLiteral("#FF0000")}}))
        << c.Name;
    EXPECT_EQ(Get(), c.After) << c.Name;
    EXPECT_EQ(IniFile(Path()).ReadRaw(u"Recent", u"LastFile", ""), QStringLiteral("青禾.html"))
        << c.Name;
  }
}

// Nothing that is not a small plain file is read or replaced, nor does a
// write make the file too large to be read again; opening a pipe does not
// wait for a writer.
TEST_F(IniFileTest, FilesNotReadOrNotGrown) {
  const QByteArray big = "[Limits]\r\nPageSize=7\r\n" + QByteArray(IniFile::kMaxFileBytes, ';');
  const QByteArray header = "[Limits]\r\nPageSize=7\r\n";
  const QByteArray justUnder = header + QByteArray(IniFile::kMaxFileBytes - 1 - header.size(), ';');
  const QString folder = dir_.filePath(QStringLiteral("folder.ini"));
  const QString pipe = dir_.filePath(QStringLiteral("pipe.ini"));
  ASSERT_TRUE(QDir().mkdir(folder));
  ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
  const struct {
    const char* Name;
    QString File;
    QByteArray Bytes;  // put into t.ini first, when not empty
    IniFile::FileState State;
    int PageSize;  // as read
    int Error;     // of the refused write
    const char* Reason;
  } cases[] = {
      {"over 1 MB", Path(), big, IniFile::FileState::TooLarge, 20, EFBIG,
       "设置文件大于 1 MB,程序不读取也不改写它"},
      {"1 MB less a byte", Path(), justUnder, IniFile::FileState::Read, 7, EFBIG,
       "保存后设置文件会大于 1 MB,程序将不再读取它,所以没有保存"},
      {"a folder", folder, {}, IniFile::FileState::NotAFile, 20, EISDIR, "这是一个文件夹"},
      {"a pipe",
       pipe,
       {},
       IniFile::FileState::NotAFile,
       20,
       0,
       "设置文件不是普通文件(管道或设备),程序不读取也不改写它"},
      {"a device",
       QStringLiteral("/dev/zero"),
       {},
       IniFile::FileState::NotAFile,
       20,
       0,
       "设置文件不是普通文件(管道或设备),程序不读取也不改写它"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    if (!c.Bytes.isEmpty()) Put(c.Bytes);
    // A blocked open is freed by a writer coming and going.
    auto reading = std::async(std::launch::async, [&c] { return IniFile(c.File); });
    if (reading.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
      ADD_FAILURE() << "opening it waited";
      ::close(::open(QFile::encodeName(c.File).constData(), O_WRONLY | O_NONBLOCK));
    }
    const IniFile ini = reading.get();
    EXPECT_EQ(ini.State(), c.State);
    EXPECT_EQ(ini.IniReadInt(u"Limits", u"PageSize", 20), c.PageSize);
    const SaveResult write = ini.IniWrite(u"Limits", u"Note", QString(40, u'x'));
    EXPECT_FALSE(write);
    EXPECT_EQ(write.Error, c.Error);
    EXPECT_EQ(write.Reason, QString::fromUtf8(c.Reason));
    if (!c.Bytes.isEmpty()) {
      EXPECT_EQ(Get(), c.Bytes);
    }
  }
  EXPECT_TRUE(QFileInfo(pipe).isReadable() && !QFileInfo(pipe).isFile());
}

struct NumberCase {
  const char* Value;
  int Expected;
};

TEST_F(IniFileTest, ReadIntRoundsHalfEvenAndRejectsNonNumbers) {
  // clang-format off
  const NumberCase cases[] = {
      {"20", 20},   {"20.5", 20},  {"21.5", 22},  {"-2.5", -2},   {"+7", 7},
      {"1e3", 1000}, {".5", 0},    {"1.", 1},     {"1 000", 1000}, {"abc", -1},
      {"", -1},     {"1e", -1},    {"1.2.3", -1}, {"0x10", -1},   {"99999999999", -1},
      {"1,000", -1}, {"--1", -1},  {"1e999", -1},
  };
  // clang-format on
  for (const NumberCase& c : cases) {
    Put(QByteArray("[S]\r\nk=") + c.Value + "\r\n");
    EXPECT_EQ(IniFile(Path()).IniReadInt(u"S", u"k", -1), c.Expected) << c.Value;
  }
}

TEST(IniColor, ParseAndFormat) {
  const struct {
    const char16_t* Text;
    quint32 Expected;
    // clang-format off
  } cases[] = {
      {u"#2F80ED", 0xFF2F80ED}, {u"2f80ed", 0xFF2F80ED}, {u" # ff 00 00 ", 0xFFFF0000},
      {u"#2F80E", 1},           {u"#GG0000", 1},         {u"##2F80ED", 1},
      {u"", 1},                 {u"#2F80ED0", 1},
  };
  // clang-format on
  for (const auto& c : cases) {
    EXPECT_EQ(ParseColor(c.Text, 1), c.Expected) << QString::fromUtf16(c.Text).toStdString();
  }
  EXPECT_EQ(ColorToHex(0x802F80ED), QStringLiteral("#2F80ED"));
  EXPECT_EQ(ColorToHex(0xFF00000A), QStringLiteral("#00000A"));
}

}  // namespace
}  // namespace qh
