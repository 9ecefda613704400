#include "Messages.h"

#include <cstdio>

namespace {

MessageHandler& CurrentHandler() {
    static MessageHandler handler;
    return handler;
}

}  // namespace

MessageAnswer ShowMessage(MessageKind kind, const QString& text) {
    if (const MessageHandler& handler = CurrentHandler()) {
        return handler(kind, text);
    }
    std::fprintf(stderr, "Tallowquince: %s\n", qUtf8Printable(text));
    return kind == MessageKind::Confirmation ? MessageAnswer::No : MessageAnswer::Ok;
}

MessageHandler SetMessageHandler(MessageHandler handler) {
    MessageHandler previous = std::move(CurrentHandler());
    CurrentHandler() = std::move(handler);
    return previous;
}
