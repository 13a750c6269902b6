#include "data/workbook_xml.h"
#include "data/workbook_xml_scanner.h"

#include <QString>
#include <gtest/gtest.h>

namespace qh {
namespace {

// Replays a document as a compact trace: <name a=value> for a start tag
// with its r attribute, </name> for an end, the decoded text, ! for an error.
std::string Trace(const char* document) {
  XmlScanner scanner{QByteArrayView(document)};
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
      case XmlScanner::Token::End:
        trace += "</>";
        break;
      case XmlScanner::Token::Text: {
        QByteArray text;
        if (!scanner.AppendText(text)) return trace + "!";
        trace += text.toStdString();
        break;
      }
      default:
        return trace + "!";
    }
  }
  return trace;
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

}  // namespace
}  // namespace qh
