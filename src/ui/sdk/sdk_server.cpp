#include "ui/sdk/sdk_server.h"

#include <QHostAddress>

namespace vantora {

struct SdkServer::Client {
    QTcpSocket* socket = nullptr;  // owned; deleted later (it may be in its own signal)
    rgbsdk::PacketParser parser;
    std::unique_ptr<rgbsdk::RequestHandler> handler;
};

void SdkServer::Actions::SetLedColours(std::span<const std::uint32_t> colours) {
    target_.SetLedColours(colours);
    emit server_.LedsSent();
}

SdkServer::SdkServer(rgbsdk::ControllerActions& actions, QObject* parent)
    : QObject(parent), actions_(*this, actions) {
    server_.setMaxPendingConnections(16);
    connect(&server_, &QTcpServer::newConnection, this, &SdkServer::Accept);
}

SdkServer::~SdkServer() {
    // Going away tells nobody: its owner may be half destroyed already.
    blockSignals(true);
    Close();
}

bool SdkServer::Listen(quint16 port) {
    Close();
    return server_.listen(QHostAddress::LocalHost, port);
}

void SdkServer::Close() {
    server_.close();
    const bool any = !clients_.empty();
    while (!clients_.empty()) {
        Drop(*clients_.front());
    }
    if (any) {
        emit ClientsChanged();
    }
}

void SdkServer::SetController(std::optional<rgbsdk::SdkController> controller) {
    controller_ = std::move(controller);
    const std::vector<std::uint8_t> updated = rgbsdk::EncodePacket(0, rgbsdk::kDeviceListUpdated, {});
    for (auto it = clients_.begin(); it != clients_.end();) {
        Client& client = **it++;  // Send may drop it
        if (client.handler->Version() >= 1) {
            Send(client, updated);
        }
    }
}

void SdkServer::Accept() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        if (ClientCount() >= kMaxClients) {
            Refuse(socket);
            continue;
        }
        auto client = std::make_unique<Client>();
        client->socket = socket;
        client->handler = std::make_unique<rgbsdk::RequestHandler>(controller_, actions_);
        Client* raw = client.get();
        clients_.push_back(std::move(client));
        connect(socket, &QTcpSocket::readyRead, this, [this, raw] { Read(*raw); });
        connect(socket, &QTcpSocket::disconnected, this, [this, raw] {
            Drop(*raw);
            emit ClientsChanged();
        });
        emit ClientsChanged();
    }
}

void SdkServer::Read(Client& client) {
    // Each piece is taken whole: the parser holds at most one packet.
    while (client.socket->bytesAvailable() > 0) {
        const QByteArray bytes = client.socket->read(64 * 1024);
        std::vector<rgbsdk::Packet> packets;
        const bool good =
            client.parser.Feed(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                         static_cast<std::size_t>(bytes.size())),
                               packets);
        for (const rgbsdk::Packet& packet : packets) {
            for (const std::vector<std::uint8_t>& answer : client.handler->Handle(packet)) {
                if (!Send(client, answer)) {
                    return;
                }
            }
        }
        if (!good) {
            Drop(client);
            emit ClientsChanged();
            return;
        }
    }
}

bool SdkServer::Send(Client& client, const std::vector<std::uint8_t>& bytes) {
    client.socket->write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    if (client.socket->bytesToWrite() > kMaxPendingOutput) {
        Drop(client);  // it stopped reading
        emit ClientsChanged();
        return false;
    }
    return true;
}

void SdkServer::Drop(Client& client) {
    QTcpSocket* socket = client.socket;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    clients_.remove_if([&client](const std::unique_ptr<Client>& c) { return c.get() == &client; });
    if (refused_ > 0) {
        qInfo("VANTORA: OpenRGB SDK server: %d connection(s) were refused while %d clients were connected",
              refused_, kMaxClients);
        refused_ = 0;
    }
}

void SdkServer::Refuse(QTcpSocket* socket) {
    if (refused_++ == 0) {
        qWarning(
            "VANTORA: OpenRGB SDK server: %d clients are connected, the most it serves; further "
            "connections are closed until one leaves",
            kMaxClients);
    }
    // Nothing was written to it: the client reads the end of the stream.
    socket->close();
    socket->deleteLater();
}

}  // namespace vantora
