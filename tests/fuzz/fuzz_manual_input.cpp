// Typed or pasted text: any UTF-16 the text box can hold.
#include "data/source_loader.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text =
      QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  qh::ItemTable table;
  const bool ok = qh::ParseManualInput(text, qh::LoadLimits{}, table);
  qh::fuzz::CheckLoaderResult(ok, table);
  return 0;
}
