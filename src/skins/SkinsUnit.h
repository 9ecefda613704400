#pragma once

#include "SkinModel.h"

#include <QString>

#include <memory>
#include <vector>

// One installed skin: its display name and the package it is loaded from.
struct SkinListEntry {
    QString name;
    QString path;
};

// The catalogue of the skins installed in SkinsFolder, sorted by name; turns a name into a
// freshly loaded skin that belongs to the caller.
class TSkins {
public:
    // Scans SkinsFolder.
    TSkins();

    // Rebuilds the list from SkinsFolder. Packages are read in ordinal order of their file
    // names, so of two skins whose names differ only in letter case the package whose file
    // name sorts later wins. The first unreadable package is reported in a message box
    // and ends the scan; what was found before it stays. Never raises.
    void refreshSkinList();

    const std::vector<SkinListEntry>& SkinList() const { return skinList; }

    // Loads the skin listed under exactly this name, or else the first skin. Raises the
    // load's errors, and on an empty catalogue the error of FirstSkin.
    std::unique_ptr<TSkin> SkinByName(const QString& name) const;
    // Raises std::out_of_range on an empty catalogue.
    std::unique_ptr<TSkin> FirstSkin() const;

private:
    std::vector<SkinListEntry> skinList;
};
