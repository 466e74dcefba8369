// The settings and the punctuation table read any bytes without a fault that the sanitizers
// see; what each line gives is checked by the unit tests and the end-to-end runs.
#include "fuzz/harness.h"
#include "settings/punct_data.h"
#include "settings/setting_data.h"
#include "tests/scratch_dir.h"

void fuzzOne(std::string_view input) {
    static const ScratchDir dir; // the readers take a path
    writeFile(dir.file("input"), std::string(input));
    SettingData settings(dir.file("input"));
    PunctData().load(dir.file("input"));
}
