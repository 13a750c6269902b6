#include "data/text_decode.h"

#include "base/text_utils.h"
#include "data/byte_search.h"
#include "support/guarded_bytes.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace qh {
namespace {

QByteArray Bytes(const char* text, qsizetype size) { return QByteArray(text, size); }

TEST(TextDecode, StrictUtf8) {
  struct Case {
    const char* Name;
    QByteArray Bytes;
    bool Valid;
    QString Text;
  };
  // clang-format off
  const Case cases[] = {
      {"ascii", "a,b\n", true, QStringLiteral("a,b\n")},
      {"chinese", "\xE4\xB8\xAD\xE5\x9B\xBD", true, QStringLiteral("中国")},
      {"four bytes", "\xF0\x9F\x98\x80", true, QString::fromUcs4(U"\U0001F600", 1)},
      {"literal replacement char", "A\xEF\xBF\xBD" "B", true, QStringLiteral("A\uFFFDB")},
      {"nul byte", Bytes("a\0b", 3), true, QString::fromUtf16(u"a\0b", 3)},
      {"bad continuation", "\xE4\x41\xAD", false, {}},
      {"stray continuation", "\x80", false, {}},
      {"overlong slash", "\xC0\xAF", false, {}},
      {"overlong three", "\xE0\x80\xAF", false, {}},
      {"surrogate", "\xED\xA0\x80", false, {}},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80", false, {}},
      {"truncated at end", "ab\xE4\xB8", false, {}},
      {"surrogate after chinese", "\xE4\xB8\xAD\xED\xA0\x80", false, {}},
      {"overlong after chinese", "\xE4\xB8\xAD\xE0\x80\xAF", false, {}},
      {"truncated after chinese", "\xE4\xB8\xAD\xE5\x9B", false, {}},
      {"bad third byte after chinese", "\xE4\xB8\xAD\xE5\x9B\x41", false, {}},
      {"chinese then four bytes", "\xE4\xB8\xAD\xF0\x9F\x98\x80", true,
       QStringLiteral("中") + QString::fromUcs4(U"\U0001F600", 1)},
      {"gbk zhong", "\xD6\xD0", false, {}},
      {"bad byte after a long ASCII run", QByteArray(70, 'a') + "\xE4\xB8\xAD" + QByteArray(40, 'b') + "\xFF",
       false, {}},
      {"long mixed run", QByteArray(33, 'a') + "\xE4\xB8\xAD" + QByteArray(64, 'b'), true,
       QString(33, u'a') + QStringLiteral("中") + QString(64, u'b')},
  };
  // clang-format on
  for (const Case& c : cases) {
    QString out;
    EXPECT_EQ(DecodeUtf8Strict(c.Bytes, out), c.Valid) << c.Name;
    EXPECT_EQ(IsValidUtf8(c.Bytes), c.Valid) << c.Name;
    if (c.Valid) {
      EXPECT_EQ(out, c.Text) << c.Name;
      std::vector<char16_t> units(static_cast<size_t>(c.Bytes.size()) + 1);
      const char16_t* end = DecodeUtf8Into(c.Bytes, units.data());
      EXPECT_EQ(QStringView(units.data(), end), c.Text) << c.Name;
    }
  }
}

TEST(TextDecode, CodePage936) {
  struct Case {
    const char* Name;
    QByteArray Bytes;
    QString Text;
  };
  // clang-format off
  const Case cases[] = {
      {"two characters", "\xD6\xD0\xB9\xFA", QStringLiteral("中国")},
      {"0xFF is no character", "\xFF" "A", QStringLiteral("\uFFFDA")},
      {"lead byte before ASCII keeps it", "\x81<", QStringLiteral("\uFFFD<")},
      {"lead byte before line feed", "\xB9\n", QStringLiteral("\uFFFD\n")},
      {"lead byte at the end", "A\xD6", QStringLiteral("A\uFFFD")},
      {"lead byte before 0xFF", "\xD6\xFF" "B", QStringLiteral("\uFFFD\uFFFDB")},
      {"only 0xFF", "\xFF\xFF", QStringLiteral("\uFFFD\uFFFD")},
  };
  // clang-format on
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeCodePage936(c.Bytes), c.Text) << c.Name;
    EXPECT_EQ(CodePage936ToUtf8(c.Bytes), c.Text.toUtf8()) << c.Name;
  }
}

