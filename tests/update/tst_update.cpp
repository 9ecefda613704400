#include "core/Messages.h"
#include "core/SettingsUnit.h"
#include "core/Shell.h"
#include "support/TestSupport.h"
#include "update/UpdaterThreadUnit.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <thread>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

const QByteArray kTarget = "/version/tallowquince.php?ver=1.4.0.51"_ba;
const QByteArray kLink = "http://127.0.0.1/tallowquince/download"_ba;
const QString kOffer =
    u"A newer version of Tallowquince is available to download.\r\n"
    u"Would you like to download it now? New Version: "_s;
const QString kNoUpdate = u"There are no Tallowquince updates available."_s;
constexpr qsizetype kMiB = 1024 * 1024;

// One answer of the test server: the bytes it writes, whether it then closes the connection
// or keeps it open without another word, and whether it waits for release() first.
struct Response {
    QByteArray bytes;
    bool close = true;
    bool held = false;
};

Response Http(int status, const QByteArray& body, const QByteArray& extraHeaders = {}) {
    return {
        "HTTP/1.1 " + QByteArray::number(status) +
        " Test\r\nContent-Type: text/xml\r\nContent-Length: " + QByteArray::number(body.size()) +
        "\r\nConnection: close\r\n" + extraHeaders + "\r\n" + body};
}

Response Stalled(const QByteArray& bytes = {}) {
    return {bytes, false};
}

Response Held(Response response) {
    response.held = true;
    return response;
}

QByteArray Answer(const QByteArray& version, const QByteArray& link = kLink,
                  const QByteArray& notes = {}) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tallowquince><version value=\"" + version +
           "\"/><link value=\"" + link + "\"/>" + notes + "</tallowquince>\n";
}

// The answer grown to exactly `size` bytes by a comment after the document element.
QByteArray Padded(const QByteArray& answer, qsizetype size) {
    return answer + "<!--" + QByteArray(size - answer.size() - 7, ' ') + "-->";
}

// A small HTTP/1.1 server on 127.0.0.1: one request per connection, answered from a table
// of request targets; several answers for one target are given in the order of arrival.
class TestServer : public QObject {
public:
    struct Request {
        QByteArray line;
        QByteArray userAgent;
    };

    TestServer() {
        connect(&server, &QTcpServer::newConnection, this, &TestServer::accept);
        listening = server.listen(QHostAddress::LocalHost);
    }

    QString site() const { return u"http://127.0.0.1:%1"_s.arg(server.serverPort()); }
    void route(const QByteArray& target, const Response& response) {
        routes[target].append(response);
    }
    void release() {
        for (const auto& [socket, response] : std::as_const(held)) {
            if (socket) {
                send(socket, response);
            }
        }
        held.clear();
    }

    bool listening = false;
    QList<Request> requests;
    int closed = 0;  // answers written in full and their connections closed

private:
    void accept() {
        while (QTcpSocket* socket = server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            auto buffer = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                const bool complete = buffer->contains("\r\n\r\n");
                *buffer += socket->readAll();
                if (!complete && buffer->contains("\r\n\r\n")) {
                    answer(socket, *buffer);
                }
            });
        }
    }

    void answer(QTcpSocket* socket, const QByteArray& head) {
        const QList<QByteArray> lines = head.left(head.indexOf("\r\n\r\n")).split('\n');
        Request request{lines.first().trimmed(), {}};
        for (const QByteArray& line : lines) {
            if (line.toLower().startsWith("user-agent:")) {
                request.userAgent = line.mid(11).trimmed();
            }
        }
        requests.append(request);
        QList<Response>& answers = routes[request.line.split(' ').value(1)];
        const Response response = answers.isEmpty()    ? Http(404, "no such page")
                                  : answers.size() > 1 ? answers.takeFirst()
                                                       : answers.first();
        if (response.held) {
            held.append({socket, response});
        } else {
            send(socket, response);
        }
    }

    void send(QTcpSocket* socket, const Response& response) {
        socket->write(response.bytes);
        if (response.close) {
            connect(socket, &QTcpSocket::disconnected, this, [this] { ++closed; });
            socket->disconnectFromHost();
        }
    }

    QTcpServer server;
    QHash<QByteArray, QList<Response>> routes;
    QList<std::pair<QPointer<QTcpSocket>, Response>> held;
};

