#include "SkinsUnit.h"

#include "SkinPackage.h"
#include "core/GlobalsUnit.h"
#include "core/Messages.h"

#include <algorithm>
#include <exception>
#include <stdexcept>

TSkins::TSkins() {
    refreshSkinList();
}

void TSkins::refreshSkinList() {
    skinList.clear();
    try {
        for (const QString& file : ListPackageFiles(SkinsFolder, QStringLiteral(".TQSkin"))) {
            const QString path = SkinsFolder + file;
            QString name = ReadSkinName(path);
            const auto same =
                std::find_if(skinList.begin(), skinList.end(), [&name](const SkinListEntry& entry) {
                    return entry.name.compare(name, Qt::CaseInsensitive) == 0;
                });
            if (same != skinList.end()) {
                *same = {std::move(name), path};
            } else {
                skinList.push_back({std::move(name), path});
            }
        }
    } catch (const std::exception& e) {
        ShowMessage(MessageKind::Error, QStringLiteral("Error in TSkins.refreshSkinList\r\n") +
                                            QString::fromUtf8(e.what()));
    }
    std::sort(skinList.begin(), skinList.end(),
              [](const SkinListEntry& a, const SkinListEntry& b) { return a.name < b.name; });
}

std::unique_ptr<TSkin> TSkins::SkinByName(const QString& name) const {
    for (const SkinListEntry& entry : skinList) {
        if (entry.name == name) {
            return LoadSkin(entry.path);
        }
    }
    return FirstSkin();
}

std::unique_ptr<TSkin> TSkins::FirstSkin() const {
    if (skinList.empty()) {
        throw std::out_of_range("List index out of bounds (0)");
    }
    return SkinByName(skinList.front().name);
}
