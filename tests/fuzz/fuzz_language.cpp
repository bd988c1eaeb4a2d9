// Loads arbitrary bytes as language.lan and then uses the table once.
#include "FuzzSupport.h"
#include "driver/StartupFiles.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzEnterScratch();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzWrite("language.lan", AsText(data, size));
    CTranslations translations;
    LoadTranslations(FuzzPath("language.lan"), translations);
    translations.count("Guard");
    return 0;
}