// The child process of abandonedAtExit: starts a check, then ends its application while the
// check still runs. Prints what was shown, when the check is deleted, and a last line once
// the application is gone.
int RunExitScenario(int argc, char** argv, const QByteArray& scenario) {
    SetMessageHandler([](MessageKind, const QString& text) {
        std::cout << "shown: " << qPrintable(text) << std::endl;
        return MessageAnswer::No;
    });
    {
        QCoreApplication app(argc, argv);
        TUpdaterThread* check = TUpdaterThread::Start(false);
        if (!check) {
            return 2;
        }
        QObject::connect(check, &QObject::destroyed,
                         [] { std::cout << "check deleted" << std::endl; });
        // The parent says when its server has the request (and, when answering, has answered).
        std::string line;
        std::getline(std::cin, line);
        if (scenario == "handover") {
            // Time for the worker to read the answer and wait for this thread, which never
            // runs its event loop again.
            QThread::msleep(500);
        } else {
            QTimer::singleShot(0, &app, &QCoreApplication::quit);
            app.exec();
        }
    }
    std::cout << "application gone" << std::endl;
    return 0;
}

}  // namespace

Q_DECLARE_METATYPE(Response)

class TestUpdate : public QObject {
    Q_OBJECT

private:
    std::optional<TestServer> server;
    std::optional<ScopedEnvironment> environment;
    std::optional<MessageRecorder> recorder;
    QStringList opened;
    UrlOpener previousOpener;

    // Waits for a started check to delete itself.
    [[nodiscard]] static bool Ends(TUpdaterThread* check) {
        if (!check) {
            return false;
        }
        QSignalSpy destroyed(check, &QObject::destroyed);
        return destroyed.wait(30000);
    }

    // What the message boxes said, as "kind: text", sorted.
    QStringList shown() const {
        QStringList list;
        for (const MessageRecorder::Message& m : recorder->messages) {
            const char* kind = m.kind == MessageKind::Confirmation  ? "Confirmation"
                               : m.kind == MessageKind::Information ? "Information"
                                                                    : "Error";
            list << QString::fromLatin1(kind) + u": "_s + m.text;
        }
        list.sort();
        return list;
    }

private slots:
    void init() {
        Settings = TSettings{};
        server.emplace();
        QVERIFY(server->listening);
        environment.emplace();
        environment->set("TALLOWQUINCE_SITE", server->site());
        recorder.emplace();
        opened.clear();
        previousOpener = SetUrlOpener([this](const QString& url) { opened << url; });
    }
    void cleanup() {
        SetUrlOpener(std::move(previousOpener));
        recorder.reset();
        environment.reset();
        server.reset();
        Settings = TSettings{};
    }

