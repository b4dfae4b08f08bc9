#pragma once

#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <cstdint>
#include <list>
#include <memory>
#include <optional>

#include "rgbsdk/request_handler.h"
#include "rgbsdk/sdk_packet.h"

namespace vantora {

// The OpenRGB SDK server on 127.0.0.1: a QTcpServer on the thread that
// creates it (the UI thread), with non-blocking sockets, so a client never
// holds up the window or the other clients. Each client has its own packet
// parser and request handler over the one shared controller. A client is
// dropped when its bytes break the framing, or when more than
// kMaxPendingOutput bytes of answers wait for it to read them. At most
// kMaxClients are connected at once: a further connection is closed as soon
// as it is accepted (the first one refused while the server is full is
// logged, and how many were refused once a client leaves).
class SdkServer : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kMaxPendingOutput = 4 << 20;
    static constexpr int kMaxClients = 32;

    explicit SdkServer(rgbsdk::ControllerActions& actions, QObject* parent = nullptr);
    ~SdkServer() override;

    // Listens on 127.0.0.1:`port` (0: a free port); false when the port is
    // taken. Listening again first closes every client.
    bool Listen(quint16 port);
    // Closes the port and every client.
    void Close();
    bool IsListening() const { return server_.isListening(); }
    quint16 Port() const { return server_.serverPort(); }
    int ClientCount() const { return static_cast<int>(clients_.size()); }

    // The keyboard's controller (nothing: none connected); clients of
    // protocol 1 and above are told the device list changed.
    void SetController(std::optional<rgbsdk::SdkController> controller);

signals:
    // A client sent LED colours (the keys are its own now).
    void LedsSent();
    // A client connected or went away.
    void ClientsChanged();

private:
    struct Client;
    // Forwards a client's actions, telling LedsSent for LED updates.
    class Actions : public rgbsdk::ControllerActions {
    public:
        Actions(SdkServer& server, rgbsdk::ControllerActions& target) : server_(server), target_(target) {}
        void SetLedColours(std::span<const std::uint32_t> colours) override;
        void UpdateMode(std::int32_t index, const rgbsdk::SdkMode& mode) override {
            target_.UpdateMode(index, mode);
        }
        void SaveMode(std::int32_t index, const rgbsdk::SdkMode& mode) override {
            target_.SaveMode(index, mode);
        }
        void SetCustomMode() override { target_.SetCustomMode(); }

    private:
        SdkServer& server_;
        rgbsdk::ControllerActions& target_;
    };

    void Accept();
    void Read(Client& client);
    // False when the client was dropped.
    bool Send(Client& client, const std::vector<std::uint8_t>& bytes);
    void Drop(Client& client);
    // Closes a connection the server has no room for.
    void Refuse(QTcpSocket* socket);

    QTcpServer server_;
    Actions actions_;
    std::optional<rgbsdk::SdkController> controller_;
    std::list<std::unique_ptr<Client>> clients_;
    int refused_ = 0;  // connections refused since the server was last full
};

}  // namespace vantora
