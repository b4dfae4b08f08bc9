// The OpenRGB SDK server of the window, with clients on real sockets on
// 127.0.0.1, against the simulated keyboard.
#include "app/sdk_server_settings.h"
#include "lighting/light_editor.h"
#include "main_window_fixture.h"
#include "rgbsdk/byte_codec.h"
#include "rgbsdk/sdk_packet.h"
#include "session/sdk_keyboard.h"
#include "ui/dialogs/device_sys_set_dlg.h"
#include "ui/pages/light_page.h"
#include "ui/pages/own_texts.h"
#include "ui/sdk/sdk_server.h"
#include "ui/toolkit/edit.h"
#include "ui/toolkit/keyboard_ctrl.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QLineEdit>
#include <QTcpServer>
#include <algorithm>
#include <cerrno>
#include <memory>

namespace vantora::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace rgbsdk;

// A client of ours on a plain socket; waiting for an answer runs the
// window's event loop, which serves the server.
class Client {
public:
    explicit Client(quint16 port, int receiveBuffer = 0) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        if (receiveBuffer > 0) {
            ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        }
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~Client() { ::close(fd_); }
    bool Connected() const { return connected_; }

    // False once the server has closed the connection.
    bool Send(std::uint32_t id, const Bytes& data = {}) { return SendRaw(EncodePacket(0, id, data)); }
    bool SendRaw(const Bytes& bytes) {
        return ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT) ==
               static_cast<ssize_t>(bytes.size());
    }

    // The next packet with `id` (others are skipped); nothing within 5 s or
    // once the server closed the connection.
    std::optional<Packet> Receive(std::uint32_t id) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 5000) {
            for (auto it = received_.begin(); it != received_.end(); ++it) {
                if (it->id == id) {
                    Packet found = std::move(*it);
                    received_.erase(it);
                    return found;
                }
            }
            std::uint8_t buffer[65536];
            const ssize_t got = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
            if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK)) {
                closed_ = true;
                return std::nullopt;
            }
            if (got > 0) {
                parser_.Feed(std::span(buffer, static_cast<std::size_t>(got)), received_);
            } else {
                QTest::qWait(2);
            }
        }
        return std::nullopt;
    }
    bool Closed() const { return closed_; }

    std::uint32_t Negotiate(std::uint32_t version) {
        Bytes data;
        ByteWriter(data).U32(version);
        Send(kRequestProtocolVersion, data);
        const auto answer = Receive(kRequestProtocolVersion);
        return answer ? ByteReader(answer->data).U32() : 0xFFFFFFFF;
    }

private:
    int fd_ = -1;
    bool connected_ = false;
    bool closed_ = false;
    PacketParser parser_;
    std::vector<Packet> received_;
};

Bytes LedUpdate(std::size_t leds, std::uint32_t colour) {
    Bytes data;
    ByteWriter writer(data);
    writer.U32(static_cast<std::uint32_t>(4 + 2 + 4 * leds));
    writer.U16(static_cast<std::uint16_t>(leds));
    for (std::size_t i = 0; i < leds; ++i) {
        writer.U32(colour);
    }
    return data;
}

Bytes ModeRequest(std::int32_t index, const SdkMode& mode, std::uint32_t version) {
    Bytes data;
    ByteWriter writer(data);
    writer.U32(0);
    writer.I32(index);
    WriteMode(writer, mode, version);
    writer.PatchU32(0, static_cast<std::uint32_t>(data.size()));
    return data;
}

class SdkServerTest : public MainWindowTest {
protected:
    // The window on a plugged keyboard with the server on a free port.
    void OpenServing() {
        OpenConnected();
        ASSERT_TRUE(window->Sdk()->Apply({.enabled = true, .port = 0}));
        port = window->Sdk()->Server().Port();
        controller = SdkKeyboard(window->Session(), {}).Describe();
        ASSERT_TRUE(controller.has_value());
    }
    // The keyboard's streamed colour of the key with HID usage `code`.
    std::uint32_t StreamedColour(int code) {
        const int index = window->LayoutCodeToIndex().at(code);
        return keyboard->WithFirmware([index](sim::KeyboardFirmware& f) {
            const auto& frame = f.MusicFrame();
            const auto at = static_cast<std::size_t>(3 * index);
            return f.ShowsMusicFrame() ? PackColour(frame[at], frame[at + 1], frame[at + 2]) : 0xFFFFFFFFu;
        });
    }
    std::vector<KeyColourValue> StoredMap() {
        return LightingEditor(window->Database(), window->CurrentSelection()).KeyColours();
    }

    quint16 port = 0;
    std::optional<SdkController> controller;
};

constexpr int kKeyA = 0x04;

