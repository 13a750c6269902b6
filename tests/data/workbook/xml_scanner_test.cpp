#include "data/workbook/xml.h"
#include "data/workbook/xml_scanner.h"
#include "support/random_text.h"

#include <QBuffer>
#include <QString>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <gtest/gtest.h>

namespace qh {
namespace {

// Replays a document as a compact trace: <name a=value> for a start tag
// with its r attribute, </name> for an end, the decoded text, ! for an error.
std::string TraceOf(XmlScanner& scanner) {
  std::string trace;
  for (auto token = scanner.Next(); token != XmlScanner::Token::Finished; token = scanner.Next()) {
    switch (token) {
      case XmlScanner::Token::Start: {
        trace += "<";
        // names are local: the prefix is dropped
        const QByteArrayView r = scanner.Attribute("r");
        trace += r.isEmpty() ? "" : ("r=" + r.toByteArray()).toStdString();
        trace += ">";
        break;
      }
      case XmlScanner::Token::End: trace += "</>"; break;
      case XmlScanner::Token::Text: {
        QByteArray text;
        if (!scanner.AppendText(text)) return trace + "!";
        trace += text.toStdString();
        break;
      }
      default: return trace + "!";
    }
  }
  return trace;
}

std::string Trace(const char* document) {
  XmlScanner scanner{QByteArrayView(document)};
  return TraceOf(scanner);
}

// The same document read from a device a window at a time.
std::string TraceFromDevice(const QByteArray& document) {
  QByteArray copy = document;
  QBuffer buffer(&copy);
  buffer.open(QIODevice::ReadOnly);
  XmlScanner scanner(buffer);
  return TraceOf(scanner);
}

TEST(XmlScanner, WellFormedAndRefusedDocuments) {
  const std::pair<const char*, std::string> cases[] = {
      {R"(<?xml version="1.0"?><a r="A1"><b/>x</a>)", "<r=A1><></>x</>"},
      {R"(<x:a xmlns:x="u" x:r='B2'>1 &lt; 2 &amp; &#21517;&#x540D;</x:a>)",
       "<r=B2>1 < 2 & 名名</>"},
      {"<a><!-- note --><![CDATA[<raw> &amp;]]></a>", "<><raw> &amp;</>"},
      {"<a>\n</a>\n", "<>\n</>"},
      {"\xEF\xBB\xBF<a>x</a>", "<>x</>"},
      {"<a>&bogus;</a>", "<>!"},
      {"<a>&#0;</a>", "<>!"},
      {"<a>&#xD800;</a>", "<>!"},
      {"<a></b>", "<>!"},
      {"<a>", "<>!"},
      {"<a/><b/>", "<></>!"},
      {"text<a/>", "!"},
      {"", "!"},
      {R"(<a r="1>)", "!"},
      {R"(<a r="1"s="2"/>)", "!"},
      {R"(<!DOCTYPE a [<!ENTITY e "x">]><a>&e;</a>)", "!"},
      {"<a><!ELEMENT a ANY></a>", "<>!"},
  };
  for (const auto& [document, trace] : cases) {
    EXPECT_EQ(Trace(document), trace) << document;
  }
}

TEST(XmlScanner, NestingBeyondTheLimitIsAnError) {
  QByteArray deep;
  for (int i = 0; i <= XmlScanner::kMaxDepth; ++i) deep += "<a>";
  XmlScanner scanner(deep);
  XmlScanner::Token token;
  int starts = 0;
  while ((token = scanner.Next()) == XmlScanner::Token::Start) ++starts;
  EXPECT_EQ(token, XmlScanner::Token::Error);
  EXPECT_EQ(starts, XmlScanner::kMaxDepth);
}

TEST(XmlScanner, AttributeTextReadsLikeXml) {
  const std::pair<const char*, std::optional<QString>> cases[] = {
      {R"(<a v="R&amp;D &lt;&#x5E74;&gt; &quot;x&apos;"/>)", u"R&D <年> \"x'"_qs},
      {"<a v=\"line\r\nbreak\ttab\nend&#10;\"/>", u"line break tab end\n"_qs},
      {R"(<x:a x:v="prefixed"/>)", u"prefixed"_qs},
      {R"(<a w="other"/>)", QString()},
      {R"(<a v="&bogus;"/>)", std::nullopt},
      {R"(<a v="a & b"/>)", std::nullopt},
  };
  for (const auto& [document, value] : cases) {
    XmlScanner scanner{QByteArrayView(document)};
    ASSERT_EQ(scanner.Next(), XmlScanner::Token::Start) << document;
    EXPECT_EQ(scanner.AttributeText("v"), value) << document;
  }
}

// Well-formed text decodes as fromUtf8 decodes it; anything broken, and a
// leading byte order mark, is left to fromUtf8.
TEST(Utf8ToUtf16, DecodesWellFormedTextAndRefusesTheRest) {
  const std::pair<QByteArray, bool> cases[] = {
      {"plain ASCII", true},
      {"\xC3\xA9t\xC3\xA9 \xE5\x90\x8D\xE7\xA7\xB0 \xF0\x9F\x98\x80", true},
      {"\xEF\xBB\xBF" "after a byte order mark", false},
      {"\xEF\xBF\xBF\xF4\x8F\xBF\xBF\xDF\xBF", true},  // U+FFFF, U+10FFFF, U+07FF
      {"", true},
      {"\x80", false},
      {"\xC0\xAF", false},          // overlong '/'
      {"\xE0\x80\xAF", false},      // overlong '/'
      {"\xED\xA0\x80", false},      // a surrogate
      {"\xF4\x90\x80\x80", false},  // past U+10FFFF
      {"\xE5\x90", false},          // cut short
      {"ab\xFF", false},
  };
  for (const auto& [utf8, wellFormed] : cases) {
    std::u16string out(size_t(utf8.size()), u'\0');
    const qsizetype size = Utf8ToUtf16(utf8, out.data());
    if (!wellFormed) {
      EXPECT_EQ(size, -1) << utf8.toHex().toStdString();
      continue;
    }
    ASSERT_GE(size, 0) << utf8.toHex().toStdString();
    EXPECT_EQ(QStringView(out.data(), size), QString::fromUtf8(utf8)) << utf8.toHex().toStdString();
  }
}

TEST(DecodeEscapedCharacters, ReplacesOnlyWellFormedEscapes) {
  const std::pair<const char16_t*, const char16_t*> cases[] = {
      {u"Tab_x0009_Here", u"Tab\tHere"},
      {u"_x005F_x0041_", u"_x0041_"},  // an escaped underscore keeps the rest literal
      {u"_x00zz_ and _x12", u"_x00zz_ and _x12"},
      {u"名称", u"名称"},
  };
  for (const auto& [raw, decoded] : cases) {
    QString text = QString::fromUtf16(raw);
    DecodeEscapedCharacters(text);
    EXPECT_EQ(text, QString::fromUtf16(decoded)) << QString::fromUtf16(raw).toStdString();
  }
}

// Windows end inside every kind of token: the document is shifted so the
// first window boundary (1 MiB) falls inside the token after the padding.
TEST(XmlScanner, ReadsFromADeviceAcrossWindowBoundaries) {
  const char* tails[] = {
      "<row r=\"12345\"><c r=\"B7\"><v>42</v></c></row>",
      "<c><is><t>long text &amp; more &#x4E2D; text</t></is></c>",
      "<!-- a comment across the boundary --><v>1</v>",
      "<v><![CDATA[cdata <across> the boundary]]></v>",
      "<?pi across the boundary?><v>2</v>",
      "<a:c xmlns:a=\"x\" r=\"C1\"/>",
  };
  const QByteArray head = "<?xml version=\"1.0\"?>\n<sheetData>";
  const QByteArray filler = "<v>" + QByteArray(1000, '0') + "</v>";
  for (const char* tail : tails) {
    for (int shift = 0; shift < 40; shift += 3) {
      QByteArray body;
      const qsizetype target = 1024 * 1024 - shift - head.size();
      while (body.size() + filler.size() <= target) body += filler;
      body += QByteArray(target - body.size(), ' ');  // spaces inside the root are text
      const QByteArray document = head + body + tail + "</sheetData>";
      ASSERT_EQ(TraceFromDevice(document), Trace(document.constData()))
          << tail << " shift " << shift;
    }
  }
  // A broken document stays broken, also with far more of it behind the
  // error than one window holds; an empty device is no document.
  EXPECT_EQ(TraceFromDevice("<a><b></a>"),
            "<>"
            "<>!");
  EXPECT_EQ(TraceFromDevice("<a><b></a>" + QByteArray(40 * 1024 * 1024, ' ')),
            "<>"
            "<>!");
  EXPECT_EQ(TraceFromDevice(""), "!");
}

// Value elements read as the general number parser reads them: one plus
// sign dropped, nothing else around the digits; the quick road for plain
// amounts must not read more (commas, two signs) or otherwise.
TEST(XmlNumber, ReadsAsTheGeneralParser) {
  const auto general = [](QByteArrayView text) -> std::optional<double> {
    text = text.trimmed();
    if (text.startsWith('+')) text = text.sliced(1);
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (text.isEmpty() || result.ec != std::errc() || result.ptr != end || !std::isfinite(value))
      return std::nullopt;
    return value;
  };
  std::mt19937 random(52);
  for (int i = 0; i < 100000; ++i) {
    const std::string text = test::RandomText(random, "0123456789.,-+e ", 19);
    const QByteArrayView view(text.data(), static_cast<qsizetype>(text.size()));
    const auto expected = general(view);
    const auto read = XmlNumber(view);
    ASSERT_EQ(read.has_value(), expected.has_value()) << text;
    if (read) {
      EXPECT_EQ(std::memcmp(&*read, &*expected, sizeof(double)), 0) << text;
    }
  }
}

}  // namespace
}  // namespace qh