    void newerVersionIsOffered_data() {
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("link");
        const QString notesBlock = u"\r\n\r\nWhats new:\r\n"_s;

        QTest::newRow("notes, answered Yes: the link opens")
            << false << Answer("2.0.0.0", kLink, "<whatsNew>Faster start\nNew skins</whatsNew>")
            << true << kOffer + u"2.0.0.0"_s + notesBlock + u"Faster start\nNew skins"_s
            << QString::fromLatin1(kLink);
        QTest::newRow("answered No: nothing opens")
            << false << Answer("2.0.0.0", kLink, "<whatsNew>Fixes</whatsNew>") << false
            << kOffer + u"2.0.0.0"_s + notesBlock + u"Fixes"_s << QString();
        QTest::newRow("silent start-up check offers too")
            << true << Answer("1.4.0.52") << true << kOffer + u"1.4.0.52"_s
            << QString::fromLatin1(kLink);
        QTest::newRow("no whatsNew: no notes block")
            << false << Answer("2.0.0.0") << true << kOffer + u"2.0.0.0"_s
            << QString::fromLatin1(kLink);
        QTest::newRow("empty whatsNew: no notes block")
            << false << Answer("2.0.0.0", kLink, "<whatsNew></whatsNew>") << true
            << kOffer + u"2.0.0.0"_s << QString::fromLatin1(kLink);
        QTest::newRow("whatsNew as CDATA")
            << false << Answer("2.0.0.0", kLink, "<whatsNew><![CDATA[<b> & more]]></whatsNew>")
            << true << kOffer + u"2.0.0.0"_s + notesBlock + u"<b> & more"_s
            << QString::fromLatin1(kLink);
        QTest::newRow("\",\" separators, shown as sent")
            << false << Answer("1,4,0,52") << true << kOffer + u"1,4,0,52"_s
            << QString::fromLatin1(kLink);
        QTest::newRow("two-part version")
            << false << Answer("1.5") << true << kOffer + u"1.5"_s << QString::fromLatin1(kLink);
        QTest::newRow("https link")
            << false << Answer("2.0.0.0", "https://example.org/get?a=1&amp;b=2") << true
            << kOffer + u"2.0.0.0"_s << u"https://example.org/get?a=1&b=2"_s;
        QTest::newRow("other root name, first of each child, other content ignored")
            << false
            << "<answer lang=\"x\"><extra>1</extra><version value=\"2.0.0.0\" beta=\"1\"/>"
               "<version value=\"9.0.0.0\"/><link value=\"http://a.example/\"/>"
               "<link value=\"http://b.example/\"/><whatsNew>One</whatsNew>"
               "<whatsNew>Two</whatsNew></answer>"_ba
            << true << kOffer + u"2.0.0.0"_s + notesBlock + u"One"_s << u"http://a.example/"_s;
        QTest::newRow("answer of exactly 1 MiB")
            << false << Padded(Answer("2.0.0.0"), kMiB) << true << kOffer + u"2.0.0.0"_s
            << QString::fromLatin1(kLink);
    }
    void newerVersionIsOffered() {
        QFETCH(bool, silent);
        QFETCH(QByteArray, body);
        QFETCH(bool, yes);
        QFETCH(QString, expected);
        QFETCH(QString, link);
        server->route(kTarget, Http(200, body));
        recorder->answer({yes ? MessageAnswer::Yes : MessageAnswer::No});

        QVERIFY(Ends(TUpdaterThread::Start(silent)));

        QCOMPARE(server->requests.size(), 1);
        QCOMPARE(server->requests[0].line, "GET " + kTarget + " HTTP/1.1");
        QCOMPARE(server->requests[0].userAgent, "Tallowquince 1.4.0.51"_ba);
        QCOMPARE(shown(), QStringList{u"Confirmation: "_s + expected});
        QCOMPARE(opened, link.isEmpty() ? QStringList() : QStringList{link});
    }

    void noNewerVersion_data() {
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QStringList>("expected");
        const QStringList none;
        const QStringList report{u"Information: "_s + kNoUpdate};
        QTest::newRow("equal, start-up check: nothing") << "1.4.0.51"_ba << true << none;
        QTest::newRow("equal, from the options dialog: string 801")
            << "1.4.0.51"_ba << false << report;
        QTest::newRow("lower, start-up check: nothing") << "1.4.0.50"_ba << true << none;
        QTest::newRow("lower, from the options dialog: string 801")
            << "1.3.99.999"_ba << false << report;
        QTest::newRow("equal with \",\" separators: string 801")
            << "1,4,0,51"_ba << false << report;
    }
    void noNewerVersion() {
        QFETCH(QByteArray, version);
        QFETCH(bool, silent);
        QFETCH(QStringList, expected);
        server->route(kTarget, Http(200, Answer(version)));

        QVERIFY(Ends(TUpdaterThread::Start(silent)));

        QCOMPARE(server->requests.size(), 1);
        QCOMPARE(shown(), expected);
        QVERIFY(opened.isEmpty());
    }

