#include "SettingsAutosave.h"

#include "GlobalsUnit.h"
#include "SettingsUnit.h"

#include <QFile>

#include <algorithm>

SettingsAutosave::SettingsAutosave(const FrameSettings& frame, int quietDelay, int maxDelay)
    : frame(frame), quietDelay(quietDelay), maxDelay(maxDelay) {
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, this, &SettingsAutosave::Save);
    QFile file(SettingsFile);
    if (file.open(QIODevice::ReadOnly)) {
        written = file.readAll();
    }
}

void SettingsAutosave::Changed() {
    if (!timer.isActive()) {
        sinceFirstChange.start();
    }
    const qint64 left = std::max<qint64>(0, maxDelay - sinceFirstChange.elapsed());
    timer.start(int(std::min<qint64>(quietDelay, left)));
}

void SettingsAutosave::Save() {
    const QByteArray text = SettingsFileText(frame);
    // Hover, a photo step or a move back to the same place change nothing that is stored.
    if (text == written) {
        return;
    }
    // A failed write (a full disk, a read-only folder) is silent, as at the end of the run,
    // and is tried again with the next change.
    if (WriteSettingsFile(text)) {
        written = text;
        emit saved();
    }
}
