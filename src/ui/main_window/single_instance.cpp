#include "ui/main_window/single_instance.h"

#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <cstdio>

#include "app/peer_user.h"
#include "platform/instance_paths.h"

namespace vantora {
namespace {

constexpr int kConnectTimeoutMs = 1000;
constexpr char kShowRequest[] = "show\n";
// The longest request line, and how many programs may talk to us at once.
constexpr qint64 kMaxLine = 4096;
constexpr int kMaxClients = 16;
constexpr int kSilenceMs = 10000;
// How long a start that lost the lock waits for the winner to listen, and
// how often it tries to reach it meanwhile.
constexpr int kWinnerWaitMs = 10000;
constexpr int kRetryMs = 25;

enum class Asked { kShown, kNobody, kRefused };

// Asks the program listening on `name` to show its window (or, without
// `show`, only checks that it runs). kNobody when nobody answers there;
// kRefused, with the reason in `error`, when another user listens there.
Asked AskToShow(const QString& name, bool show, std::string& error) {
    QLocalSocket probe;
    probe.connectToServer(name);
    if (!probe.waitForConnected(kConnectTimeoutMs)) {
        return Asked::kNobody;
    }
    if (!ListenerIsThisUser(static_cast<int>(probe.socketDescriptor()), name.toStdString(), &error)) {
        probe.abort();
        return Asked::kRefused;
    }
    if (show) {
        probe.write(kShowRequest);
        probe.waitForBytesWritten(kConnectTimeoutMs);
    }
    probe.disconnectFromServer();
    if (probe.state() != QLocalSocket::UnconnectedState) {
        probe.waitForDisconnected(kConnectTimeoutMs);
    }
    return Asked::kShown;
}

}  // namespace

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : QObject(parent),
      name_(serverName.isEmpty() ? DefaultServerName() : std::move(serverName)),
      maxClients_(kMaxClients),
      silenceMs_(kSilenceMs) {}

QString SingleInstance::DefaultServerName(std::string* error) {
    // A full path: the command line finds the program at the same place.
    return QString::fromStdString(InstanceSocketPath(error));
}

SingleInstance::~SingleInstance() {
    delete server_;
    server_ = nullptr;
}

bool SingleInstance::Acquire(std::string* error, SecondStart secondStart) {
    // The lock beside the socket decides which start runs: only its holder
    // may remove a socket file and listen, so two starts at the same moment
    // cannot both run, and a live program's socket is never removed.
    const std::string lockPath = (name_ + QStringLiteral(".lock")).toStdString();
    auto fail = [error](const std::string& why) {
        if (error != nullptr) {
            *error = why;
        } else {
            std::fprintf(stderr, "vantora: %s\n", why.c_str());
        }
        return false;
    };
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        const LockResult locked = lock_.Acquire(lockPath, 0);
        if (locked.Held()) {
            break;
        }
        if (locked.status == LockResult::Status::kFailed) {
            return fail(locked.error);  // not a sign of another start
        }
        // Another start holds the lock: it runs, or is about to listen.
        std::string refused;
        switch (AskToShow(name_, secondStart == SecondStart::kShowWindow, refused)) {
            case Asked::kShown:
                return false;
            case Asked::kRefused:
                return fail(refused);
            case Asked::kNobody:
                break;
        }
        if (waited.elapsed() > kWinnerWaitMs) {
            return fail("another start of the program holds " + lockPath + " but does not answer");
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
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::AcceptClients);
    if (!server_->listen(name_)) {
        delete server_;
        server_ = nullptr;
    }
    return true;
}

void SingleInstance::AcceptClients() {
    while (QLocalSocket* client = server_->nextPendingConnection()) {
        // Only this user's programs; never more than a few at once.
        if (!PeerIsThisUser(static_cast<int>(client->socketDescriptor())) || clients_ >= maxClients_) {
            Drop(client);
            continue;
        }
        ++clients_;
        connect(client, &QObject::destroyed, this, [this] { --clients_; });
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        // What a client sends is read a line at a time; a flood waits in the
        // kernel rather than in our memory.
        client->setReadBufferSize(kMaxLine);
        // A client that connects and says nothing is let go after a while,
        // so it cannot hold a place for ever.
        auto* silence = new QTimer(client);
        silence->setSingleShot(true);
        connect(silence, &QTimer::timeout, client, [this, client] { Drop(client); });
        silence->start(silenceMs_);
        connect(client, &QLocalSocket::readyRead, this,
                [this, client, silence] { ReadLines(client, silence); });
        if (client->bytesAvailable() > 0) {
            ReadLines(client, silence);
        }
    }
}

void SingleInstance::ReadLines(QLocalSocket* client, QTimer* silence) {
    while (client->canReadLine()) {
        const QByteArray line = client->readLine(kMaxLine);
        if (!line.endsWith('\n')) {
            Drop(client);  // longer than any request
            return;
        }
        silence->stop();
        OnLine(client, line.trimmed().toStdString());
        if (client->state() != QLocalSocket::ConnectedState) {
            return;
        }
    }
    // A line longer than any request is garbage; an old client's "show"
    // without a newline still counts.
    if (client->bytesAvailable() >= kMaxLine) {
        Drop(client);
    } else if (client->peek(client->bytesAvailable()) == "show") {
        client->readAll();
        silence->stop();
        OnRequest();
    }
}

void SingleInstance::Drop(QLocalSocket* client) {
    client->abort();
    client->deleteLater();
}

void SingleInstance::SetActivationTarget(std::function<void()> activate) {
    activate_ = std::move(activate);
    if (pending_ && activate_) {
        pending_ = false;
        activate_();
    }
}

void SingleInstance::SetClientLimits(int maxClients, int silenceMs) {
    maxClients_ = maxClients;
    silenceMs_ = silenceMs;
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
