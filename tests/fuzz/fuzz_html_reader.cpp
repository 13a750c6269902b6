#include "data/html/html_reader.h"
#include "data/text_decode.h"
#include "fuzz_source_file.h"

// Every HTML file through the loader; bytes that are not UTF-8 are also
// read in place as code page 936 and as their text decoded whole, which
// must agree.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qh::fuzz::LoadAndCheck(data, size, "html");
  const QByteArrayView bytes(data, static_cast<qsizetype>(size));
  if (qh::StartsWithUtf16Mark(bytes) || qh::IsValidUtf8(bytes)) return 0;
  qh::ItemTable inPlace, whole;
  const bool ok = qh::ParseHtmlCodePage936(bytes, qh::LoadLimits{}, inPlace, nullptr);
  if (ok != qh::ParseHtmlUtf8(qh::CodePage936ToUtf8(bytes), qh::LoadLimits{}, whole, nullptr) ||
      inPlace.Items != whole.Items || inPlace.LastError != whole.LastError ||
      inPlace.LastHint != whole.LastHint || inPlace.Caption != whole.Caption ||
      inPlace.ValueHeading != whole.ValueHeading || inPlace.FirstRow != whole.FirstRow) {
    qh::fuzz::Violation("code page 936 read in place differs from its text", whole.LastError);
  }
  return 0;
}
