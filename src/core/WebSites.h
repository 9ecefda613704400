#pragma once

#include <QString>

// The product's web site as scheme://host[:port], without a trailing slash. The environment
// variable TALLOWQUINCE_SITE replaces it, for tests and mirrors.
QString ProductSite();

// The maker's web site, the root page the About box's banner opens.
QString MakerSite();
