#pragma once
// One reader target: the input becomes a file with the given extension,
// LoadSourceFile picks the reader, the result must keep the table promises.
#include "data/source_loader.h"
#include "fuzz_support.h"

#define QH_SOURCE_FILE_FUZZER(extension)                                          \
  extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {       \
    const QString path = qh::fuzz::WriteInput(data, size, extension);             \
    qh::ItemTable table;                                                          \
    const bool ok = qh::LoadSourceFile(path, qh::LoadLimits{}, table);            \
    qh::fuzz::CheckLoaderResult(ok, table);                                       \
    return 0;                                                                     \
  }
