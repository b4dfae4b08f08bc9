// The service as the program runs it: in the main window, and started by
// D-Bus activation without a window.
#include "ui/dbus/window_bus.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFile>
#include <future>

#include "session/app_rules.h"
#include "support/child_process.h"
#include "ui/dbus/private_bus.h"
#include "ui/main_window/main_window_fixture.h"
#include "ui/main_window/single_instance.h"

namespace vantora::test {
namespace {

QDBusMessage PropertyCall(const QString& method, const QVariantList& args) {
    QDBusMessage message = QDBusMessage::createMethodCall(BusService::kServiceName, BusService::kObjectPath,
                                                          "org.freedesktop.DBus.Properties", method);
    message.setArguments(args);
    return message;
}

class WindowBusTest : public MainWindowTest {
protected:
    void TearDown() override {
        service.reset();
        MainWindowTest::TearDown();
        QDBusConnection::disconnectFromBus("window");
        QDBusConnection::disconnectFromBus("client");
    }
    void Serve() {
        ASSERT_FALSE(bus.address.isEmpty()) << "dbus-daemon did not start";
        std::string error;
        service = ServeWindowOnBus(*window, QDBusConnection::connectToBus(bus.address, "window"), &error);
        ASSERT_NE(service, nullptr) << error;
        ASSERT_TRUE(client.connect(BusService::kServiceName, BusService::kObjectPath,
                                   "org.freedesktop.DBus.Properties", "PropertiesChanged", &spy,
                                   SLOT(Changed(QString, QVariantMap, QStringList))));
    }

    PrivateBus bus{dir};
    QDBusConnection client = QDBusConnection::connectToBus(bus.address, "client");
    ChangeSpy spy;
    std::unique_ptr<BusService> service;
};

// A call's change shows on the window's page; the window's own change is
// told to the bus.
TEST_F(WindowBusTest, TheWindowShowsCallsAndItsChangesAreTold) {
    OpenConnected();
    Serve();
    QDBusMessage select = QDBusMessage::createMethodCall(BusService::kServiceName, BusService::kObjectPath,
                                                         BusService::kInterface, "SelectProfile");
    select << 2;
    const QDBusMessage reply = client.call(select, QDBus::BlockWithGui, 20000);
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    auto* profiles = Control<MComboBox>(kIdProfileList);
    ASSERT_NE(profiles, nullptr);
    EXPECT_EQ(profiles->GetCurData(), 2);

    spy.seen.clear();
    Choose(kIdProfileList, 1);
    QTRY_COMPARE_WITH_TIMEOUT(spy.seen.value("ActiveProfile").toInt(), 1, 10000);
}

// vantoractl's change, made through the running program, is told as well.
TEST_F(WindowBusTest, AChangeByVantoractlIsTold) {
    const std::string runtime = dir.path() + "run";
    ::mkdir(runtime.c_str(), 0700);
    env.Set("XDG_RUNTIME_DIR", runtime);
    env.Set("VANTORA_SIMULATED_ONLY", "1");
    PlugKeyboard();
    MainWindowOptions options = Options();
    options.dataFolder = dir.path() + "documents/VANTORA Files/";  // vantoractl's folder
    window = std::make_unique<DeviceMainDlg>(options);
    ASSERT_TRUE(window->CreateMainWindow());
    window->show();
    QTRY_VERIFY_WITH_TIMEOUT(window->Worker()->InitialLoadDone(), 10000);
    SingleInstance instance;
    ASSERT_TRUE(instance.Acquire());
    instance.SetRequestHandler([this](const std::string& line, SingleInstance::Reply reply) {
        window->HandleRequest(line, std::move(reply));
    });
    Serve();
    auto running = std::async(std::launch::async, [] {
        return RunProgram(std::string(VANTORA_BIN_DIR) + "vantoractl", {"switch", "win", "on"});
    });
    while (running.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
        QTest::qWait(5);
    }
    const ProcessResult result = running.get();
    EXPECT_EQ(result.exitCode, 0) << result.err;
    QTRY_VERIFY_WITH_TIMEOUT(spy.seen.value("WinKeyDisabled").toBool(), 10000);
}

// The pause switch the window's rules dialog changes is told to the bus.
TEST_F(WindowBusTest, ThePauseSwitchOfTheWindowIsTold) {
    OpenConnected();
    Serve();
    ASSERT_TRUE(StoreAppProfileEnabled(window->Database(), false));
    window->Follower().TellSettingsChanged();
    QTRY_VERIFY_WITH_TIMEOUT(spy.seen.contains("AutoProfileEnabled"), 10000);
    EXPECT_FALSE(spy.seen.value("AutoProfileEnabled").toBool());
}

// A client calling the name starts the program, without a window, and
// gets its answer.
TEST(BusActivationTest, ACallStartsTheProgramInTheBackground) {
    TempDir dir;
    EnvGuard env;
    for (const char* folder : {"home", "config", "documents", "run"}) {
        ::mkdir((dir.path() + folder).c_str(), 0700);
    }
    env.Set("HOME", dir.path() + "home");
    env.Set("XDG_CONFIG_HOME", dir.path() + "config");
    env.Set("XDG_DOCUMENTS_DIR", dir.path() + "documents");
    env.Set("XDG_RUNTIME_DIR", dir.path() + "run");
    env.Set("VANTORA_SIM_DIR", dir.path() + "run/sim");
    env.Set("VANTORA_SIMULATED_ONLY", "1");
    env.Set("QT_QPA_PLATFORM", "offscreen");
    dir.WriteFile("services/io.github.vantora.Vantora.service",
                  "[D-BUS Service]\nName=io.github.vantora.Vantora\nExec=" + std::string(VANTORA_BIN_DIR) +
                      "vantora --background\n");
    PrivateBus bus(dir, dir.path() + "services");
    ASSERT_FALSE(bus.address.isEmpty()) << "dbus-daemon did not start";
    {
        QDBusConnection client = QDBusConnection::connectToBus(bus.address, "activation");
        const QDBusMessage reply =
            client.call(PropertyCall("Get", {QString(BusService::kInterface), QString("Connected")}),
                        QDBus::Block, 30000);
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        EXPECT_FALSE(reply.arguments().value(0).value<QDBusVariant>().variant().toBool());  // no keyboard
        const uint pid = client.interface()->servicePid(BusService::kServiceName);
        ASSERT_GT(pid, 0u);
        QFile command(QString("/proc/%1/cmdline").arg(pid));
        ASSERT_TRUE(command.open(QIODevice::ReadOnly));
        EXPECT_TRUE(command.readAll().contains("--background"));
        ::kill(static_cast<pid_t>(pid), SIGTERM);
    }
    QDBusConnection::disconnectFromBus("activation");
}

}  // namespace
}  // namespace vantora::test