TEST_F(SdkServerTest, DirectFramesReachTheKeysAndNothingIsStored) {
    OpenServing();
    const auto storedBefore = StoredMap().size();
    Client client(port);
    ASSERT_TRUE(client.Connected());
    EXPECT_EQ(client.Negotiate(9), kMaxProtocolVersion);
    client.Send(kRequestControllerCount);
    const auto count = client.Receive(kRequestControllerCount);
    ASSERT_TRUE(count);
    EXPECT_EQ(ByteReader(count->data).U32(), 1u);
    Bytes version;
    ByteWriter(version).U32(kMaxProtocolVersion);
    client.Send(kRequestControllerData, version);
    const auto data = client.Receive(kRequestControllerData);
    ASSERT_TRUE(data);
    EXPECT_EQ(data->data, SerializeController(*controller, kMaxProtocolVersion));

    client.Send(kUpdateLeds, LedUpdate(controller->ledNames.size(), 0x0000FF));
    QTRY_COMPARE_WITH_TIMEOUT(StreamedColour(kKeyA), 0x0000FFu, 5000);
    EXPECT_TRUE(window->Sdk()->Driving());
    EXPECT_EQ(Control(kIdSdkNotice)->GetTitle(), GetUiString(ui_text::kSdkClientDrives));
    EXPECT_EQ(StoredMap().size(), storedBefore);
    // A second later the keys are the light mode's again.
    QTRY_VERIFY_WITH_TIMEOUT(
        !keyboard->WithFirmware([](sim::KeyboardFirmware& f) { return f.ShowsMusicFrame(); }), 5000);
    EXPECT_EQ(Control(kIdSdkNotice)->GetTitle(), "");
}

// The LEDs' display names (protocol 5) are the names the window's pictures
// show for the keys, in the window's language.
TEST_F(SdkServerTest, LedDisplayNamesAreTheNamesThePicturesShow) {
    CurrentUiLanguage = 1036;
    OpenServing();
    const std::vector<KeyItemInfo> keys = Control<KeyboardCtrl>(kIdLightPicture)->GetKeyItems();
    ASSERT_EQ(keys.size(), controller->ledDisplayNames.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(controller->ledDisplayNames[i], keys[i].desc.empty() ? keys[i].name : keys[i].desc);
    }
}

TEST_F(SdkServerTest, ModesAreSetAsTheLightPageSetsThemAndCustomIsStored) {
    OpenServing();
    Client client(port);
    ASSERT_EQ(client.Negotiate(kMaxProtocolVersion), kMaxProtocolVersion);
    std::size_t index = 2;
    while (index < controller->modes.size() && !(controller->modes[index].flags & kModeSpeed)) {
        ++index;
    }
    ASSERT_LT(index, controller->modes.size());
    SdkMode mode = controller->modes[index];
    mode.speed = mode.speed == 1 ? 2 : 1;
    const auto settingsBefore = keyboard->WithFirmware([](sim::KeyboardFirmware& f) { return f.Settings(); });
    client.Send(kUpdateMode, ModeRequest(static_cast<std::int32_t>(index), mode, kMaxProtocolVersion));
    auto current = [this] {
        return LightingEditor(window->Database(), window->CurrentSelection()).CurrentRow();
    };
    QTRY_VERIFY(current() && current()->mode == mode.value &&
                current()->speed == static_cast<int>(mode.speed));
    EXPECT_EQ(Control<MComboBox>(kIdLightMode)->GetCurData(), mode.value);  // the LIGHT page shows it
    QTRY_VERIFY_WITH_TIMEOUT(
        keyboard->WithFirmware([](sim::KeyboardFirmware& f) { return f.Settings(); }) != settingsBefore,
        5000);

    client.Send(kUpdateLeds, LedUpdate(controller->ledNames.size(), 0x00FF00));
    client.Send(kSaveMode,
                ModeRequest(kCustomModeIndex, controller->modes[kCustomModeIndex], kMaxProtocolVersion));
    QTRY_COMPARE(window->CurrentSelection().lightMode.load(), kPerKeyLightMode);
    const auto stored = StoredMap();
    EXPECT_EQ(stored.size(), controller->ledNames.size());
    const auto keyA =
        std::find_if(stored.begin(), stored.end(), [](const KeyColourValue& k) { return k.code == kKeyA; });
    ASSERT_NE(keyA, stored.end());
    EXPECT_EQ(keyA->colour, 0x00FF00u);
}

