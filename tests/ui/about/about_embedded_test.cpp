// Hex decoding and the built-in assets.
#include <gtest/gtest.h>

#include "ui/about/embedded_assets.h"
#include "ui/about/cursor_file.h"
#include "ui/about/embedded_hex.h"
#include "ui/about/hand_cursor.h"

namespace qh {
namespace {

TEST(HexDigitValueTest, DigitsAndNonDigits) {
  const struct {
    char16_t C;
    int Value;
  } cases[] = {{u'0', 0},  {u'9', 9},  {u'A', 10},  {u'a', 10}, {u'F', 15},
               {u'f', 15}, {u'G', -1}, {u'g', -1},  {u' ', -1}, {u'/', -1},
               {u':', -1}, {u'@', -1}, {u'０', -1}, {u'Ａ', -1}};
  for (const auto& c : cases) {
    EXPECT_EQ(HexDigitValue(QChar(c.C)), c.Value) << "char U+" << std::hex << int(c.C);
  }
}

TEST(DecodeHexTest, LengthAndDigitRules) {
  const struct {
    const char* Name;
    QString Text;
    qint64 Expected;
    std::optional<QByteArray> Bytes;
  } cases[] = {
      {"exact", "00FF7a", 3, QByteArray("\x00\xFF\x7A", 3)},
      {"lower case", "abcdef", 3, QByteArray("\xAB\xCD\xEF", 3)},
      {"odd trailing digit ignored", "0102X", 2, QByteArray("\x01\x02", 2)},
      {"two digits short", "0102", 3, std::nullopt},
      {"two digits long", "01020304", 3, std::nullopt},
      {"G in the middle", "01G203", 3, std::nullopt},
      {"space between bytes", "01 203", 3, std::nullopt},
      {"empty text, one byte expected", "", 1, std::nullopt},
      {"empty text, none expected", "", 0, QByteArray()},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecodeHex(c.Text, c.Expected), c.Bytes) << c.Name;
  }
}

TEST(EmbeddedAssetsTest, TextMatchesTheDeclaredLengths) {
  EXPECT_EQ(QrImageHex().size(), 2 * kQrImageBytes);
  EXPECT_EQ(HandCursorHex().size(), 2 * kHandCursorBytes);
  EXPECT_EQ(QrImageHex(), QrImageHex().toUpper());
  EXPECT_EQ(HandCursorHex(), HandCursorHex().toUpper());
}

TEST(EmbeddedAssetsTest, AssetsAreAJpegAndACursor) {
  const QByteArray qr = QrImageBytes().value_or(QByteArray());
  const QByteArray cursor = HandCursorBytes().value_or(QByteArray());
  EXPECT_EQ(qr.size(), kQrImageBytes);
  EXPECT_TRUE(qr.startsWith("\xFF\xD8"));
  EXPECT_TRUE(qr.endsWith("\xFF\xD9"));
  EXPECT_EQ(cursor.size(), kHandCursorBytes);
  EXPECT_TRUE(cursor.startsWith(QByteArray("\x00\x00\x02\x00\x01\x00", 6)));
}

TEST(CursorDecodeTest, BuiltInHandHasItsHotSpotOnTheFingertip) {
  const std::optional<QByteArray> bytes = HandCursorBytes();
  ASSERT_TRUE(bytes);
  const std::optional<CursorPicture> cursor = DecodeCursorFile(*bytes);
  ASSERT_TRUE(cursor);
  EXPECT_EQ(cursor->Image.size(), QSize(32, 32));
  EXPECT_EQ(cursor->HotSpot, QPoint(5, 0));
  EXPECT_EQ(qAlpha(cursor->Image.pixel(cursor->HotSpot)), 255);  // the fingertip itself
  EXPECT_EQ(qAlpha(cursor->Image.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(cursor->Image.pixel(31, 31)), 0);
  EXPECT_EQ(cursor->Image.pixel(5, 5), qRgb(255, 255, 255));  // inside the finger

  const std::optional<QCursor> pointer = EmbeddedHandCursor();
  ASSERT_TRUE(pointer);
  EXPECT_EQ(pointer->hotSpot(), QPoint(5, 0));
  EXPECT_EQ(pointer->pixmap().size(), QSize(32, 32));
}

TEST(CursorDecodeTest, DamagedFilesAreRefused) {
  const QByteArray good = *HandCursorBytes();
  QByteArray wrongType = good;
  wrongType[2] = 1;  // an icon, not a cursor
  QByteArray farOffset = good;
  farOffset[18] = char(0x7F);  // image offset beyond the end
  const struct {
    const char* Name;
    QByteArray Bytes;
  } cases[] = {{"empty", QByteArray()},
               {"header only", good.left(22)},
               {"cut in the mask", good.left(good.size() - 10)},
               {"not a cursor", wrongType},
               {"image outside the file", farOffset}};
  for (const auto& c : cases) EXPECT_FALSE(DecodeCursorFile(c.Bytes)) << c.Name;
}

}  // namespace
}  // namespace qh
