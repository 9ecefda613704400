#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

MessageRecorder::MessageRecorder() {
    previous = SetMessageHandler([this](MessageKind kind, const QString& text) {
        messages.append({kind, text});
        if (kind != MessageKind::Confirmation) {
            return MessageAnswer::Ok;
        }
        return answers.isEmpty() ? MessageAnswer::No : answers.takeFirst();
    });
}

MessageRecorder::~MessageRecorder() {
    SetMessageHandler(std::move(previous));
}

void MessageRecorder::answer(std::initializer_list<MessageAnswer> list) {
    for (MessageAnswer a : list) {
        answers.append(a);
    }
}

ScopedEnvironment::~ScopedEnvironment() {
    for (auto it = saved.rbegin(); it != saved.rend(); ++it) {
        if (it->second) {
            qputenv(it->first.constData(), *it->second);
        } else {
            qunsetenv(it->first.constData());
        }
    }
}

void ScopedEnvironment::remember(const char* name) {
    if (qEnvironmentVariableIsSet(name)) {
        saved.emplace_back(name, qgetenv(name));
    } else {
        saved.emplace_back(name, std::nullopt);
    }
}

void ScopedEnvironment::set(const char* name, const QString& value) {
    remember(name);
    qputenv(name, value.toLocal8Bit());
}

void ScopedEnvironment::unset(const char* name) {
    remember(name);
    qunsetenv(name);
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        QFAIL(qPrintable(QStringLiteral("cannot write %1").arg(path)));
    }
    file.write(bytes);
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}
