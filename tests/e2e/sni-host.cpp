// A status-notifier host for the end-to-end tests, the part of a KDE, XFCE or AppIndicator
// panel that programs talk to: it owns org.kde.StatusNotifierWatcher on the session bus, says
// that a host is registered, prints each item that registers, and clicks the newest item the
// way such panels do, by calling its methods:
//   activate X Y    a left click (Activate)
//   secondary X Y   a middle click (SecondaryActivate)
// one command a line on standard input. Output lines: "ready", "registered SERVICE PATH",
// "reply METHOD" or "error METHOD MESSAGE".
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QSocketNotifier>
#include <QStringList>

#include <unistd.h>

#include <cstdio>

namespace {

void Say(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

}  // namespace

class Watcher : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ RegisteredStatusNotifierItems)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ IsStatusNotifierHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ ProtocolVersion)
public:
    QStringList RegisteredStatusNotifierItems() const { return items; }
    bool IsStatusNotifierHostRegistered() const { return true; }
    int ProtocolVersion() const { return 0; }

    // Sends METHOD(x, y) to the newest item.
    void Click(const QString& method, int x, int y) {
        if (services.isEmpty()) {
            Say("error " + method + " no item registered");
            return;
        }
        QDBusMessage call = QDBusMessage::createMethodCall(services.last(), paths.last(),
                                                           "org.kde.StatusNotifierItem", method);
        call << x << y;
        auto* pending =
            new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
        connect(pending, &QDBusPendingCallWatcher::finished, this,
                [method](QDBusPendingCallWatcher* done) {
                    const QDBusPendingReply<> reply = *done;
                    Say(reply.isError() ? "error " + method + " " + reply.error().message()
                                        : "reply " + method);
                    done->deleteLater();
                });
    }

public slots:
    // The argument is a bus name (the item's object is then /StatusNotifierItem) or an
    // object path on the caller's connection; both forms are in use.
    void RegisterStatusNotifierItem(const QString& serviceOrPath) {
        QString service = serviceOrPath;
        QString path = "/StatusNotifierItem";
        if (serviceOrPath.startsWith('/')) {
            service = message().service();
            path = serviceOrPath;
        }
        services << service;
        paths << path;
        items << service + path;
        Say("registered " + service + " " + path);
        emit StatusNotifierItemRegistered(service + path);
    }
    void RegisterStatusNotifierHost(const QString&) {}

signals:
    void StatusNotifierItemRegistered(const QString& item);
    void StatusNotifierItemUnregistered(const QString& item);
    void StatusNotifierHostRegistered();

private:
    QStringList items, services, paths;
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        Say("error no session bus");
        return 1;
    }
    Watcher watcher;
    if (!bus.registerObject("/StatusNotifierWatcher", &watcher,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                                QDBusConnection::ExportAllProperties) ||
        !bus.registerService("org.kde.StatusNotifierWatcher")) {
        Say("error cannot own org.kde.StatusNotifierWatcher: " + bus.lastError().message());
        return 1;
    }

    // Commands may arrive several in one read, or a line in pieces.
    QByteArray pending;
    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[256];
        const ssize_t n = ::read(0, buffer, sizeof buffer);
        if (n <= 0) {
            input.setEnabled(false);
            app.quit();  // the test closed its end
            return;
        }
        pending.append(buffer, n);
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1)) {
            const QStringList words =
                QString::fromUtf8(pending.left(end)).split(' ', Qt::SkipEmptyParts);
            if (words.size() == 3 && (words[0] == "activate" || words[0] == "secondary")) {
                watcher.Click(words[0] == "activate" ? "Activate" : "SecondaryActivate",
                              words[1].toInt(), words[2].toInt());
            } else if (!words.isEmpty()) {
                Say("error unknown command " + words[0]);
            }
        }
    });
    Say("ready");
    return app.exec();
}

#include "sni-host.moc"
