#include "fuzz_source_file.h"

QH_SOURCE_FILE_FUZZER("xlsx")
