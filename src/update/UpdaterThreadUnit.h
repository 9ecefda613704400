#pragma once

#include "version/VersionInfoUnit.h"

#include <QByteArray>
#include <QString>
#include <QThread>
#include <QUrl>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

// Bounds of one update check; tests shorten the time-out.
struct UpdateCheckLimits {
    // The whole request, redirects included: a stalled server ends the check after it.
    std::chrono::milliseconds timeout{std::chrono::seconds(30)};
    // A longer answer ends the check: a version answer is a few hundred bytes.
    qint64 maxAnswerSize = 1024 * 1024;
};

// One update check: asks the product's web site on a worker thread whether a newer version
// exists and offers its download page on the user-interface thread. Owns and deletes itself.
class TUpdaterThread : public QThread {
    Q_OBJECT
public:
    // Starts a check; call on the user-interface thread while the application object exists.
    // A silent check says nothing when no newer version exists. The check deletes itself
    // when done; one still running when the application object is destroyed is abandoned.
    // The pointer is for connecting to the check's signals at once (e.g. destroyed), never
    // for keeping or deleting; nullptr when there is no application object.
    static TUpdaterThread* Start(bool silent, const UpdateCheckLimits& limits = {});

    TUpdaterThread(const TUpdaterThread&) = delete;
    TUpdaterThread& operator=(const TUpdaterThread&) = delete;

protected:
    void run() override;

private:
    TUpdaterThread(bool silent, const UpdateCheckLimits& limits);
    ~TUpdaterThread() override;

    // Worker thread.
    void Execute();
    std::optional<QByteArray> Fetch();
    void ReadAnswer(const QByteArray& body);
    void HandOver();

    // User-interface thread.
    void ShowResult();
    void AskToDownload();
    void ReportNoUpdate();
    void Abandon();
    static void AbandonRunningChecks();

    // The answer, read on the worker thread before the hand-over.
    QString NewVersion;
    QString DownloadLink;
    QString WhatsNew;
    bool newer = false;

    // Fixed before the worker starts.
    const bool Silent;
    const UpdateCheckLimits limits;
    const VersionNumber runningVersion;
    const QString versionText;
    const QUrl requestUrl;

    // The hand-over to the user-interface thread and its abandonment at exit.
    std::mutex handOverMutex;
    std::condition_variable handOverDone;
    bool handedOver = false;
    bool abandoned = false;
};
