#include "ui/main_window/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QThread>
#include <cstdio>

#include "platform/instance_paths.h"

namespace vantora {
namespace {

constexpr int kConnectTimeoutMs = 1000;
constexpr char kShowRequest[] = "show\n";
constexpr qint64 kMaxLine = 4096;
// How long a start that lost the lock waits for the winner to listen, and
// how often it tries to reach it meanwhile.
constexpr int kWinnerWaitMs = 10000;
constexpr int kRetryMs = 25;

// Asks the program listening on `name` to show its window; false when
// nobody answers there.
bool AskToShow(const QString& name) {
    QLocalSocket probe;
    probe.connectToServer(name);
    if (!probe.waitForConnected(kConnectTimeoutMs)) {
        return false;
    }
    probe.write(kShowRequest);
    probe.waitForBytesWritten(kConnectTimeoutMs);
    probe.disconnectFromServer();
    if (probe.state() != QLocalSocket::UnconnectedState) {
        probe.waitForDisconnected(kConnectTimeoutMs);
    }
    return true;
}

}  // namespace

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : QObject(parent), name_(serverName.isEmpty() ? DefaultServerName() : std::move(serverName)) {}

QString SingleInstance::DefaultServerName(std::string* error) {
    // A full path: the command line finds the program at the same place.
    return QString::fromStdString(InstanceSocketPath(error));
}

SingleInstance::~SingleInstance() {
    delete server_;
    server_ = nullptr;
    if (lockFd_ >= 0) {
        ::close(lockFd_);  // releases the lock
    }
}

bool SingleInstance::Acquire() {
    // The lock beside the socket decides which start runs: only its holder
    // may remove a socket file and listen, so two starts at the same moment
    // cannot both run, and a live program's socket is never removed.
    const QByteArray lockPath = (name_ + QStringLiteral(".lock")).toLocal8Bit();
    lockFd_ = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFd_ < 0) {
        // No lock to be had (an unusual folder): the socket alone decides.
        if (AskToShow(name_)) {
            return false;
        }
        QLocalServer::removeServer(name_);
        return Listen();
    }
    QElapsedTimer waited;
    waited.start();
    while (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        // Another start holds the lock: it runs, or is about to listen.
        if (AskToShow(name_)) {
            ::close(lockFd_);
            lockFd_ = -1;
            return false;
        }
        if (waited.elapsed() > kWinnerWaitMs) {
            std::fprintf(stderr, "vantora: another start of the program holds %s but does not answer\n",
                         lockPath.constData());
            ::close(lockFd_);
            lockFd_ = -1;
            return false;
        }
        QThread::msleep(kRetryMs);
    }
    // The lock is ours until this object goes: a socket file left by a
    // program that did not end cleanly is stale and goes.
    QLocalServer::removeServer(name_);
    return Listen();
}

bool SingleInstance::Listen() {
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
