// The service on a private session bus: a client of ours (QtDBus) and one
// that is not (gdbus) drive the in-process keyboard through it.
#include "ui/dbus/bus_service.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>
#include <QDBusVariant>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>

#include <sqlite3.h>
#include <cstdio>

#include "db/sqlite_db.h"
#include "device/device_connection.h"
#include "session/device_session.h"
#include "sim/in_process_backend.h"
#include "support/env_guard.h"
#include "support/fake_clock.h"
#include "support/manual_hotplug.h"
#include "support/temp_dir.h"
#include "sync/device_worker.h"
#include "ui/dbus/private_bus.h"
#include "ui/desktop/app_profile_follower.h"

namespace vantora::test {
namespace {

constexpr const char* kErrorPrefix = "io.github.vantora.Vantora1.Error.";

// The window's part of the session for the service: the busy state.
class BusyObserver : public SessionObserver {
public:
    void OnKeyboardActivity(const WriteActivity& activity) override {
        if (service != nullptr && activity.kind != WriteActivity::Kind::kProgress) {
            const bool busy = activity.kind == WriteActivity::Kind::kStarted;
            QMetaObject::invokeMethod(
                service, [this, busy] { service->SetBusy(busy); }, Qt::QueuedConnection);
        }
    }
    BusService* service = nullptr;
};

class BusServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(bus.address.isEmpty()) << "dbus-daemon did not start";
        env.Set(kBusyTimeoutVariable, "20");  // a busy database answers at once
        SessionOptions options;
        options.programFolder = VANTORA_BIN_DIR;
        options.dataFolder = dir.path() + "data/";
        options.backend = backend;
        options.clock = &clock;
        options.listenForEvents = false;
        options.hotplugSources = [] {
            std::vector<std::unique_ptr<HotplugSource>> sources;
            sources.push_back(std::make_unique<ManualHotplug>());
            return sources;
        };
        session = std::make_unique<DeviceSession>(std::move(options), observer);
        ASSERT_TRUE(session->Start());
        QTRY_VERIFY_WITH_TIMEOUT(session->Worker()->InitialLoadDone(), 10000);
        service = std::make_unique<BusService>(*session);
        observer.service = service.get();
        std::string error;
        ASSERT_TRUE(service->Register(QDBusConnection::connectToBus(bus.address, "service"), &error))
            << error;
    }
    void TearDown() override {
        observer.service = nullptr;
        service.reset();
        session->Stop();
        QDBusConnection::disconnectFromBus("service");
        QDBusConnection::disconnectFromBus("client");
    }

    // A call that keeps this thread's events going (the service answers on it).
    QDBusMessage Call(const QString& method, const QVariantList& args = {},
                      const QString& interface = BusService::kInterface) {
        QDBusMessage message = QDBusMessage::createMethodCall(BusService::kServiceName,
                                                              BusService::kObjectPath, interface, method);
        message.setArguments(args);
        return client.call(message, QDBus::BlockWithGui, 20000);
    }
    QVariant Property(const QString& name) {
        const QDBusMessage reply =
            Call("Get", {QString(BusService::kInterface), name}, "org.freedesktop.DBus.Properties");
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }
    std::array<std::uint8_t, protocol::kKeyTableSize> KeyTable() {
        return keyboard->WithFirmware([](sim::KeyboardFirmware& f) { return f.KeyTable(); });
    }
    std::uint8_t SwitchByte() {
        return keyboard->WithFirmware([](sim::KeyboardFirmware& f) { return f.Settings()[17]; });
    }

    TempDir dir;
    EnvGuard env;
    PrivateBus bus{dir};
    YieldingClock clock;
    std::shared_ptr<sim::InProcessHidBackend> backend = std::make_shared<sim::InProcessHidBackend>(clock);
    std::shared_ptr<sim::InProcessKeyboard> keyboard = backend->AddKeyboard();
    BusyObserver observer;
    std::unique_ptr<DeviceSession> session;
    std::unique_ptr<BusService> service;
    QDBusConnection client = QDBusConnection::connectToBus(bus.address, "client");
};

