#pragma once

#include <QString>
#include <QStringList>

// The key=value lines of the settings file and of locale files.

// The text's lines; a line ends at CR LF, a lone CR or a lone LF.
QStringList SplitLines(const QString& text);

// The text after the first "=" of the first line whose key (the text before that "=")
// equals `key` without regard to letter case; null when no line has it.
QString ValueOfKey(const QStringList& lines, const QString& key);
