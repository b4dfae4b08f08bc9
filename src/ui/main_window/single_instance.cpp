#include "ui/main_window/single_instance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

#include "platform/instance_paths.h"

namespace vantora {
namespace {

constexpr int kConnectTimeoutMs = 1000;
constexpr char kShowRequest[] = "show\n";
constexpr qint64 kMaxLine = 4096;

}  // namespace

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : QObject(parent), name_(serverName.isEmpty() ? DefaultServerName() : std::move(serverName)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::DefaultServerName(std::string* error) {
    // A full path: the command line finds the program at the same place.
    return QString::fromStdString(InstanceSocketPath(error));
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
                while (client->canReadLine()) {
                    const QByteArray line = client->readLine().trimmed();
                    OnLine(client, line.toStdString());
                }
                // An old client's "show" without a newline, or garbage: at
                // most one short line is kept waiting.
                if (client->bytesAvailable() > kMaxLine) {
                    client->abort();
                } else if (client->peek(client->bytesAvailable()) == "show") {
                    client->readAll();
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

void SingleInstance::SetRequestHandler(std::function<void(const std::string&, Reply)> handler) {
    handler_ = std::move(handler);
}

void SingleInstance::OnLine(QLocalSocket* client, const std::string& line) {
    if (line == "show") {
        OnRequest();
        return;
    }
    QPointer<QLocalSocket> guarded(client);
    Reply reply = [guarded](const std::string& answer) {
        if (guarded && guarded->state() == QLocalSocket::ConnectedState) {
            guarded->write(QByteArray::fromStdString(answer + "\n"));
            guarded->flush();
        }
    };
    if (!handler_ || line.empty()) {
        reply("error");
        return;
    }
    handler_(line, std::move(reply));
}

void SingleInstance::OnRequest() {
    if (activate_) {
        activate_();
    } else {
        pending_ = true;
    }
}

}  // namespace vantora
