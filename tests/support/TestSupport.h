#pragma once

#include "core/Messages.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

// Answers the program's message boxes in tests and keeps what they said.
class MessageRecorder {
public:
    struct Message {
        MessageKind kind;
        QString text;
    };

    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    // Answers for the coming confirmations, in order; after them, No.
    void answer(std::initializer_list<MessageAnswer> answers);

    QList<Message> messages;

private:
    QList<MessageAnswer> answers;
    MessageHandler previous;
};

// Sets environment variables for the life of the object, then restores them.
class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    void set(const char* name, const QString& value);
    void unset(const char* name);

private:
    void remember(const char* name);
    std::vector<std::pair<QByteArray, std::optional<QByteArray>>> saved;
};

// Writes a file with the given bytes, creating its folder; fails the test on error.
void WriteFile(const QString& path, const QByteArray& bytes);
QByteArray ReadFile(const QString& path);