// Read a character at a time, every pair of bytes, and random runs of the
// bytes that start, end or break characters, decode as the converter
// decodes them.
TEST(TextDecode, CodePage936IntoAsTheConverter) {
  ASSERT_TRUE(CanDecodeCodePage936Into());
  const auto into = [](const QByteArray& bytes) {
    std::vector<char16_t> units(static_cast<size_t>(bytes.size()) + 1);
    return QStringView(units.data(), DecodeCodePage936Into(bytes, units.data())).toString();
  };
  for (int lead = 0; lead < 256; ++lead) {
    for (int trail = 0; trail < 256; ++trail) {
      const char three[] = {static_cast<char>(lead), static_cast<char>(trail), 'A'};
      const QByteArray bytes(three, 3);
      ASSERT_EQ(into(bytes), DecodeCodePage936(bytes)) << lead << ' ' << trail;
    }
  }
  std::mt19937 random(936);
  const char alphabet[] = "aZ<>/ \n\x40\x7E\x7F\x80\x81\xA1\xA1\xB0\xD6\xD0\xFE\xFF";
  for (int k = 0; k < 2000; ++k) {
    QByteArray bytes;
    for (auto n = static_cast<unsigned>(random() % 40); n > 0; --n)
      bytes += alphabet[random() % (sizeof alphabet - 1)];
    ASSERT_EQ(into(bytes), DecodeCodePage936(bytes)) << bytes.toHex().toStdString();
  }
}

// Decoded a block at a time, a text reads as decoded whole: characters cut
// by a block's end, and runs of 0xFF longer than a block.
TEST(TextDecode, CodePage936InBlocksAsWhole) {
  const qsizetype block = qsizetype(1) << 20;
  const QByteArray texts[] = {
      QByteArray(block - 1, 'a') + "\xD6\xD0" + QByteArray(10, 'b'),
      QByteArray(block - 1, 'a') + "\xD6\xD0\xB9\xFA\xFF\x81",
      "\xD6\xD0" + QByteArray(block + 5, '\xFF') + "\xB9\xFA",
      QByteArray(2 * block + 1, '\xB9'),
  };
  for (const QByteArray& bytes : texts) {
    EXPECT_EQ(CodePage936ToUtf8(bytes), DecodeCodePage936(bytes).toUtf8()) << bytes.size();
  }
}

TEST(TextDecode, FileTextFallsBackOnlyForInvalidUtf8) {
  EXPECT_EQ(DecodeFileText(QByteArray("\xE4\xB8\xAD")), QStringLiteral("中"));
  EXPECT_EQ(DecodeFileText(QByteArray("\xD6\xD0,1")), QStringLiteral("中,1"));
  // One invalid sequence anywhere sends the whole file through code page 936.
  EXPECT_EQ(DecodeFileText(QByteArray("\xE4\xB8\xAD \xD6\xD0")),
            DecodeCodePage936("\xE4\xB8\xAD \xD6\xD0"));
  EXPECT_EQ(DecodeFileText(QByteArray("\xEF\xBF\xBD")), QStringLiteral("\uFFFD"));
  EXPECT_TRUE(DecodeFileText(QByteArray()).isEmpty());
}

// Read in place only where that gives the very text decoding gives: little
// endian, whole units, aligned; a lone surrogate kept either way.
TEST(TextDecode, Utf16InPlaceOnlyWhereItReadsTheSame) {
  struct Case {
    const char* Name;
    QByteArray Bytes;
    bool InPlace;
  };
  const Case kCases[] = {
      {"little endian", QByteArray("\xFF\xFE\x2D\x4E\x2C\x00\x31\x00\x00\xD8", 10), true},
      {"mark only", QByteArray("\xFF\xFE"), true},
      {"odd last byte", QByteArray("\xFF\xFE\x2D\x4E\x31", 5), false},
      {"big endian", QByteArray("\xFE\xFF\x4E\x2D", 4), false},
      {"no mark", QByteArray("\x2D\x4E"), false},
  };
  for (const Case& c : kCases) {
    const auto view = Utf16InPlace(c.Bytes);
    ASSERT_EQ(view.has_value(), c.InPlace) << c.Name;
    if (!view || !StartsWithUtf16Mark(c.Bytes)) continue;
    QByteArray copy = c.Bytes;
    EXPECT_EQ(view->toString(), DecodeUtf16AndRelease(copy)) << c.Name;
  }
  // Units that straddle their alignment are decoded instead.
  const QByteArray shifted = QByteArray(1, 'x') + "\xFF\xFE\x31\x00";
  EXPECT_FALSE(Utf16InPlace(QByteArrayView(shifted).sliced(1)).has_value());
}

