#include "KeyValueLines.h"

QStringList SplitLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    while (start < n) {
        qsizetype end = start;
        while (end < n && text[end] != u'\r' && text[end] != u'\n') {
            ++end;
        }
        lines << text.mid(start, end - start);
        if (end + 1 < n && text[end] == u'\r' && text[end + 1] == u'\n') {
            ++end;
        }
        start = end + 1;
    }
    return lines;
}

QString ValueOfKey(const QStringList& lines, const QString& key) {
    for (const QString& line : lines) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq >= 0 && QStringView(line).left(eq).compare(key, Qt::CaseInsensitive) == 0) {
            return line.mid(eq + 1);
        }
    }
    return {};
}
