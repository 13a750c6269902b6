// The CSV reader from a file, and its lines split in place against the same
// lines read through a copy a small window at a time (the input's first
// byte picks the window), so window edges fall everywhere.
#include "data/csv_plain_lines.h"
#include "fuzz_source_file.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

// Every line as it is handed on; every other one offered as bytes is
// declined, so decoded lines come too.
class Lines final : public qh::PlainCsvSink {
 public:
  bool Bytes(QByteArrayView line, const qh::PlainCells* cells) override {
    if (++offered_ % 2 == 0 || (cells == nullptr && line.contains('"'))) return false;
    Seen.push_back("B" + line.toByteArray().toStdString());
    return true;
  }
  void Line(QStringView line) override { Seen.push_back("L" + line.toUtf8().toStdString()); }

  std::vector<std::string> Seen;

 private:
  int offered_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qh::fuzz::LoadAndCheck(data, size, "csv");
  if (size == 0) return 0;
  const qsizetype window = 1 + data[0] % 32;
  const QByteArray bytes(reinterpret_cast<const char*>(data) + 1, static_cast<qsizetype>(size - 1));
  Lines inPlace, copied;
  const qh::PlainCsvSplit expected = qh::SplitPlainCsvLines(bytes, u',', inPlace);
  const qh::CopyBytes copy = [](const char* from, char* to, qsizetype count) {
    std::memcpy(to, from, static_cast<size_t>(count));
  };
  if (qh::SplitPlainCsvLines(bytes, u',', copied, false, copy, window) != expected)
    qh::fuzz::Violation("a copy splits otherwise than in place");
  if (expected == qh::PlainCsvSplit::Done && copied.Seen != inPlace.Seen)
    qh::fuzz::Violation("a copy hands on other lines than in place");
  return 0;
}
