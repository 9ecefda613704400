#include "ProgramIcon.h"

QIcon ProgramIcon() {
    return QIcon(QStringLiteral(":/icons/tallowquince.svg"));
}

QIcon MenuIcon(MenuImage image) {
    switch (image) {
        case MenuImage::Options:
            return QIcon(QStringLiteral(":/icons/options.svg"));
        case MenuImage::Close:
            return QIcon(QStringLiteral(":/icons/close.svg"));
        case MenuImage::Previous:
            return QIcon(QStringLiteral(":/icons/previous.svg"));
        case MenuImage::Next:
            return QIcon(QStringLiteral(":/icons/next.svg"));
    }
    return {};
}
