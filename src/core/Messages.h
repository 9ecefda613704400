#pragma once

#include <QString>

#include <functional>

// Every message box of the program goes through ShowMessage, so that tests can read the
// texts and answer the questions. The user interface installs the real, modal boxes.

enum class MessageKind { Information, Error, Confirmation };
enum class MessageAnswer { Ok, Yes, No };

using MessageHandler = std::function<MessageAnswer(MessageKind kind, const QString& text)>;

// Shows a modal box with the application title as caption: Information and Error with an
// OK button, Confirmation with Yes and No. Without an installed handler the text goes to
// the standard error stream and a confirmation is answered No.
MessageAnswer ShowMessage(MessageKind kind, const QString& text);

// Replaces the handler and returns the previous one.
MessageHandler SetMessageHandler(MessageHandler handler);
