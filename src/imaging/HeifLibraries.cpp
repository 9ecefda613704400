#include "HeifLibraries.h"

#include <QLibrary>

#include <memory>

namespace imaging {

namespace {

// Resolves every function of `Api` from the library `file` (left loaded for the program's life).
template <typename Api, typename Resolve>
std::unique_ptr<const Api> Load(const char* file, Resolve resolveAll) {
    QLibrary library(QString::fromUtf8(file));
    if (!library.load()) {
        qWarning("%s", qPrintable(library.errorString()));
        return nullptr;
    }
    auto api = std::make_unique<Api>();
    return resolveAll(library, *api) ? std::move(api) : nullptr;
}

#define TQ_RESOLVE_FUNCTION(name) \
    all = (api.name = reinterpret_cast<decltype(api.name)>(library.resolve(#name))) && all;

}  // namespace

const Libheif* LoadedLibheif() {
    static const std::unique_ptr<const Libheif> loaded =
        Load<Libheif>(TQ_LIBHEIF_FILE, [](QLibrary& library, Libheif& api) {
            bool all = true;
            TQ_LIBHEIF_FUNCTIONS(TQ_RESOLVE_FUNCTION)
            return all;
        });
    return loaded.get();
}

const Dav1d* LoadedDav1d() {
    static const std::unique_ptr<const Dav1d> loaded =
        Load<Dav1d>(TQ_DAV1D_FILE, [](QLibrary& library, Dav1d& api) {
            bool all = true;
            TQ_DAV1D_FUNCTIONS(TQ_RESOLVE_FUNCTION)
            return all;
        });
    return loaded.get();
}

}  // namespace imaging
