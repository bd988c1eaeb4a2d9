// Loads arbitrary bytes as OrvelCEx.idx, after a small translation table so
// that the "already exists" path is reachable too.
#include "FuzzSupport.h"
#include "driver/StartupFiles.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzEnterScratch();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzWrite("OrvelCEx.idx", AsText(data, size));
    CTranslations translations;
    translations.emplace("Guard", "Wache");
    LoadScriptIndex(FuzzPath("OrvelCEx.idx"), translations);
    return 0;
}