// Texts of every length around the sixteen-byte steps, from pieces that
// decide the counts: spaces of three kinds, near misses of them, and
// characters of one to four bytes.
std::vector<QByteArray> MixedTexts() {
  static const char* const kPieces[] = {
      "a", " ", "\xC2\xA0", "\xE3\x80\x80", "\xE3\x80\x81", "\xC2\xA9", "\xE5\x8D\x8E",
      "\xE0\xA4\x85", "\xED\x9F\xBF", "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF", "7,\""};
  std::mt19937 random(40);
  std::vector<QByteArray> texts;
  for (int i = 0; i < 3000; ++i) {
    QByteArray text;
    const int pieces = static_cast<int>(random() % 40);
    for (int k = 0; k < pieces; ++k) text += kPieces[random() % std::size(kPieces)];
    texts.push_back(text);
  }
  return texts;
}

TEST(TextDecode, StrippedLengthIsTheDecodedLength) {
  for (const QByteArray& text : MixedTexts()) {
    QString decoded;
    ASSERT_TRUE(DecodeUtf8Strict(text, decoded));
    EXPECT_EQ(StrippedUtf16Length(std::string_view(text.data(), static_cast<size_t>(text.size()))),
              StripSpaces(decoded).size())
        << text.toHex().constData();
  }
}

TEST(TextDecode, Utf8CheckAgreesWithTheDecoder) {
  // Each text broken at one place in one way: every fault and every place
  // around the steps, against what the decoder says of the same bytes.
  static const char* const kFaults[] = {
      "\x80", "\xE5\x8D", "\xE0\x80\x80", "\xED\xA0\x80", "\xC1\xBF", "\xF4\x90\x80\x80", "\xF5",
      "\xFF", "\xE5", "\xF0\x9F\x98", "\xC2", "\xE0\x9F\xBF", "\xED\xBF\xBF", "\xF0\x8F\xBF\xBF",
      "\xF5\x80\x80\x80", "\xF8\x88\x80\x80\x80", "\xBF\xBF", "\xE5\x8D\x8E\x8E"};
  std::mt19937 random(41);
  for (const QByteArray& text : MixedTexts()) {
    QByteArray broken = text;
    if (random() % 4 != 0) {
      const auto at = random() % static_cast<std::mt19937::result_type>(text.size() + 1);
      broken.insert(static_cast<qsizetype>(at), kFaults[random() % std::size(kFaults)]);
    }
    QString decoded;
    EXPECT_EQ(IsValidUtf8(broken), DecodeUtf8Strict(broken, decoded)) << broken.toHex().constData();
  }
}

// Every kind of character, whole, cut short or broken, at every place of a
// step of 32 bytes, followed by nothing, by ASCII or by Chinese: a
// character cut at a step's edge is judged by the next step, or at the end.
TEST(TextDecode, Utf8CheckAtEveryPlaceOfAStep) {
  static const char* const kCharacters[] = {
      "\xC2\xA9", "\xE5\x8D\x8E", "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF", "\xC2", "\xE5\x8D",
      "\xF0\x9F\x98", "\xF0\x9F", "\xF0", "\xED\xA0\x80", "\xE0\x80\x80", "\xF4\x90\x80\x80",
      "\x80", "\xFF"};
  const QByteArray follows[] = {"", QByteArray(40, 'b'), QByteArray("\xE4\xB8\xAD").repeated(15)};
  for (const char* character : kCharacters) {
    for (qsizetype before = 60; before < 100; ++before) {
      for (const QByteArray& after : follows) {
        const QByteArray text = QByteArray(before, 'a') + character + after;
        QString decoded;
        EXPECT_EQ(IsValidUtf8(text), DecodeUtf8Strict(text, decoded)) << text.toHex().constData();
      }
    }
  }
}

// Texts that end where readable memory ends: the last bytes are looked at
// sixteen at a time too, and never one past the end.
TEST(TextDecode, LastBytesBeforeAnUnreadablePage) {
  for (const QByteArray& text : MixedTexts()) {
    const test::GuardedBytes guarded(text);
    ASSERT_TRUE(guarded.Ok());
    const QByteArrayView bytes = guarded.View();
    QString decoded;
    EXPECT_EQ(IsValidUtf8(bytes), DecodeUtf8Strict(text, decoded));
    EXPECT_EQ(StrippedUtf16Length(std::string_view(bytes.data(), static_cast<size_t>(bytes.size()))),
              StripSpaces(decoded).size());
    const char* const end = bytes.data() + bytes.size();
    EXPECT_EQ(FindAnyOf(bytes.data(), end, ',', '"', '\x8E') - bytes.data(),
              text.indexOf(',') < 0 && text.indexOf('"') < 0 && text.indexOf('\x8E') < 0
                  ? text.size()
                  : std::min({text.indexOf(',') < 0 ? text.size() : text.indexOf(','),
                              text.indexOf('"') < 0 ? text.size() : text.indexOf('"'),
                              text.indexOf('\x8E') < 0 ? text.size() : text.indexOf('\x8E')}));
  }
}

}  // namespace
}  // namespace qh
