// The locale reader on any file, in any of its four encodings: texts are looked up, the
// list of locales is built, and no text holds a NUL.

#include "FuzzSupport.h"
#include "core/GlobalsUnit.h"
#include "core/SettingsUnit.h"
#include "i18n/TranslationsUnit.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    SetUpFuzzing(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = Bytes(data, size);
    if (DecodeLocaleText(bytes).contains(QChar(u'\0'))) {
        FuzzFailure("a decoded locale text holds a NUL");
    }
    WriteScratchFile(LocalesFolder + QStringLiteral("Fuzz.TQLocale"), bytes);
    SelectLocale(QStringLiteral("Fuzz.TQLocale"));
    for (int id : {1, 5, 10, 104, 200, 399, 800, 940, 2000}) {
        GetText(id);
    }
    CurrentTranslation().Lookup(QStringLiteral("LOCALE_NAME"));
    ListLocales();
    SelectLocale(DefaultLocaleName);
    Settings = TSettings{};
    return 0;
}
