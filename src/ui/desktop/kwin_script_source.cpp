#include "ui/desktop/kwin_script_source.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFileInfo>

#include "app/folders.h"

namespace vantora::ui {
namespace {

const QString kKWinService = QStringLiteral("org.kde.KWin");

QDBusMessage CallScripting(const QDBusConnection& bus, const QString& method,
                           const QVariantList& arguments = {}) {
    QDBusMessage call = QDBusMessage::createMethodCall(kKWinService, QStringLiteral("/Scripting"),
                                                       QStringLiteral("org.kde.kwin.Scripting"), method);
    call.setArguments(arguments);
    return bus.call(call, QDBus::Block, 5000);
}

bool IsTrueReply(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().constFirst().toBool();
}

}  // namespace

KWinScriptSource::KWinScriptSource(QDBusConnection bus, QString scriptPath)
    : bus_(std::move(bus)), scriptPath_(std::move(scriptPath)) {
    if (scriptPath_.isEmpty()) {
        scriptPath_ =
            QString::fromStdString(GetExeFolder()) + QStringLiteral("desktop/kwin/vantora-focus.js");
    }
}

KWinScriptSource::~KWinScriptSource() {
    Stop();
}

bool KWinScriptSource::Start(Callback, std::string& error) {
    if (loaded_) {
        error = "the KWin script is already loaded";
        return false;
    }
    if (!bus_.isConnected() || bus_.interface() == nullptr ||
        !bus_.interface()->isServiceRegistered(kKWinService)) {
        error = "KWin is not on the session bus";
        return false;
    }
    if (!QFileInfo(scriptPath_).isFile()) {
        error = "the KWin script is missing: " + scriptPath_.toStdString();
        return false;
    }
    const QString plugin = QString::fromLatin1(kPluginName);
    if (IsTrueReply(CallScripting(bus_, QStringLiteral("isScriptLoaded"), {plugin}))) {
        CallScripting(bus_, QStringLiteral("unloadScript"), {plugin});
    }
    const QDBusMessage id = CallScripting(bus_, QStringLiteral("loadScript"), {scriptPath_, plugin});
    if (id.type() != QDBusMessage::ReplyMessage || id.arguments().isEmpty() ||
        id.arguments().constFirst().toInt() < 0) {
        error = "KWin did not load the script" + (id.type() == QDBusMessage::ErrorMessage
                                                      ? ": " + id.errorMessage().toStdString()
                                                      : std::string());
        return false;
    }
    loaded_ = true;
    // Runs every loaded script that is not running yet: ours.
    const QDBusMessage started = CallScripting(bus_, QStringLiteral("start"));
    if (started.type() != QDBusMessage::ReplyMessage) {
        error = "KWin did not start the script: " + started.errorMessage().toStdString();
        Stop();
        return false;
    }
    return true;
}

void KWinScriptSource::Stop() {
    if (!loaded_) {
        return;
    }
    loaded_ = false;
    CallScripting(bus_, QStringLiteral("unloadScript"), {QString::fromLatin1(kPluginName)});
}

}  // namespace vantora::ui
