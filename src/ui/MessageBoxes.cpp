#include "MessageBoxes.h"

#include "core/GlobalsUnit.h"
#include "core/Messages.h"
#include "core/Shell.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

namespace {

MessageAnswer ShowMessageBox(MessageKind kind, const QString& text) {
    QMessageBox box;
    box.setWindowTitle(ApplicationTitle);
    // The program's texts use CR LF; a label wants plain line feeds.
    box.setText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    switch (kind) {
        case MessageKind::Information:
            box.setIcon(QMessageBox::Information);
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case MessageKind::Error:
            box.setIcon(QMessageBox::Critical);
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case MessageKind::Confirmation:
            box.setIcon(QMessageBox::Question);
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            break;
    }
    const int result = box.exec();
    if (kind != MessageKind::Confirmation) {
        return MessageAnswer::Ok;
    }
    return result == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

}  // namespace

void InstallMessageBoxes() {
    SetMessageHandler(ShowMessageBox);
}

void InstallUrlOpener() {
    SetUrlOpener([](const QString& url) { QDesktopServices::openUrl(QUrl(url)); });
}
