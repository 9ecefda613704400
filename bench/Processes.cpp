#include "Processes.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcessEnvironment>
#include <QThread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <algorithm>
#include <csignal>

namespace {

// A spawned child whose output goes to /dev/null; -1 when it could not be started.
pid_t Spawn(const QString& program, const QStringList& args, const QStringList& environment) {
    std::vector<QByteArray> storage;
    storage.push_back(QFile::encodeName(program));
    for (const QString& a : args) {
        storage.push_back(QFile::encodeName(a));
    }
    const size_t argc = storage.size();
    for (const QString& e : environment) {
        storage.push_back(e.toLocal8Bit());
    }
    std::vector<char*> argv;
    std::vector<char*> envp;
    for (size_t i = 0; i < storage.size(); ++i) {
        (i < argc ? argv : envp).push_back(storage[i].data());
    }
    argv.push_back(nullptr);
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return failed ? -1 : pid;
}

// A field of a process's status in kilobytes; -1 when it cannot be read.
double StatusKb(pid_t pid, const char* key) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key)) {
            bool ok = false;
            const double kb =
                line.mid(qsizetype(qstrlen(key))).trimmed().split(' ').value(0).toDouble(&ok);
            return ok ? kb : -1;
        }
    }
    return -1;
}

}  // namespace

ProcessRun RunProcess(const QString& program, const QStringList& args, bool watchPeak) {
    ProcessRun run;
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = Spawn(program, args, QProcessEnvironment::systemEnvironment().toStringList());
    if (pid < 0) {
        return run;
    }
    run.started = true;
    int status = 0;
    pid_t ended = 0;
    if (watchPeak) {
        // The kernel's own count of a child's peak starts from this process's peak (the child
        // shares its memory until it runs the program), so the child's high-water mark is read
        // while it runs. It only grows, so the last reading holds the peak until then.
        double peakKb = 0;
        while ((ended = waitpid(pid, &status, WNOHANG)) == 0) {
            peakKb = std::max(peakKb, StatusKb(pid, "VmHWM:"));
            QThread::usleep(500);
        }
        run.peakMb = peakKb / 1024;
    } else {
        ended = waitpid(pid, &status, 0);
    }
    if (ended != pid) {
        return run;
    }
    run.ms = timer.nsecsElapsed() / 1e6;
    run.succeeded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

BackgroundProcess::BackgroundProcess(const QString& program, const QStringList& args,
                                     const std::vector<std::pair<QString, QString>>& environment) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : environment) {
        env.insert(name, value);
    }
    pid = Spawn(program, args, env.toStringList());
}

BackgroundProcess::~BackgroundProcess() {
    stop(2000);
}

bool BackgroundProcess::running() {
    if (pid <= 0 || ended) {
        return false;
    }
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
        ended = true;
    }
    return !ended;
}

double BackgroundProcess::residentMb() const {
    const double kb = pid > 0 && !ended ? StatusKb(pid, "VmRSS:") : -1;
    return kb > 0 ? kb / 1024 : -1;
}

bool BackgroundProcess::stop(int graceMs) {
    if (pid <= 0 || ended) {
        return false;
    }
    kill(pid, SIGTERM);
    QElapsedTimer timer;
    timer.start();
    int status = 0;
    while (timer.elapsed() < graceMs) {
        if (waitpid(pid, &status, WNOHANG) == pid) {
            ended = true;
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
        QThread::msleep(10);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    ended = true;
    return false;
}
