// libFuzzer entry point; VMBGRID_FUZZ_CHECK names the check this harness runs.
#include "fuzz/checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  VMBGRID_FUZZ_CHECK(data, size);
  return 0;
}
