#pragma once

#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <utility>
#include <vector>

// Other programs started by the benchmarks, with what they cost: the whole process's time and
// its peak resident memory.

struct ProcessRun {
    bool started = false;
    bool succeeded = false;  // ended by itself with exit status 0
    double ms = 0;
    double peakMb = 0;
};

// Runs `program` with `args` to its end; its output goes to /dev/null. The peak is read only
// with `watchPeak`, which costs the program a little time.
ProcessRun RunProcess(const QString& program, const QStringList& args, bool watchPeak);

// A program started in the background; ended (SIGTERM, then SIGKILL) when destroyed.
class BackgroundProcess {
public:
    // `environment` is added to this process's own; output goes to /dev/null.
    BackgroundProcess(const QString& program, const QStringList& args,
                      const std::vector<std::pair<QString, QString>>& environment = {});
    ~BackgroundProcess();
    BackgroundProcess(const BackgroundProcess&) = delete;
    BackgroundProcess& operator=(const BackgroundProcess&) = delete;

    bool started() const { return pid > 0; }
    bool running();
    // Resident memory now; -1 when it cannot be read.
    double residentMb() const;
    // Ends the program: SIGTERM, and SIGKILL after `graceMs`. True when it ended by itself
    // after the SIGTERM with exit status 0.
    bool stop(int graceMs = 5000);

private:
    pid_t pid = -1;
    bool ended = false;
};
