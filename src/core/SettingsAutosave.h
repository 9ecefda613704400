#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class FrameSettings;

// Writes the settings file soon after the settings change, so that a crash or a lost display
// costs at most the last moments: one write once the changes settle (a drag writes once, not
// once per pixel), and no later than MaxDelay after a change while changes go on.
class SettingsAutosave : public QObject {
    Q_OBJECT
public:
    static constexpr int QuietDelay = 1000;  // ms without a change before the write
    static constexpr int MaxDelay = 2000;    // ms from a change to its write, at most

    // Takes the settings file as it is now as already written.
    explicit SettingsAutosave(const FrameSettings& frame, int quietDelay = QuietDelay,
                              int maxDelay = MaxDelay);

    // Something that is stored may have changed: the write waits for a quiet moment.
    void Changed();

signals:
    // The settings file was written (not emitted when nothing had changed).
    void saved();

private:
    void Save();

    const FrameSettings& frame;
    const int quietDelay;
    const int maxDelay;
    QTimer timer;
    QElapsedTimer sinceFirstChange;
    QByteArray written;  // what the settings file holds, as far as this run knows
};
