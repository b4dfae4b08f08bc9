#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <string>

#include "platform/process_lock.h"

class QLocalServer;
class QLocalSocket;
class QTimer;

namespace vantora {

// One running program per user. The first start listens on a local socket
// named after the product word and the user; a later start connects to it,
// asks the first to show its window and ends. vantoractl asks its keyboard
// work of the running program on the same socket, one line per request.
// Only the same user's programs are heard (their credentials are checked),
// at most a few at once; lines longer than any request and clients that
// connect and stay silent are dropped. Nothing here waits on a client.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `serverName` empty: DefaultServerName().
    explicit SingleInstance(QString serverName = {}, QObject* parent = nullptr);
    ~SingleInstance() override;

    // InstanceSocketPath(): VANTORA.instance in the user's runtime folder;
    // empty, with the reason in `error`, when that folder is not safe.
    static QString DefaultServerName(std::string* error = nullptr);

    // Sends one reply line to the client that made a request; does nothing
    // once that client has gone.
    using Reply = std::function<void(const std::string& line)>;
    // What a request line other than "show" does (on the UI thread). Without
    // a handler every such request is answered "error".
    void SetRequestHandler(std::function<void(const std::string& line, Reply reply)> handler);

    // True when this is the first instance: it holds the lock file beside
    // the socket ("<name>.lock") until it is destroyed and listens (also when
    // the socket cannot be made: the program then runs on its own). False
    // when another instance holds the lock: it was asked to show its window
    // (a start that comes while the other is still starting waits for it to
    // listen), and `error` stays empty. False with the reason in `error`
    // (on standard error when not given) when this start cannot run: the
    // lock file cannot be used, the socket is served by another user, or the
    // instance holding the lock does not answer. A start in the background
    // (kLeaveHidden: D-Bus activation, autostart) only checks that the other
    // instance runs and leaves its window as it is.
    enum class SecondStart { kShowWindow, kLeaveHidden };
    bool Acquire(std::string* error = nullptr, SecondStart secondStart = SecondStart::kShowWindow);
    // What a later start's request does in the first instance (the main
    // window's "bring forward"). Requests that came before it is set are
    // carried out when it is set.
    void SetActivationTarget(std::function<void()> activate);
    bool IsListening() const;
    // How many clients may be connected at once, and how long one may stay
    // without sending a whole line (tests shorten it).
    void SetClientLimits(int maxClients, int silenceMs);
    const QString& ServerName() const { return name_; }

private:
    bool Listen();
    void AcceptClients();
    void ReadLines(QLocalSocket* client, QTimer* silence);
    void Drop(QLocalSocket* client);
    void OnRequest();
    void OnLine(QLocalSocket* client, const std::string& line);

    QString name_;
    QLocalServer* server_ = nullptr;
    std::function<void()> activate_;
    std::function<void(const std::string&, Reply)> handler_;
    bool pending_ = false;
    ProcessLock lock_;
    int clients_ = 0;
    int maxClients_;
    int silenceMs_;
};

}  // namespace vantora
