#include "WebSites.h"

#include "core/WebSitesConfig.h"

QString ProductSite() {
    QString site = qEnvironmentVariable("TALLOWQUINCE_SITE");
    if (site.isEmpty()) {
        site = QStringLiteral(TQ_PRODUCT_SITE);
    }
    while (site.endsWith(u'/')) {
        site.chop(1);
    }
    return site;
}

QString MakerSite() {
    return QStringLiteral(TQ_MAKER_SITE);
}