    // Each answer has one fault, and the check then ends without a word: no offer, and not
    // even string 801 for a check from the options dialog.
    void failedCheckShowsNothing_data() {
        QTest::addColumn<Response>("response");
        const QByteArray good = Answer("2.0.0.0");
        const QByteArray over = Padded(good, kMiB + 1);
        QTest::newRow("404") << Http(404, good);
        QTest::newRow("500") << Http(500, good);
        QTest::newRow("302 without a location") << Http(302, good);
        QTest::newRow("300 with an answer") << Http(300, good);
        QTest::newRow("malformed XML") << Http(200, "<tallowquince><version value=\"2.0.0.0\">");
        QTest::newRow("empty body") << Http(200, {});
        QTest::newRow("no version element")
            << Http(200, "<a><link value=\"http://a.example/\"/></a>");
        QTest::newRow("no link element") << Http(200, "<a><version value=\"2.0.0.0\"/></a>");
        QTest::newRow("version without value")
            << Http(200, "<a><version v=\"2.0.0.0\"/><link value=\"http://a.example/\"/></a>");
        QTest::newRow("link without value")
            << Http(200, "<a><version value=\"2.0.0.0\"/><link>http://a.example/</link></a>");
        QTest::newRow("whatsNew holding an element")
            << Http(200, Answer("2.0.0.0", kLink, "<whatsNew>New <b>skins</b></whatsNew>"));
        QTest::newRow("letter in a version part") << Http(200, Answer("2.0a.0.0"));
        QTest::newRow("javascript: link") << Http(200, Answer("2.0.0.0", "javascript:alert(1)"));
        QTest::newRow("file: link") << Http(200, Answer("2.0.0.0", "file:///bin/sh"));
        QTest::newRow("link without a scheme") << Http(200, Answer("2.0.0.0", "example.org/get"));
        QTest::newRow("file: link with an equal version, from the options dialog")
            << Http(200, Answer("1.4.0.51", "file:///bin/sh"));
        QTest::newRow("body over 1 MiB with its length") << Http(200, over);
        const QByteArray unsaid = "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\n\r\n" + over;
        QTest::newRow("body over 1 MiB, length unsaid") << Response{unsaid};
        QTest::newRow("body over 1 MiB, length unsaid, connection kept open") << Stalled(unsaid);
    }
    void failedCheckShowsNothing() {
        QFETCH(Response, response);
        server->route(kTarget, response);
        recorder->answer({MessageAnswer::Yes});

        // A time-out far beyond the wait: each case must end the check by itself.
        QVERIFY(Ends(TUpdaterThread::Start(false, {.timeout = 1h})));

        // Qt may send an aborted request once more on a new connection.
        QVERIFY(!server->requests.isEmpty());
        QCOMPARE(shown(), QStringList());
        QVERIFY(opened.isEmpty());
    }

    void redirectIsFollowed_data() {
        QTest::addColumn<QByteArray>("location");
        QTest::newRow("relative") << "/moved/answer.xml"_ba;
        QTest::newRow("absolute") << "SITE/moved/answer.xml"_ba;
    }
    void redirectIsFollowed() {
        QFETCH(QByteArray, location);
        location.replace("SITE", server->site().toLatin1());
        server->route(kTarget, Http(302, {}, "Location: " + location + "\r\n"));
        server->route("/moved/answer.xml", Http(200, Answer("2.0.0.0")));
        recorder->answer({MessageAnswer::Yes});

        QVERIFY(Ends(TUpdaterThread::Start(false)));

        QCOMPARE(server->requests.size(), 2);
        QCOMPARE(server->requests[1].line, "GET /moved/answer.xml HTTP/1.1"_ba);
        QCOMPARE(server->requests[1].userAgent, "Tallowquince 1.4.0.51"_ba);
        QCOMPARE(shown(), QStringList{u"Confirmation: "_s + kOffer + u"2.0.0.0"_s});
        QCOMPARE(opened, QStringList{QString::fromLatin1(kLink)});
    }

    void stalledServerEndsAfterTimeout_data() {
        QTest::addColumn<Response>("response");
        QTest::newRow("no answer at all") << Stalled();
        QTest::newRow("headers, then silence")
            << Stalled("HTTP/1.1 200 OK\r\nContent-Length: 500\r\n\r\n<?xml version=\"1.0\"?>");
    }
    void stalledServerEndsAfterTimeout() {
        QFETCH(Response, response);
        server->route(kTarget, response);
        QElapsedTimer clock;
        clock.start();

        QVERIFY(Ends(TUpdaterThread::Start(false, {.timeout = 400ms})));

        // It waited for the server, and then gave up.
        QVERIFY(clock.elapsed() >= 350);
        QCOMPARE(server->requests.size(), 1);
        QCOMPARE(shown(), QStringList());
    }

