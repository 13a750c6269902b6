#include "png/png_encoder.h"

#include "png/huffman.h"

#include <QBuffer>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <functional>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace qh {
namespace {

QImage Filled(int width, int height, const std::function<QRgb(int, int)>& colourAt) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.setPixel(x, y, colourAt(x, y));
  return image;
}

QImage Noise(int width, int height, quint32 seed) {
  QRandomGenerator random(seed);
  return Filled(width, height, [&](int, int) { return 0xFF000000u | random.generate(); });
}

// Grey levels drawn with Fibonacci weights: their Huffman code would be far
// deeper than deflate's 15 bits, so the encoder must limit it.
QImage SkewedGreys(int width, int height) {
  std::vector<int> levels;
  for (int symbol = 0, a = 1, b = 1; symbol < 24; ++symbol, std::tie(a, b) = std::pair(b, a + b))
    levels.insert(levels.end(), static_cast<size_t>(a), symbol * 10);
  QRandomGenerator random(3);
  return Filled(width, height, [&](int, int) {
    const int grey = levels[random.bounded(static_cast<quint32>(levels.size()))];
    return qRgb(grey, 255 - grey, grey / 2);
  });
}

QByteArray QtLevelOne(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "png");
  writer.setQuality(80);  // zlib level 1
  writer.write(image);
  return bytes;
}

int DataChunks(const QByteArray& png) {
  int count = 0;
  for (qsizetype at = 8; at + 8 <= png.size();) {
    const auto length = qFromBigEndian<quint32>(png.constData() + at);
    count += png.mid(at + 4, 4) == "IDAT";
    at += 12 + static_cast<qsizetype>(length);
  }
  return count;
}

// Every picture decodes to exactly its pixels: the cases reach the two
// kinds of copy, runs split at the longest copy a code can say, lines too
// long to copy from the line above, several blocks, codes that must be
// length-limited, and a stream spread over several IDAT chunks.
TEST(PngEncoder, DecodesToTheSamePixels) {
  const struct {
    const char* Name;
    QImage Image;
    size_t ChunkLimit;
  } cases[] = {
      {"one pixel", Filled(1, 1, [](int, int) { return qRgb(12, 34, 56); }), 0},
      {"one white line", Filled(640, 1, [](int, int) { return qRgb(255, 255, 255); }), 0},
      {"runs of 86 to 88 pixels (258 bytes and around)",
       Filled(87 * 3, 3, [](int x, int y) { return x < 86 + y ? qRgb(9, 9, 9) : qRgb(200, 1, 1); }),
       0},
      {"stripes",
       Filled(300, 200,
              [](int x, int y) { return (x / 7 + y / 5) % 2 ? 0xFF3366CCu : 0xFFFFFFFFu; }),
       0},
      {"a line repeated, then the one before it again",
       Filled(40, 4, [](int x, int y) { return y == 1 || y == 2 ? qRgb(x, 9, 9) : qRgb(9, x, 9); }),
       0},
      {"noise: literals only, several blocks", Noise(301, 257, 7), 0},
      {"lines too long to reach the line above",
       Filled(11000, 3, [](int x, int) { return qRgb(x % 256, 0, 0); }), 0},
      {"the widest line a copy from above reaches, and one pixel more",
       Filled(10923, 4,
              [](int x, int y) { return x < 5000 + y ? qRgb(47, 128, 237) : 0xFFFFFFFFu; }),
       0},
      {"literal codes limited to 15 bits", SkewedGreys(512, 300), 0},
      {"the stream in IDAT chunks of 100 bytes", Noise(40, 30, 11), 100},
  };
  for (const auto& c : cases) {
    const QByteArray png = c.ChunkLimit ? EncodePng(c.Image, c.ChunkLimit) : EncodePng(c.Image);
    QImage back;
    ASSERT_TRUE(back.loadFromData(png, "PNG")) << c.Name;
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), c.Image) << c.Name;
    EXPECT_EQ(back.dotsPerMeterX(), c.Image.dotsPerMeterX()) << c.Name;
    if (c.ChunkLimit) {
      EXPECT_GT(DataChunks(png), 10) << c.Name;
    }
  }
}

// Flat colour is where the two copies tie; the file stays as small as a
// general encoder's at its fastest setting.
TEST(PngEncoder, FlatPictureIsNoLargerThanAGeneralEncoders) {
  for (const QSize size : {QSize(1920, 1080), QSize(10922, 40), QSize(10923, 40)}) {
    QImage white(size, QImage::Format_RGB32);
    white.fill(Qt::white);
    EXPECT_LE(EncodePng(white).size(), QtLevelOne(white).size() * 105 / 100) << size.width();
  }
}

// Deflate allows 15-bit codes for literals and distances and 7-bit codes
// for the code length code. Fibonacci counts make the deepest Huffman tree
// there is, so both limits are reached; the limited code must still be
// complete (Kraft sum 1) and prefix-free, and give every used symbol a code.
TEST(PngHuffman, LimitedCodesStayCompleteAndPrefixFree) {
  for (const auto& [symbols, maxBits] : {std::pair(286, 15), std::pair(19, 7), std::pair(30, 15)}) {
    std::vector<uint32_t> freq(static_cast<size_t>(symbols));
    for (size_t s = 0, a = 1, b = 1; s < freq.size(); ++s, std::tie(a, b) = std::pair(b, a + b))
      freq[s] = static_cast<uint32_t>(std::min<size_t>(a, 1u << 30));
    freq[5] = 0;  // an unused symbol gets no code
    std::vector<uint8_t> unlimited(freq.size()), lengths(freq.size());
    png::CodeLengths(freq, 64, unlimited);
    ASSERT_GT(*std::max_element(unlimited.begin(), unlimited.end()), maxBits) << symbols;

    png::CodeLengths(freq, maxBits, lengths);
    double kraft = 0;
    for (size_t s = 0; s < freq.size(); ++s) {
      EXPECT_EQ(lengths[s] == 0, freq[s] == 0) << symbols << " symbol " << s;
      EXPECT_LE(lengths[s], maxBits) << symbols << " symbol " << s;
      if (lengths[s]) kraft += std::ldexp(1.0, -lengths[s]);
    }
    EXPECT_DOUBLE_EQ(kraft, 1.0) << symbols;

    std::vector<uint16_t> codes(freq.size());
    png::CanonicalCodes(lengths, codes);
    for (size_t a = 0; a < freq.size(); ++a)
      for (size_t b = 0; b < freq.size(); ++b) {
        if (a == b || !lengths[a] || !lengths[b] || lengths[a] > lengths[b]) continue;
        // Bit-reversed codes: a is a prefix of b when b's low bits equal a.
        const uint16_t mask = static_cast<uint16_t>((1u << lengths[a]) - 1);
        EXPECT_NE(codes[b] & mask, codes[a]) << symbols << ": " << a << " prefixes " << b;
      }
  }
}

}  // namespace
}  // namespace qh
