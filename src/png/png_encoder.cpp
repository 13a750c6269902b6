#include "png/png_encoder.h"

#include "png/huffman.h"

#include <QImage>
#include <QtEndian>

#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace qh {
namespace {

using png::CanonicalCodes;
using png::CodeLengths;

// Deflate's limits (RFC 1951).
constexpr int kMaxCodeBits = 15;
constexpr int kMaxCodeLengthBits = 7;
constexpr int kLiteralLengthCodes = 286;
constexpr int kDistanceCodes = 30;
constexpr int kCodeLengthCodes = 19;
constexpr int kEndOfBlock = 256;
constexpr size_t kMinMatch = 3;
constexpr size_t kMaxMatch = 258;
constexpr size_t kMaxDistance = 32768;
// Tokens per deflate block: each block gets codes fitted to its own bytes,
// and the memory held stays small however large the picture.
constexpr size_t kBlockTokens = size_t{1} << 16;
constexpr size_t kBytesPerPixel = 3;
constexpr uint8_t kFilterUp = 2;
// The first byte of a line a left copy can reach: past the filter byte and
// the first pixel.
constexpr size_t kFirstCopy = 1 + kBytesPerPixel;
// The largest length a PNG chunk may declare.
constexpr size_t kMaxChunkData = 0x7FFFFFFF;

constexpr std::array<uint16_t, 29> kLengthBase = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                  15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                  67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<uint8_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<uint16_t, 30> kDistanceBase = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<uint8_t, 30> kDistanceExtra = {0, 0, 0,  0,  1,  1,  2,  2,  3,  3,
                                                    4, 4, 5,  5,  6,  6,  7,  7,  8,  8,
                                                    9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// The order in which a block header lists the code length code lengths.
constexpr std::array<uint8_t, kCodeLengthCodes> kCodeLengthOrder = {
    16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// A literal byte (Distance 0) or a copy of Length bytes from Distance back.
struct Token {
  uint16_t Length;
  uint16_t Distance;
};

// Deflate packs bits from the least significant end of each byte.
class BitWriter {
 public:
  void Put(uint32_t bits, int count) {
    pending_ |= uint64_t{bits} << pendingCount_;
    pendingCount_ += count;
    if (pendingCount_ >= 32) {
      if (used_ + 4 > bytes_.size()) bytes_.resize(bytes_.size() * 2 + 4096);
      const auto word = qToLittleEndian(static_cast<uint32_t>(pending_));
      std::memcpy(bytes_.data() + used_, &word, 4);
      used_ += 4;
      pending_ >>= 32;
      pendingCount_ -= 32;
    }
  }
  std::vector<uint8_t> Finish() {
    bytes_.resize(used_);
    for (; pendingCount_ > 0; pendingCount_ -= 8, pending_ >>= 8)
      bytes_.push_back(static_cast<uint8_t>(pending_));
    pendingCount_ = 0;
    used_ = 0;
    return std::move(bytes_);
  }

 private:
  std::vector<uint8_t> bytes_;
  size_t used_ = 0;
  uint64_t pending_ = 0;
  int pendingCount_ = 0;
};

struct CodeSymbol {
  int Symbol;
  int ExtraBits;
  uint32_t Extra;
};

// For each match length, the index of its length code.
constexpr std::array<uint8_t, kMaxMatch + 1> kLengthIndex = [] {
  std::array<uint8_t, kMaxMatch + 1> index{};
  for (size_t length = kMinMatch, i = 0; length <= kMaxMatch; ++length) {
    while (i + 1 < kLengthBase.size() && kLengthBase[i + 1] <= length) ++i;
    index[length] = static_cast<uint8_t>(i);
  }
  return index;
}();

CodeSymbol LengthSymbol(size_t length) {
  const size_t i = kLengthIndex[length];
  return {257 + static_cast<int>(i), kLengthExtra[i],
          static_cast<uint32_t>(length - kLengthBase[i])};
}

// For each distance, the index of its distance code.
constexpr std::array<uint8_t, kMaxDistance + 1> kDistanceIndex = [] {
  std::array<uint8_t, kMaxDistance + 1> index{};
  for (size_t distance = 1, i = 0; distance <= kMaxDistance; ++distance) {
    while (i + 1 < kDistanceBase.size() && kDistanceBase[i + 1] <= distance) ++i;
    index[distance] = static_cast<uint8_t>(i);
  }
  return index;
}();

CodeSymbol DistanceSymbol(size_t distance) {
  const size_t i = kDistanceIndex[distance];
  return {static_cast<int>(i), kDistanceExtra[i],
          static_cast<uint32_t>(distance - kDistanceBase[i])};
}

// Every decoder accepts a code of at least two symbols.
void KeepTwoSymbols(std::span<uint32_t> freq) {
  auto used = std::count_if(freq.begin(), freq.end(), [](uint32_t f) { return f > 0; });
  for (size_t s = 0; s < freq.size() && used < 2; ++s) {
    if (freq[s] == 0) {
      freq[s] = 1;
      ++used;
    }
  }
}

// The code lengths of both codes, run-length coded with the symbols 16
// (repeat the last length 3-6 times), 17 (3-10 zeros) and 18 (11-138 zeros).
std::vector<CodeSymbol> RunLengthCoded(std::span<const uint8_t> lengths) {
  std::vector<CodeSymbol> out;
  for (size_t i = 0; i < lengths.size();) {
    const uint8_t value = lengths[i];
    size_t run = 1;
    while (i + run < lengths.size() && lengths[i + run] == value) ++run;
    i += run;
    if (value == 0) {
      for (; run >= 11; run -= std::min<size_t>(run, 138))
        out.push_back({18, 7, static_cast<uint32_t>(std::min<size_t>(run, 138) - 11)});
      if (run >= 3) {
        out.push_back({17, 3, static_cast<uint32_t>(run - 3)});
        run = 0;
      }
    } else {
      out.push_back({value, 0, 0});
      --run;
      for (; run >= 3; run -= std::min<size_t>(run, 6))
        out.push_back({16, 2, static_cast<uint32_t>(std::min<size_t>(run, 6) - 3)});
    }
    for (; run > 0; --run) out.push_back({value, 0, 0});
  }
  return out;
}

struct HuffmanCode {
  std::vector<uint8_t> Lengths;
  std::vector<uint16_t> Codes;

  HuffmanCode(std::span<const uint32_t> freq, int maxBits)
      : Lengths(freq.size()), Codes(freq.size()) {
    CodeLengths(freq, maxBits, Lengths);
    CanonicalCodes(Lengths, Codes);
  }
  void Put(BitWriter& out, int symbol) const {
    const auto s = static_cast<size_t>(symbol);
    out.Put(Codes[s], Lengths[s]);
  }
};

size_t UsedCount(std::span<const uint8_t> lengths, size_t atLeast) {
  size_t n = lengths.size();
  while (n > atLeast && lengths[n - 1] == 0) --n;
  return n;
}

// A block's header: how many codes of each kind, then both codes' lengths,
// themselves Huffman coded.
void PutBlockHeader(BitWriter& out, const HuffmanCode& literals, const HuffmanCode& distances) {
  const size_t literalCount = UsedCount(literals.Lengths, 257);
  const size_t distanceCount = UsedCount(distances.Lengths, 1);
  std::vector<uint8_t> both(literals.Lengths.begin(),
                            literals.Lengths.begin() + static_cast<long>(literalCount));
  both.insert(both.end(), distances.Lengths.begin(),
              distances.Lengths.begin() + static_cast<long>(distanceCount));
  const std::vector<CodeSymbol> coded = RunLengthCoded(both);
  std::array<uint32_t, kCodeLengthCodes> freq{};
  for (const CodeSymbol& c : coded) ++freq[static_cast<size_t>(c.Symbol)];
  KeepTwoSymbols(freq);
  const HuffmanCode lengthCode(freq, kMaxCodeLengthBits);
  size_t orderCount = kCodeLengthCodes;
  while (orderCount > 4 && lengthCode.Lengths[kCodeLengthOrder[orderCount - 1]] == 0) --orderCount;

  out.Put(static_cast<uint32_t>(literalCount - 257), 5);
  out.Put(static_cast<uint32_t>(distanceCount - 1), 5);
  out.Put(static_cast<uint32_t>(orderCount - 4), 4);
  for (size_t i = 0; i < orderCount; ++i) out.Put(lengthCode.Lengths[kCodeLengthOrder[i]], 3);
  for (const CodeSymbol& c : coded) {
    lengthCode.Put(out, c.Symbol);
    if (c.ExtraBits > 0) out.Put(c.Extra, c.ExtraBits);
  }
}

void PutBlock(BitWriter& out, std::span<const Token> tokens, bool last) {
  std::array<uint32_t, kLiteralLengthCodes> literalFreq{};
  std::array<uint32_t, kDistanceCodes> distanceFreq{};
  for (const Token& t : tokens) {
    if (t.Distance == 0) {
      ++literalFreq[t.Length];
      continue;
    }
    ++literalFreq[static_cast<size_t>(LengthSymbol(t.Length).Symbol)];
    ++distanceFreq[static_cast<size_t>(DistanceSymbol(t.Distance).Symbol)];
  }
  literalFreq[kEndOfBlock] = 1;
  KeepTwoSymbols(literalFreq);
  KeepTwoSymbols(distanceFreq);
  const HuffmanCode literals(literalFreq, kMaxCodeBits);
  const HuffmanCode distances(distanceFreq, kMaxCodeBits);

  out.Put(last ? 1U : 0U, 1);
  out.Put(2, 2);  // compressed with its own Huffman codes
  PutBlockHeader(out, literals, distances);
  for (const Token& t : tokens) {
    if (t.Distance == 0) {
      literals.Put(out, t.Length);
      continue;
    }
    const CodeSymbol length = LengthSymbol(t.Length);
    literals.Put(out, length.Symbol);
    if (length.ExtraBits > 0) out.Put(length.Extra, length.ExtraBits);
    const CodeSymbol distance = DistanceSymbol(t.Distance);
    distances.Put(out, distance.Symbol);
    if (distance.ExtraBits > 0) out.Put(distance.Extra, distance.ExtraBits);
  }
  literals.Put(out, kEndOfBlock);
}

size_t MatchLength(const uint8_t* a, const uint8_t* b, size_t most) {
  size_t n = 0;
  for (; n + 8 <= most; n += 8) {
    uint64_t x, y;
    std::memcpy(&x, a + n, 8);
    std::memcpy(&y, b + n, 8);
    if (x != y) return n + static_cast<size_t>(std::countr_zero(qToLittleEndian(x ^ y)) / 8);
  }
  while (n < most && a[n] == b[n]) ++n;
  return n;
}

void AddMatch(std::vector<Token>& tokens, size_t length, size_t distance) {
  while (length > 0) {
    // Never leave a remainder shorter than a match can be.
    size_t piece = std::min(length, kMaxMatch);
    if (length > kMaxMatch && length - kMaxMatch < kMinMatch) piece = length - kMinMatch;
    tokens.push_back({static_cast<uint16_t>(piece), static_cast<uint16_t>(distance)});
    length -= piece;
  }
}

// One scan line as the PNG stream holds it: the filter byte, then the
// bytes. Each byte is a copy of the same byte one pixel left or one line up
// when that gives a run of at least three, else a literal. The left copy is
// looked for first and wins a tie: its distance costs no extra bits, one
// from a line up 10 to 13. The filter byte and the first pixel, which have
// no pixel to their left, are written as literals.
void AddLine(std::vector<Token>& tokens, const uint8_t* line, const uint8_t* above, size_t size) {
  const bool canReachAbove = above != nullptr && size <= kMaxDistance;
  for (size_t p = 0; p < std::min(size, kFirstCopy); ++p) tokens.push_back({line[p], 0});
  for (size_t p = kFirstCopy; p < size;) {
    size_t best = MatchLength(line + p, line + p - kBytesPerPixel, size - p);
    size_t distance = kBytesPerPixel;
    if (canReachAbove && best < size - p) {
      const size_t up = MatchLength(line + p, above + p, size - p);
      if (up > best) {
        best = up;
        distance = size;
      }
    }
    if (best < kMinMatch) {
      tokens.push_back({line[p], 0});
      ++p;
      continue;
    }
    AddMatch(tokens, best, distance);
    p += best;
  }
}

// Whether at least an eighth of a line's bytes equal those above: only
// then can the Up filter pay. Eight bytes at a time: a byte of x is zero
// exactly where its high bit survives below.
bool SharesMuchWithAbove(std::span<const uint8_t> line, std::span<const uint8_t> above) {
  constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
  size_t same = 0, i = 1;
  for (; i + 8 <= line.size(); i += 8) {
    uint64_t a, b;
    std::memcpy(&a, line.data() + i, 8);
    std::memcpy(&b, above.data() + i, 8);
    const uint64_t x = a ^ b;
    const uint64_t zeroBytes = ~(((x & kLow7) + kLow7) | x | kLow7) >> 7;  // 1 per equal byte
    same += static_cast<size_t>(zeroBytes * 0x0101010101010101ULL >> 56);
  }
  for (; i < line.size(); ++i) same += line[i] == above[i];
  return same * 8 >= line.size() - 1;
}

// The Up filter of line: each byte less the one above, eight at a time
// with no borrow crossing from one byte into the next.
void UpFiltered(std::span<const uint8_t> line, std::span<const uint8_t> above,
                std::span<uint8_t> out) {
  constexpr uint64_t kHigh = 0x8080808080808080ULL;
  out[0] = kFilterUp;
  size_t i = 1;
  for (; i + 8 <= line.size(); i += 8) {
    uint64_t a, b;
    std::memcpy(&a, line.data() + i, 8);
    std::memcpy(&b, above.data() + i, 8);
    const uint64_t difference = ((a | kHigh) - (b & ~kHigh)) ^ ((a ^ ~b) & kHigh);
    std::memcpy(out.data() + i, &difference, 8);
  }
  for (; i < line.size(); ++i) out[i] = static_cast<uint8_t>(line[i] - above[i]);
}

// A rough price of tokens in bits, enough to choose a line's filter: a
// literal or a code about 6 bits, plus a copy's extra bits.
size_t EstimatedBits(std::span<const Token> tokens) {
  size_t bits = 0;
  for (const Token& t : tokens) {
    bits += 6;
    if (t.Distance == 0) continue;
    bits += 6 + kLengthExtra[kLengthIndex[t.Length]] + kDistanceExtra[kDistanceIndex[t.Distance]];
  }
  return bits;
}

void ToRgbLine(const QRgb* pixels, int width, uint8_t* line) {
  *line++ = 0;  // filter: none, unless the line is written with Up
  for (int x = 0; x < width; ++x, line += kBytesPerPixel) {
    const QRgb p = pixels[x];
    line[0] = static_cast<uint8_t>(qRed(p));
    line[1] = static_cast<uint8_t>(qGreen(p));
    line[2] = static_cast<uint8_t>(qBlue(p));
  }
}

// The zlib stream of the scan lines, and nothing but them in memory.
std::vector<uint8_t> CompressedLines(const QImage& image) {
  const size_t lineSize = static_cast<size_t>(image.width()) * kBytesPerPixel + 1;
  // The pixels of this line and the last, and the bytes of both as the
  // stream holds them (filtered): copies refer to the stream's bytes.
  std::vector<uint8_t> line(lineSize), lastLine(lineSize), stream(lineSize), lastStream(lineSize),
      upStream(lineSize);
  std::vector<Token> tokens, upTokens;
  tokens.reserve(kBlockTokens + lineSize);
  BitWriter out;
  out.Put(0x78, 8);  // deflate, 32K window
  out.Put(0x01, 8);  // no preset dictionary; 0x7801 is a multiple of 31
  uint32_t adler = 1;
  const auto pixelBytes = static_cast<size_t>(image.width()) * sizeof(QRgb);
  for (int y = 0; y < image.height(); ++y) {
    // Most lines of a chart repeat the pixels of the one above: those need
    // no conversion, lastLine already holds their bytes.
    const bool samePixels =
        y > 0 && std::memcmp(image.constScanLine(y), image.constScanLine(y - 1), pixelBytes) == 0;
    if (!samePixels)
      ToRgbLine(reinterpret_cast<const QRgb*>(image.constScanLine(y)), image.width(), line.data());
    // Under the Up filter what repeats the line above becomes zeros, copied
    // from a pixel left at no extra bits, where a copy from a line up costs
    // 10 to 13 extra bits every 258 bytes. A line that repeats the one above
    // whole (bars, margins and grid run down a chart) takes Up; one that
    // shares much with it is tried both ways and the cheaper kept.
    if (samePixels || (y > 0 && std::equal(line.begin() + 1, line.end(), lastLine.begin() + 1))) {
      // All zeros: the tokens are known without looking.
      stream[0] = kFilterUp;
      std::fill(stream.begin() + 1, stream.end(), uint8_t{0});
      for (size_t p = 0; p < std::min(lineSize, kFirstCopy); ++p) tokens.push_back({stream[p], 0});
      if (lineSize > kFirstCopy) AddMatch(tokens, lineSize - kFirstCopy, kBytesPerPixel);
    } else {
      const size_t start = tokens.size();
      std::copy(line.begin(), line.end(), stream.begin());
      AddLine(tokens, stream.data(), y > 0 ? lastStream.data() : nullptr, lineSize);
      if (y > 0 && SharesMuchWithAbove(line, lastLine)) {
        UpFiltered(line, lastLine, upStream);
        upTokens.clear();
        AddLine(upTokens, upStream.data(), lastStream.data(), lineSize);
        const std::span<const Token> plain(tokens.data() + start, tokens.size() - start);
        if (EstimatedBits(upTokens) < EstimatedBits(plain)) {
          tokens.resize(start);
          tokens.insert(tokens.end(), upTokens.begin(), upTokens.end());
          std::swap(stream, upStream);
        }
      }
    }
    adler = libdeflate_adler32(adler, stream.data(), lineSize);
    if (tokens.size() >= kBlockTokens) {
      PutBlock(out, tokens, false);
      tokens.clear();
    }
    if (!samePixels) std::swap(line, lastLine);
    std::swap(stream, lastStream);
  }
  PutBlock(out, tokens, true);
  std::vector<uint8_t> bytes = out.Finish();
  const auto trailer = qToBigEndian(adler);
  const auto* trailerBytes = reinterpret_cast<const uint8_t*>(&trailer);
  bytes.insert(bytes.end(), trailerBytes, trailerBytes + 4);
  return bytes;
}

void AppendBigEndian(QByteArray& out, uint32_t value) {
  const auto big = qToBigEndian(value);
  out.append(reinterpret_cast<const char*>(&big), 4);
}

void AppendChunk(QByteArray& out, const char type[4], const uint8_t* data, size_t size) {
  AppendBigEndian(out, static_cast<uint32_t>(size));
  const qsizetype start = out.size();
  out.append(type, 4);
  out.append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const auto* typeAndData = reinterpret_cast<const uint8_t*>(out.constData() + start);
  AppendBigEndian(out, libdeflate_crc32(0, typeAndData, size + 4));
}

// A chunk's length field holds at most 2^31 - 1; a larger stream goes into
// several IDAT chunks, which decoders join.
void AppendDataChunks(QByteArray& out, std::span<const uint8_t> stream, size_t chunkLimit) {
  do {
    const size_t size = std::min(stream.size(), chunkLimit);
    AppendChunk(out, "IDAT", stream.data(), size);
    stream = stream.subspan(size);
  } while (!stream.empty());
}

std::array<uint8_t, 13> HeaderChunk(const QImage& image) {
  std::array<uint8_t, 13> header{};
  qToBigEndian(static_cast<uint32_t>(image.width()), header.data());
  qToBigEndian(static_cast<uint32_t>(image.height()), header.data() + 4);
  header[8] = 8;  // bits per sample
  header[9] = 2;  // RGB
  return header;  // deflate, adaptive filtering, no interlace: all 0
}

}  // namespace

QByteArray EncodePng(const QImage& image) { return EncodePng(image, kMaxChunkData); }

QByteArray EncodePng(const QImage& image, size_t chunkLimit) {
  if (image.isNull() || chunkLimit == 0) return {};
  const QImage rgb =
      image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
          ? image
          : image.convertToFormat(QImage::Format_RGB32);
  const std::vector<uint8_t> lines = CompressedLines(rgb);
  QByteArray png("\x89PNG\r\n\x1a\n", 8);
  png.reserve(static_cast<qsizetype>(lines.size()) + 128);
  const std::array<uint8_t, 13> header = HeaderChunk(rgb);
  AppendChunk(png, "IHDR", header.data(), header.size());
  if (rgb.dotsPerMeterX() > 0 && rgb.dotsPerMeterY() > 0) {
    std::array<uint8_t, 9> physical{};
    qToBigEndian(static_cast<uint32_t>(rgb.dotsPerMeterX()), physical.data());
    qToBigEndian(static_cast<uint32_t>(rgb.dotsPerMeterY()), physical.data() + 4);
    physical[8] = 1;  // per metre
    AppendChunk(png, "pHYs", physical.data(), physical.size());
  }
  AppendDataChunks(png, lines, std::min(chunkLimit, kMaxChunkData));
  AppendChunk(png, "IEND", nullptr, 0);
  return png;
}

}  // namespace qh
