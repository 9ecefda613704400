#include "UpdaterThreadUnit.h"

#include "core/Messages.h"
#include "core/SettingsUnit.h"
#include "core/Shell.h"
#include "core/WebSites.h"
#include "i18n/TranslationsUnit.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDomDocument>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QScopeGuard>
#include <QSet>
#include <QTimer>

#include <memory>
#include <stdexcept>

namespace {

constexpr int kOfferText = 800;
constexpr int kNoUpdateText = 801;
constexpr int kWhatsNewText = 802;

// How long the exit waits for an abandoned worker to unwind; it never waits for the server.
constexpr int kUnwindMilliseconds = 5000;

// Checks not yet deleted. Touched on the user-interface thread only.
QSet<TUpdaterThread*>& RunningChecks() {
    static QSet<TUpdaterThread*> checks;
    return checks;
}

bool IsWebAddress(const QUrl& url) {
    return url.isValid() && (url.scheme() == u"http" || url.scheme() == u"https") &&
           !url.host().isEmpty();
}

[[noreturn]] void Fail(const char* why) {
    throw std::runtime_error(why);
}

QDomElement RequiredChild(const QDomElement& parent, const QString& name) {
    const QDomElement child = parent.firstChildElement(name);
    if (child.isNull() || !child.hasAttribute(QStringLiteral("value"))) {
        Fail("the answer lacks a required value");
    }
    return child;
}

// The element's text; anything but text and CDATA inside it makes the answer unusable.
QString TextOnly(const QDomElement& element) {
    QString text;
    for (QDomNode n = element.firstChild(); !n.isNull(); n = n.nextSibling()) {
        if (!n.isText() && !n.isCDATASection()) {
            Fail("whatsNew holds more than text");
        }
        text += n.nodeValue();
    }
    return text;
}

}  // namespace

TUpdaterThread* TUpdaterThread::Start(bool silent, const UpdateCheckLimits& limits) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) {
        return nullptr;
    }
    if (RunningChecks().isEmpty()) {
        // Abandons what still runs when the application object is destroyed. Qt runs its
        // post routines once, at the start of that destruction, so add it anew each time.
        qRemovePostRoutine(AbandonRunningChecks);
        qAddPostRoutine(AbandonRunningChecks);
    }
    auto* check = new TUpdaterThread(silent, limits);
    RunningChecks().insert(check);
    connect(check, &QThread::finished, check, &QObject::deleteLater);
    check->start();
    return check;
}

TUpdaterThread::TUpdaterThread(bool silent, const UpdateCheckLimits& limits)
    : Silent(silent),
      limits(limits),
      runningVersion(VersionInfo().FileVersion()),
      versionText(FormatVersion(runningVersion)),
      requestUrl(ProductSite() + QStringLiteral("/version/tallowquince.php?ver=") + versionText) {}

TUpdaterThread::~TUpdaterThread() {
    RunningChecks().remove(this);
}

void TUpdaterThread::run() {
    try {
        Execute();
    } catch (...) {
        // Every failure of a check ends it without a word.
    }
}

void TUpdaterThread::Execute() {
    const std::optional<QByteArray> body = Fetch();
    if (!body) {
        return;
    }
    ReadAnswer(*body);
    HandOver();
}

std::optional<QByteArray> TUpdaterThread::Fetch() {
    if (!IsWebAddress(requestUrl)) {
        return std::nullopt;
    }
    // Declared first: the reply's handlers write here until the reply is gone.
    QByteArray body;
    bool tooLong = false;

    // The client belongs to this thread and dies with the request.
    QNetworkAccessManager WebClient;
    WebClient.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkRequest request(requestUrl);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QStringLiteral("Tallowquince ") + versionText);
    const std::unique_ptr<QNetworkReply> reply(WebClient.get(request));
    QNetworkReply* r = reply.get();
    // Read as it comes, so that an endless answer is cut off instead of filling memory.
    connect(r, &QNetworkReply::readyRead, r, [&] {
        body += r->readAll();
        if (body.size() > limits.maxAnswerSize) {
            tooLong = true;
            r->abort();
        }
    });

    QEventLoop loop;
    connect(r, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(limits.timeout);
    // Abandon() quits this loop too, through QThread::quit.
    if (!r->isFinished()) {
        loop.exec();
    }

    if (!r->isFinished() || tooLong || r->error() != QNetworkReply::NoError) {
        return std::nullopt;
    }
    // Qt reports 4xx and 5xx as errors, but not a 3xx it could not follow.
    const int status = r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status < 200 || status > 299) {
        return std::nullopt;
    }
    return body;
}

void TUpdaterThread::ReadAnswer(const QByteArray& body) {
    QDomDocument document;
    if (!document.setContent(body)) {
        Fail("the answer is not well-formed XML");
    }
    const QDomElement root = document.documentElement();
    NewVersion = RequiredChild(root, QStringLiteral("version")).attribute(QStringLiteral("value"));
    DownloadLink = RequiredChild(root, QStringLiteral("link")).attribute(QStringLiteral("value"));
    // Only web pages are offered: any other scheme could run or open something local.
    if (!IsWebAddress(QUrl(DownloadLink))) {
        Fail("the download link is not a web address");
    }
    const QDomElement notes = root.firstChildElement(QStringLiteral("whatsNew"));
    if (!notes.isNull()) {
        WhatsNew = TextOnly(notes);
    }
    newer = CompareVersions(ParseVersion(NewVersion), runningVersion) > 0;
}

void TUpdaterThread::HandOver() {
    std::unique_lock lock(handOverMutex);
    if (abandoned) {
        return;
    }
    // Queued to this object, which lives on the user-interface thread; deleting it at exit
    // drops the call unrun, and Abandon() releases the wait below.
    QMetaObject::invokeMethod(
        this,
        [this] {
            const auto release = qScopeGuard([this] {
                {
                    std::lock_guard done(handOverMutex);
                    handedOver = true;
                }
                handOverDone.notify_all();
            });
            ShowResult();
        },
        Qt::QueuedConnection);
    handOverDone.wait(lock, [this] { return handedOver || abandoned; });
}

void TUpdaterThread::ShowResult() {
    // Read here, on the thread that writes it: the user may have switched it off meanwhile.
    if (!Settings.autoupdate) {
        return;
    }
    if (newer) {
        AskToDownload();
    } else {
        ReportNoUpdate();
    }
}

void TUpdaterThread::AskToDownload() {
    QString message = GetText(kOfferText) + NewVersion;
    if (!WhatsNew.isEmpty()) {
        message +=
            QStringLiteral("\r\n\r\n") + GetText(kWhatsNewText) + QStringLiteral("\r\n") + WhatsNew;
    }
    if (ShowMessage(MessageKind::Confirmation, message) == MessageAnswer::Yes) {
        OpenUrl(DownloadLink);
    }
}

void TUpdaterThread::ReportNoUpdate() {
    if (!Silent) {
        ShowMessage(MessageKind::Information, GetText(kNoUpdateText));
    }
}

void TUpdaterThread::Abandon() {
    {
        std::lock_guard lock(handOverMutex);
        abandoned = true;
    }
    handOverDone.notify_all();
    quit();
}

void TUpdaterThread::AbandonRunningChecks() {
    const QSet<TUpdaterThread*> checks = RunningChecks();
    for (TUpdaterThread* check : checks) {
        check->Abandon();
    }
    for (TUpdaterThread* check : checks) {
        if (check->wait(QDeadlineTimer(kUnwindMilliseconds))) {
            delete check;
        } else {
            // Still stuck: a running thread must not be destroyed, so leave it to the process end.
            RunningChecks().remove(check);
        }
    }
}
