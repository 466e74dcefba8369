// Flags put together again take themselves apart into the same flags.
#include "fuzz_check.h"
#include "utauio/session.h"

#include <cctype>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    Session first;
    first.parseFlags(std::string_view(reinterpret_cast<const char *>(data), size));
    const std::string text = first.flagsText();
    FUZZ_CHECK(text.size() <= size);
    Session second;
    second.parseFlags(text);
    FUZZ_CHECK(second.flagsText() == text);
    FUZZ_CHECK(second.flags.size() == first.flags.size());
    first.flags.forEach([](std::string_view letter, std::string_view value) {
        FUZZ_CHECK(letter.size() == 1 && std::isalpha(static_cast<unsigned char>(letter[0])));
        for (unsigned char c : value)
            FUZZ_CHECK(!(c < 0x80 && std::isalpha(c)));
    });
    return 0;
}
