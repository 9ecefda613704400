#pragma once

#include <QList>
#include <QString>
#include <QUrl>

// What a drop onto the frame means.
enum class DropKind {
    None,    // refused
    Photo,   // shown alone, as the single file
    Folder,  // the photo folder
    Skin,    // a skin package to install and select
    Locale,  // a locale file to install and select
};

struct DroppedItem {
    DropKind kind = DropKind::None;
    QString path;  // a local path, with native separators
};

// One local file or folder that exists is accepted: a folder, a skin package or a locale file
// (their extensions in any ASCII letter case), or a photo of the kinds the photo folder
// shows. Several items, remote addresses and anything else are refused.
DroppedItem ClassifyDrop(const QList<QUrl>& urls);