TEST_F(SdkServerTest, ClientsThatStallOrSendGarbageAreDroppedWithoutHoldingUpOthers) {
    OpenServing();
    Client stalled(port, 4096);
    Client garbage(port);
    Client good(port);
    ASSERT_EQ(good.Negotiate(kMaxProtocolVersion), kMaxProtocolVersion);
    QTRY_COMPARE(window->Sdk()->Server().ClientCount(), 3);
    garbage.SendRaw({'N', 'O', 'P', 'E', 0, 0, 0, 0});
    Bytes version;
    ByteWriter(version).U32(kMaxProtocolVersion);
    const Bytes request = EncodePacket(0, kRequestControllerData, version);
    Bytes burst;
    for (int i = 0; i < 64; ++i) {
        burst.insert(burst.end(), request.begin(), request.end());
    }
    // The stalled client asks and never reads: each answer is several KiB.
    for (int round = 0; round < 200 && stalled.SendRaw(burst); ++round) {
        good.Send(kRequestControllerCount);
        ASSERT_TRUE(good.Receive(kRequestControllerCount)) << round;
    }
    QTRY_COMPARE_WITH_TIMEOUT(window->Sdk()->Server().ClientCount(), 1, 5000);
    good.Send(kRequestControllerCount);
    EXPECT_TRUE(good.Receive(kRequestControllerCount));
    EXPECT_FALSE(garbage.Receive(kRequestControllerCount));
    EXPECT_TRUE(garbage.Closed());
}

TEST_F(SdkServerTest, AClientBeyondTheCapIsClosedAndTheOthersStillGetAnswers) {
    OpenServing();
    SdkServer& server = window->Sdk()->Server();
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < SdkServer::kMaxClients; ++i) {
        clients.push_back(std::make_unique<Client>(port));
    }
    QTRY_COMPARE(server.ClientCount(), SdkServer::kMaxClients);
    Client refused(port);
    ASSERT_TRUE(refused.Connected());  // the system accepts it, the server closes it
    EXPECT_EQ(refused.Negotiate(kMaxProtocolVersion), 0xFFFFFFFFu);
    EXPECT_TRUE(refused.Closed());
    EXPECT_EQ(server.ClientCount(), SdkServer::kMaxClients);
    for (const auto& client : clients) {
        EXPECT_EQ(client->Negotiate(kMaxProtocolVersion), kMaxProtocolVersion);
    }
    // A client that leaves makes room for the next one.
    clients.pop_back();
    QTRY_COMPARE(server.ClientCount(), SdkServer::kMaxClients - 1);
    Client next(port);
    EXPECT_EQ(next.Negotiate(kMaxProtocolVersion), kMaxProtocolVersion);
}

TEST_F(SdkServerTest, UnpluggingEmptiesTheDeviceListAndTellsClients) {
    OpenServing();
    Client client(port);
    ASSERT_EQ(client.Negotiate(1), 1u);
    keyboard->Unplug();
    ASSERT_TRUE(client.Receive(kDeviceListUpdated));
    client.Send(kRequestControllerCount);
    const auto count = client.Receive(kRequestControllerCount);
    ASSERT_TRUE(count);
    EXPECT_EQ(ByteReader(count->data).U32(), 0u);
}

// The switch and the port of the settings dialog, clicked and typed.
TEST_F(SdkServerTest, TheSettingsDialogSwitchesTheServer) {
    OpenConnected();
    ASSERT_FALSE(window->Sdk()->Server().IsListening());
    // A port nobody uses: one the system just handed out.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const int freePort = probe.serverPort();
    probe.close();
    bool clicked = false;
    WhenShown<DeviceSysSetDlg>([&](DeviceSysSetDlg* dlg) {
        auto* port = dlg->GetControlAs<MEdit>(43);
        port->GetEditHwnd()->setFocus();
        port->GetEditHwnd()->selectAll();
        QTest::keyClicks(port->GetEditHwnd(), QString::number(freePort));
        QTest::keyClick(port->GetEditHwnd(), Qt::Key_Return);
        auto* sdkSwitch = dlg->GetControlAs<CCheckButton>(41);
        QTest::mouseClick(sdkSwitch, Qt::LeftButton, {}, sdkSwitch->rect().center());
        clicked = true;
        dlg->GetControlAs<MButton>(32)->Click();
    });
    Click(Control(kIdSettings));
    QTRY_VERIFY(clicked);
    EXPECT_TRUE(window->Sdk()->Server().IsListening());
    EXPECT_EQ(window->Sdk()->Server().Port(), freePort);
    EXPECT_EQ(ReadSdkServerSettings(window->Session().ConfigPath()), (SdkServerSettings{true, freePort}));
    Client client(static_cast<quint16>(freePort));
    EXPECT_EQ(client.Negotiate(kMaxProtocolVersion), kMaxProtocolVersion);

    WhenShown<DeviceSysSetDlg>([](DeviceSysSetDlg* dlg) {
        auto* sdkSwitch = dlg->GetControlAs<CCheckButton>(41);
        EXPECT_TRUE(sdkSwitch->GetCheck());
        QTest::mouseClick(sdkSwitch, Qt::LeftButton, {}, sdkSwitch->rect().center());
        dlg->GetControlAs<MButton>(32)->Click();
    });
    Click(Control(kIdSettings));
    QTRY_VERIFY(!window->Sdk()->Server().IsListening());
    EXPECT_FALSE(ReadSdkServerSettings(window->Session().ConfigPath()).enabled);
}

}  // namespace
}  // namespace vantora::test
