// Reading any bytes fails only with the decoding error, and what is written reads back to
// the same bytes.
#include "fuzz_check.h"
#include "support/failure.h"
#include "utauio/inout_data.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    InoutData first;
    try {
        first.parse(std::string_view(reinterpret_cast<const char *>(data), size));
    } catch (const Exception &e) {
        FUZZ_CHECK(e.message == "invalid UTF-8 sequence");
        return 0;
    }
    const std::string once = first.toText();
    InoutData second;
    second.parse(once);
    FUZZ_CHECK(second.notes.size() == first.notes.size());
    FUZZ_CHECK(second.toText() == once);
    return 0;
}