TEST_F(BusServiceTest, PropertiesDescribeTheKeyboard) {
    EXPECT_EQ(Property("Connected").toBool(), true);
    EXPECT_EQ(Property("VendorId").value<quint16>(), 0x1209);
    EXPECT_EQ(Property("FirmwareVersion").value<quint16>(), 0x0102);
    EXPECT_EQ(Property("Layout").toString().toStdString(), session->LayoutName());
    EXPECT_EQ(Property("ActiveProfile").toInt(), 1);
    const QDBusMessage all =
        Call("GetAll", {QString(BusService::kInterface)}, "org.freedesktop.DBus.Properties");
    EXPECT_EQ(all.type(), QDBusMessage::ReplyMessage);
}

// A key of another profile is only stored; selecting that profile through
// the property writes it, and PropertiesChanged tells the new value.
TEST_F(BusServiceTest, SettingActiveProfileWritesItsKeysToTheKeyboard) {
    const auto before = KeyTable();
    const QDBusMessage set = Call("SetKey", {2, 0, QString("Letter A"), QStringList{"key", "B"}});
    ASSERT_EQ(set.type(), QDBusMessage::ReplyMessage) << set.errorMessage().toStdString();
    EXPECT_FALSE(set.arguments().value(0).toBool());
    EXPECT_EQ(KeyTable(), before);

    ChangeSpy spy;
    ASSERT_TRUE(client.connect(BusService::kServiceName, BusService::kObjectPath,
                               "org.freedesktop.DBus.Properties", "PropertiesChanged", &spy,
                               SLOT(Changed(QString, QVariantMap, QStringList))));
    const QDBusMessage select = Call(
        "Set",
        {QString(BusService::kInterface), QString("ActiveProfile"), QVariant::fromValue(QDBusVariant(2))},
        "org.freedesktop.DBus.Properties");
    ASSERT_EQ(select.type(), QDBusMessage::ReplyMessage) << select.errorMessage().toStdString();
    EXPECT_NE(KeyTable(), before);  // written before the answer
    EXPECT_EQ(Property("ActiveProfile").toInt(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(spy.seen.value("ActiveProfile").toInt(), 2, 5000);
}

TEST_F(BusServiceTest, AKeyOfTheActiveProfileReachesTheKeyboard) {
    const auto before = KeyTable();
    const QDBusMessage set = Call("SetKey", {0, 0, QString("Letter A"), QStringList{"key", "B"}});
    ASSERT_EQ(set.type(), QDBusMessage::ReplyMessage) << set.errorMessage().toStdString();
    EXPECT_TRUE(set.arguments().value(0).toBool());
    EXPECT_NE(KeyTable(), before);
    const QDBusMessage keys = Call("ListKeys", {0, 0});
    EXPECT_EQ(keys.signature().toStdString(), "aa{sv}");
}

TEST_F(BusServiceTest, ErrorsAreNamedAsTheExitCodes) {
    auto error = [this](const QString& method, const QVariantList& args) {
        return Call(method, args).errorName().toStdString();
    };
    EXPECT_EQ(error("SelectProfile", {99}), std::string(kErrorPrefix) + "NotFound");
    EXPECT_EQ(error("FactoryReset", {false}), std::string(kErrorPrefix) + "Usage");
    EXPECT_EQ(error("SetLightMode", {QString("1"), QVariant::fromValue(QVariantMap{{"loud", 1}})}),
              std::string(kErrorPrefix) + "Usage");
    EXPECT_EQ(error("ImportProfile", {QString::fromStdString(dir.path() + "missing.xml")}),
              std::string(kErrorPrefix) + "File");
    EXPECT_EQ(error("AddProfile", {QString()}), std::string(kErrorPrefix) + "Refused");
    EXPECT_EQ(error("SelectProfile", {QString("2")}), "org.freedesktop.DBus.Error.InvalidArgs");
    keyboard->Unplug();
    session->Connection()->Reconnect();
    EXPECT_EQ(error("SetSwitch", {QString("win"), true}), std::string(kErrorPrefix) + "NoKeyboard");
}

// What no rule of the service decides: a keyboard that refuses, a database
// another program keeps busy beyond the wait, a database that cannot be
// opened.
TEST_F(BusServiceTest, FaultsAnswerTheirNamedErrors) {
    const std::string prefix = kErrorPrefix;
    const std::string data = dir.path() + "data/";
    ASSERT_EQ(::rename((data + "db").c_str(), (data + "db-away").c_str()), 0);
    dir.WriteFile("data/db", "not a folder");
    EXPECT_EQ(Call("AddProfile", {QString("Games")}).errorName().toStdString(), prefix + "NoDatabase");
    ASSERT_EQ(::remove((data + "db").c_str()), 0);
    ASSERT_EQ(::rename((data + "db-away").c_str(), (data + "db").c_str()), 0);

    keyboard->SetFaults({.refuseAll = true});
    EXPECT_EQ(Call("SetSwitch", {QString("win"), true}).errorName().toStdString(), prefix + "KeyboardFailed");
    keyboard->SetFaults({});

    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(session->Database().DatabasePath().c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_EQ(Call("AddProfile", {QString("Games")}).errorName().toStdString(), prefix + "Busy");
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    EXPECT_EQ(Call("AddProfile", {QString("Games")}).type(), QDBusMessage::ReplyMessage);
}

// The answer waits for the download: when it arrives, the keyboard has the
// switch the property set.
TEST_F(BusServiceTest, AWriteAnswersOnceItsDownloadEnded) {
    QDBusMessage message = QDBusMessage::createMethodCall(BusService::kServiceName, BusService::kObjectPath,
                                                          "org.freedesktop.DBus.Properties", "Set");
    message << QString(BusService::kInterface) << QString("WinKeyDisabled")
            << QVariant::fromValue(QDBusVariant(true));
    QDBusPendingCallWatcher watcher(client.asyncCall(message));
    std::optional<std::uint8_t> atAnswer;
    QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, [&] { atAnswer = SwitchByte(); });
    QTRY_VERIFY_WITH_TIMEOUT(atAnswer.has_value(), 20000);
    EXPECT_FALSE(watcher.isError()) << watcher.error().message().toStdString();
    EXPECT_EQ(*atAnswer, 0x01);
    EXPECT_TRUE(Property("WinKeyDisabled").toBool());
    EXPECT_FALSE(Property("Busy").toBool());
}

// A client that is not ours: gdbus reads the description and calls a method.
TEST_F(BusServiceTest, GdbusIntrospectsAndCalls) {
    auto run = [this](const QStringList& args) {
        QProcess gdbus;
        gdbus.start("gdbus", QStringList{args.front(), "--address", bus.address, "--dest",
                                         BusService::kServiceName, "--object-path", BusService::kObjectPath} +
                                 args.mid(1));
        gdbus.waitForStarted();
        while (!gdbus.waitForFinished(5)) {
            QCoreApplication::processEvents();
        }
        return QString::fromUtf8(gdbus.readAllStandardOutput());
    };
    const QString description = run({"introspect"});
    EXPECT_TRUE(description.contains("SetKeyColors")) << description.toStdString();
    EXPECT_TRUE(description.contains("readwrite i ActiveProfile")) << description.toStdString();
    const QString profiles = run({"call", "--method", "io.github.vantora.Vantora1.ListProfiles"});
    EXPECT_TRUE(profiles.contains("'stored_name'")) << profiles.toStdString();
}

// On KWin and GNOME Shell a desktop script reports the window in front the
// way gdbus does here: the rule's profile is selected and its keys written.
// Elsewhere the report is refused and the source is "".
TEST_F(BusServiceTest, AReportedWindowSelectsItsRulesProfileWhereTheDesktopReports) {
    EXPECT_EQ(Call("ReportActiveWindow", {QString("firefox"), QString()}).errorName().toStdString(),
              std::string(kErrorPrefix) + "Refused");
    AppProfileFollower follower(*session, {},
                                ui::ActiveWindowChoice{ui::ActiveWindowDesktop::kKWin, nullptr});
    follower.Start();
    service->SetFollower(&follower);
    EXPECT_EQ(Property("AutoProfileSource").toString(), "kwin");
    EXPECT_TRUE(Property("AutoProfileEnabled").toBool());
    ASSERT_EQ(Call("SetKey", {2, 0, QString("Letter A"), QStringList{"key", "B"}}).type(),
              QDBusMessage::ReplyMessage);
    const QDBusMessage added = Call("AddProfileRule", {QString("Firefox"), QString("*Mozilla*"), 2});
    ASSERT_EQ(added.type(), QDBusMessage::ReplyMessage) << added.errorMessage().toStdString();
    EXPECT_EQ(added.arguments().value(0).toInt(), 1);
    EXPECT_EQ(Call("ListProfileRules").arguments().value(0).value<QDBusArgument>().currentType(),
              QDBusArgument::ArrayType);
    const auto before = KeyTable();

    QProcess gdbus;
    gdbus.start("gdbus",
                {"call", "--address", bus.address, "--dest", BusService::kServiceName, "--object-path",
                 BusService::kObjectPath, "--method", "io.github.vantora.Vantora1.ReportActiveWindow",
                 "firefox", "Start page - Mozilla Firefox"});
    ASSERT_TRUE(gdbus.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(gdbus.state() == QProcess::NotRunning, 10000);
    EXPECT_EQ(gdbus.exitCode(), 0) << gdbus.readAllStandardError().toStdString();
    QTRY_COMPARE_WITH_TIMEOUT(session->Database().GetActiveProfile(), 2, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(KeyTable() != before, 10000);

    const QDBusMessage pause = Call("Set",
                                    {QString(BusService::kInterface), QString("AutoProfileEnabled"),
                                     QVariant::fromValue(QDBusVariant(false))},
                                    "org.freedesktop.DBus.Properties");
    ASSERT_EQ(pause.type(), QDBusMessage::ReplyMessage) << pause.errorMessage().toStdString();
    EXPECT_FALSE(Property("AutoProfileEnabled").toBool());
    EXPECT_EQ(Call("RemoveProfileRule", {1}).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(Call("RemoveProfileRule", {1}).errorName().toStdString(),
              std::string(kErrorPrefix) + "NotFound");
    service->SetFollower(nullptr);
}

// Clients hear of the rules changing (ProfileRulesChanged), and of the
// source given up when it cannot start (AutoProfileSource).
TEST_F(BusServiceTest, RuleChangesAndTheSourceAreTold) {
    ChangeSpy spy;
    ASSERT_TRUE(client.connect(BusService::kServiceName, BusService::kObjectPath, BusService::kInterface,
                               "ProfileRulesChanged", &spy, SLOT(Told())));
    ASSERT_TRUE(client.connect(BusService::kServiceName, BusService::kObjectPath,
                               "org.freedesktop.DBus.Properties", "PropertiesChanged", &spy,
                               SLOT(Changed(QString, QVariantMap, QStringList))));
    ASSERT_EQ(Call("AddProfileRule", {QString("Firefox"), QString(), 1}).type(), QDBusMessage::ReplyMessage);
    QTRY_COMPARE_WITH_TIMEOUT(spy.told, 1, 5000);
    ASSERT_EQ(Call("RemoveProfileRule", {1}).type(), QDBusMessage::ReplyMessage);
    QTRY_COMPARE_WITH_TIMEOUT(spy.told, 2, 5000);
    Call("ListProfileRules");  // no change, no signal
    EXPECT_EQ(spy.told, 2);

    struct FailingSource : platform::ActiveWindowSource {
        bool Start(Callback, std::string& error) override {
            error = "no display";
            return false;
        }
        void Stop() override {}
    };
    AppProfileFollower follower(
        *session, {},
        ui::ActiveWindowChoice{ui::ActiveWindowDesktop::kX11, std::make_unique<FailingSource>()});
    service->SetFollower(&follower);
    QObject::connect(&follower, &AppProfileFollower::SettingsChanged, service.get(), &BusService::Refresh);
    QTRY_COMPARE_WITH_TIMEOUT(spy.seen.value("AutoProfileSource").toString(), QString("x11"), 5000);
    follower.Start();
    QTRY_COMPARE_WITH_TIMEOUT(spy.seen.value("AutoProfileSource").toString(), QString(), 5000);
    EXPECT_EQ(Property("AutoProfileSource").toString(), QString());
    service->SetFollower(nullptr);
}

}  // namespace
}  // namespace vantora::test
