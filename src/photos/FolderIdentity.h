#pragma once

#include <QString>

#include <compare>
#include <optional>

// Identifies a real folder whatever path reaches it (device and node), so that a scan that
// follows symbolic links enters each folder once and a link loop ends.
struct FolderIdentity {
    quint64 device = 0;
    quint64 node = 0;
    auto operator<=>(const FolderIdentity&) const = default;
};

// None when the folder cannot be examined.
std::optional<FolderIdentity> IdentifyFolder(const QString& path);
