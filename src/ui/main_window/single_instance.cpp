#include "ui/main_window/single_instance.h"

#include <unistd.h>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

namespace vantora {
namespace {

constexpr int kConnectTimeoutMs = 1000;
constexpr char kShowRequest[] = "show\n";

}  // namespace

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : QObject(parent), name_(serverName.isEmpty() ? DefaultServerName() : std::move(serverName)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::DefaultServerName() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && runtime.startsWith('/') && QDir(QString::fromLocal8Bit(runtime)).exists()) {
        return QString::fromLocal8Bit(runtime) + QStringLiteral("/VANTORA.instance");
    }
    return QStringLiteral("VANTORA-%1").arg(::getuid());
}

bool SingleInstance::Acquire() {
    {
        QLocalSocket probe;
        probe.connectToServer(name_);
        if (probe.waitForConnected(kConnectTimeoutMs)) {
            probe.write(kShowRequest);
            probe.waitForBytesWritten(kConnectTimeoutMs);
            probe.disconnectFromServer();
            if (probe.state() != QLocalSocket::UnconnectedState) {
                probe.waitForDisconnected(kConnectTimeoutMs);
            }
            return false;
        }
    }
    // Nobody answers: a socket file left by a program that did not end
    // cleanly is stale and goes.
    QLocalServer::removeServer(name_);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (client->readAll().contains("show")) {
                    OnRequest();
                }
            });
        }
    });
    if (!server_->listen(name_)) {
        delete server_;
        server_ = nullptr;
    }
    return true;
}

void SingleInstance::SetActivationTarget(std::function<void()> activate) {
    activate_ = std::move(activate);
    if (pending_ && activate_) {
        pending_ = false;
        activate_();
    }
}

bool SingleInstance::IsListening() const {
    return server_ != nullptr && server_->isListening();
}

void SingleInstance::OnRequest() {
    if (activate_) {
        activate_();
    } else {
        pending_ = true;
    }
}

}  // namespace vantora
