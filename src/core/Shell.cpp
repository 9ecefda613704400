#include "Shell.h"

#include <cstdio>

namespace {

UrlOpener& CurrentOpener() {
    static UrlOpener opener;
    return opener;
}

}  // namespace

void OpenUrl(const QString& url) {
    if (const UrlOpener& opener = CurrentOpener()) {
        opener(url);
    } else {
        std::fprintf(stderr, "Tallowquince: would open %s\n", qUtf8Printable(url));
    }
}

UrlOpener SetUrlOpener(UrlOpener opener) {
    UrlOpener previous = std::move(CurrentOpener());
    CurrentOpener() = std::move(opener);
    return previous;
}
