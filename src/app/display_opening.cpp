#include "app/display_opening.h"

#include <QByteArray>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace md5z {
namespace {

struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};

// Messages arrive on the constructing thread only; nothing else runs yet.
std::vector<HeldMessage>& heldMessages() {
    static std::vector<HeldMessage> messages;
    return messages;
}

std::string describedVariable(const char* name) {
    const QByteArray value = qgetenv(name);
    return std::string(name) + (value.isEmpty() ? " is not set" : "=" + value.toStdString());
}

[[noreturn]] void reportNoDisplay() {
    std::fprintf(stderr, "md5zevrin: no display could be opened (%s, %s)\n",
                 describedVariable("DISPLAY").c_str(),
                 describedVariable("WAYLAND_DISPLAY").c_str());
    std::fflush(stderr);
    std::_Exit(EXIT_FAILURE);
}

QtMessageHandler& previousHandler() {
    static QtMessageHandler handler = nullptr;
    return handler;
}

void passOnHeldMessages() {
    qInstallMessageHandler(previousHandler());
    for (const HeldMessage& message : heldMessages()) {
        const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
        qt_message_output(message.type, context, message.text);
    }
    heldMessages().clear();
}

void holdOrEnd(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        heldMessages().push_back({type, QByteArray(context.category), text});
        return;
    }
    // Qt's words when neither the chosen nor any fallback platform opens.
    if (text.contains(QStringLiteral("platform plugin"))) {
        reportNoDisplay();
    }
    passOnHeldMessages();
    qt_message_output(type, context, text);
}

}  // namespace

DisplayOpening::DisplayOpening() {
    previousHandler() = qInstallMessageHandler(holdOrEnd);
}

DisplayOpening::~DisplayOpening() {
    opened();
}

void DisplayOpening::opened() {
    if (watching_) {
        watching_ = false;
        passOnHeldMessages();
    }
}

}  // namespace md5z