    void autoupdateSwitchedOffDuringRequestShowsNothing() {
        server->route(kTarget, Held(Http(200, Answer("2.0.0.0"))));
        TUpdaterThread* check = TUpdaterThread::Start(false);
        QTRY_COMPARE_WITH_TIMEOUT(server->requests.size(), 1, 20000);
        Settings.autoupdate = false;
        server->release();

        QVERIFY(Ends(check));

        QCOMPARE(shown(), QStringList());
        QVERIFY(opened.isEmpty());
    }

    void twoChecksAtOnce_data() {
        QTest::addColumn<bool>("firstSilent");
        QTest::addColumn<QByteArray>("firstAnswer");
        QTest::addColumn<bool>("secondSilent");
        QTest::addColumn<QByteArray>("secondAnswer");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("each shows its own result")
            << false << Answer("2.0.0.0") << false << Answer("1.4.0.51")
            << QStringList{u"Confirmation: "_s + kOffer + u"2.0.0.0"_s,
                           u"Information: "_s + kNoUpdate};
        QTest::newRow("start-up check stays silent, the options dialog's reports")
            << true << Answer("1.4.0.51") << false << Answer("1.4.0.51")
            << QStringList{u"Information: "_s + kNoUpdate};
    }
    void twoChecksAtOnce() {
        QFETCH(bool, firstSilent);
        QFETCH(QByteArray, firstAnswer);
        QFETCH(bool, secondSilent);
        QFETCH(QByteArray, secondAnswer);
        QFETCH(QStringList, expected);
        // Neither request is answered before both have arrived.
        server->route(kTarget, Held(Http(200, firstAnswer)));
        server->route(kTarget, Held(Http(200, secondAnswer)));
        TUpdaterThread* first = TUpdaterThread::Start(firstSilent);
        TUpdaterThread* second = TUpdaterThread::Start(secondSilent);
        QVERIFY(first && second);
        QSignalSpy firstEnded(first, &QObject::destroyed);
        QSignalSpy secondEnded(second, &QObject::destroyed);
        QTRY_COMPARE_WITH_TIMEOUT(server->requests.size(), 2, 20000);
        server->release();

        QTRY_VERIFY_WITH_TIMEOUT(firstEnded.size() == 1 && secondEnded.size() == 1, 30000);

        QCOMPARE(shown(), expected);
    }

    void startIsRefusedOffTheUserInterfaceThread() {
        TUpdaterThread* check = nullptr;
        std::thread other([&check] { check = TUpdaterThread::Start(false); });
        other.join();
        QCOMPARE(check, nullptr);
    }

    // The application ends in a child process while its check still runs.
    void abandonedAtExit_data() {
        QTest::addColumn<QByteArray>("scenario");
        QTest::newRow("while the request runs") << "request"_ba;
        QTest::newRow("while waiting for the user-interface thread") << "handover"_ba;
    }
    void abandonedAtExit() {
        QFETCH(QByteArray, scenario);
        const bool answered = scenario == "handover";
        server->route(kTarget, answered ? Http(200, Answer("2.0.0.0")) : Stalled());
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"TQ_UPDATE_EXIT_SCENARIO"_s, QString::fromLatin1(scenario));
        env.insert(u"TALLOWQUINCE_SITE"_s, server->site());
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForStarted());
        if (answered) {
            QTRY_COMPARE_WITH_TIMEOUT(server->closed, 1, 20000);
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(server->requests.size(), 1, 20000);
        }
        child.write("go\n");

        // The check's own time-out is 30 seconds: the exit must not wait for it.
        QVERIFY(child.waitForFinished(20000));
        const QByteArray errors = child.readAllStandardError();
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                 errors.constData());
        // Nothing shown, and the check cleaned up with the application, not left running.
        QCOMPARE(child.readAllStandardOutput(), "check deleted\napplication gone\n"_ba);
    }
};

int main(int argc, char** argv) {
    const QByteArray scenario = qgetenv("TQ_UPDATE_EXIT_SCENARIO");
    if (!scenario.isEmpty()) {
        return RunExitScenario(argc, argv, scenario);
    }
    QCoreApplication app(argc, argv);
    TestUpdate test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_update.moc"
