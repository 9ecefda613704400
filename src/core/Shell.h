#pragma once

#include <QString>

#include <functional>

// Web pages open through OpenUrl, so that tests can see which address would have opened.
// The user interface installs the desktop's own opener.

using UrlOpener = std::function<void(const QString& url)>;

void OpenUrl(const QString& url);

// Replaces the opener and returns the previous one.
UrlOpener SetUrlOpener(UrlOpener opener);
