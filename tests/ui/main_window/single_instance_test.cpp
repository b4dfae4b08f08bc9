// One program per user: the in-process guard and the built program started
// twice.
#include "ui/main_window/single_instance.h"
#include "platform/process_lock.h"
#include "support/env_guard.h"
#include "support/other_user.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>
#include <cstring>
#include <functional>

namespace vantora::test {
namespace {

// The program's environment in a private home under `dir`, offscreen and
// with simulated keyboards only.
QProcessEnvironment ProgramEnvironment(const TempDir& dir) {
    for (const char* sub : {"home", "config", "run", "documents", "sim"}) {
        ::mkdir((dir.path() + sub).c_str(), 0700);
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("HOME", QString::fromStdString(dir.path() + "home"));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.path() + "config"));
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(dir.path() + "run"));
    env.insert("XDG_DOCUMENTS_DIR", QString::fromStdString(dir.path() + "documents"));
    env.insert("VANTORA_SIM_DIR", QString::fromStdString(dir.path() + "sim"));
    env.insert("VANTORA_SIMULATED_ONLY", "1");
    env.remove("DBUS_SESSION_BUS_ADDRESS");  // never the session bus of the person running the tests
    return env;
}

TEST(SingleInstanceTest, ASecondInstanceAsksTheFirstToShowItselfAndStandsDown) {
    TempDir dir;
    const QString name = QString::fromStdString(dir.path() + "instance");
    SingleInstance first(name);
    ASSERT_TRUE(first.Acquire());
    EXPECT_TRUE(first.IsListening());
    int activations = 0;
    first.SetActivationTarget([&] { ++activations; });

    SingleInstance second(name);
    EXPECT_FALSE(second.Acquire());
    EXPECT_FALSE(second.IsListening());
    QTRY_COMPARE(activations, 1);
    // A start in the background (D-Bus activation, autostart) stands down
    // and leaves the window alone: only the start after it shows it.
    SingleInstance background(name);
    std::string error;
    EXPECT_FALSE(background.Acquire(&error, SingleInstance::SecondStart::kLeaveHidden));
    EXPECT_EQ(error, "");
    SingleInstance third(name);
    EXPECT_FALSE(third.Acquire());
    QTRY_COMPARE(activations, 2);
    QTest::qWait(50);
    EXPECT_EQ(activations, 2);
}

// The command line's requests: answered by the handler, "error" without one.
TEST(SingleInstanceTest, RequestLinesReachTheHandlerAndItsRepliesTheClient) {
    TempDir dir;
    const QString name = QString::fromStdString(dir.path() + "instance");
    SingleInstance first(name);
    ASSERT_TRUE(first.Acquire());
    QLocalSocket client;
    client.connectToServer(name);
    ASSERT_TRUE(client.waitForConnected(5000));
    auto ask = [&client](const char* line) -> std::string {
        client.write(line);
        client.flush();
        QElapsedTimer waited;
        waited.start();
        while (!client.canReadLine() && waited.elapsed() < 10000) {
            QTest::qWait(5);
        }
        return client.readLine().toStdString();
    };
    EXPECT_EQ(ask("status\n"), "error\n");
    first.SetRequestHandler(
        [](const std::string& line, SingleInstance::Reply reply) { reply("got " + line); });
    EXPECT_EQ(ask("work keys profiles\n"), "got work keys profiles\n");
}

TEST(SingleInstanceTest, RequestsBeforeTheWindowExistsAreCarriedOutWhenItIsMarked) {
    TempDir dir;
    const QString name = QString::fromStdString(dir.path() + "instance");
    SingleInstance first(name);
    ASSERT_TRUE(first.Acquire());
    SingleInstance second(name);
    EXPECT_FALSE(second.Acquire());
    QTest::qWait(50);  // the request arrives while no window is marked
    int activations = 0;
    first.SetActivationTarget([&] { ++activations; });
    EXPECT_EQ(activations, 1);
}

// A listening instance and a client of our own to talk to it; the event
// loop runs while the client waits.
struct ListeningInstance {
    TempDir dir;
    QString name = QString::fromStdString(dir.path() + "instance");
    SingleInstance instance{name};
    int activations = 0;

    ListeningInstance() {
        EXPECT_TRUE(instance.Acquire());
        instance.SetActivationTarget([this] { ++activations; });
        instance.SetRequestHandler(
            [](const std::string& line, SingleInstance::Reply reply) { reply("got " + line); });
    }
    std::unique_ptr<QLocalSocket> Connect() {
        auto client = std::make_unique<QLocalSocket>();
        client->connectToServer(name);
        EXPECT_TRUE(client->waitForConnected(5000));
        return client;
    }
    // Waits for a reply line or for the instance to drop the client.
    static std::string Await(QLocalSocket& client, int ms = 5000) {
        QElapsedTimer waited;
        waited.start();
        while (!client.canReadLine() && client.state() == QLocalSocket::ConnectedState &&
               waited.elapsed() < ms) {
            QTest::qWait(5);
        }
        return client.canReadLine() ? client.readLine().toStdString() : std::string();
    }
    static bool Dropped(QLocalSocket& client) {
        QElapsedTimer waited;
        waited.start();
        while (client.state() != QLocalSocket::UnconnectedState && waited.elapsed() < 5000) {
            QTest::qWait(5);
        }
        return client.state() == QLocalSocket::UnconnectedState;
    }
};

TEST(SingleInstanceTest, GarbageAndOversizedLinesAreDroppedAndOthersStillServed) {
    ListeningInstance program;
    auto garbage = program.Connect();
    garbage->write("\x01\xff\x80zz\n");
    EXPECT_EQ(ListeningInstance::Await(*garbage), "got \x01\xff\x80zz\n");  // the handler judges it
    auto huge = program.Connect();
    huge->write(QByteArray(100000, 'x') + "\n");
    EXPECT_TRUE(ListeningInstance::Dropped(*huge));
    auto endless = program.Connect();
    endless->write(QByteArray(100000, 's'));  // no newline ever
    EXPECT_TRUE(ListeningInstance::Dropped(*endless));

    auto fine = program.Connect();
    fine->write("status\n");
    EXPECT_EQ(ListeningInstance::Await(*fine), "got status\n");
    EXPECT_EQ(program.activations, 0);
}

// Clients that connect and say nothing, or half a line, hold no place for
// ever and never stop the event loop; a flood of requests is answered in
// full.
TEST(SingleInstanceTest, SilentClientsAreLetGoAndFloodsAreAnswered) {
    ListeningInstance program;
    program.instance.SetClientLimits(3, 200);
    auto silent = program.Connect();
    auto half = program.Connect();
    half->write("stat");
    auto third = program.Connect();
    auto fourth = program.Connect();  // one too many
    EXPECT_TRUE(ListeningInstance::Dropped(*fourth));
    EXPECT_TRUE(ListeningInstance::Dropped(*silent));
    EXPECT_TRUE(ListeningInstance::Dropped(*half));
    EXPECT_TRUE(ListeningInstance::Dropped(*third));

    auto flood = program.Connect();
    QByteArray lines;
    for (int i = 0; i < 2000; ++i) {
        lines += "status\n";
    }
    flood->write(lines);
    int answered = 0;
    while (answered < 2000 && ListeningInstance::Await(*flood) == "got status\n") {
        ++answered;
    }
    EXPECT_EQ(answered, 2000);
}

// Another user's program is not heard even where it can reach the socket
// (a test running as root lets a child of another user in).
TEST(SingleInstanceTest, ClientsOfAnotherUserAreNotHeard) {
    if (::getuid() != 0) {
        GTEST_SKIP() << "only a test running as root can connect as another user";
    }
    ListeningInstance program;
    ::chmod(program.dir.path().c_str(), 0755);
    ::chmod(program.name.toLocal8Bit().constData(), 0777);
    const std::string path = program.name.toStdString();
    const pid_t child = ::fork();
    if (child == 0) {
        // As nobody: connect, ask to be shown, and say whether we were cut off.
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(3);
        }
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::_exit(4);
        }
        [[maybe_unused]] ssize_t sent = ::send(fd, "show\nstatus\n", 12, MSG_NOSIGNAL);
        pollfd wait{fd, POLLIN, 0};
        char answer[64];
        const bool closed = ::poll(&wait, 1, 5000) == 1 && ::recv(fd, answer, sizeof answer, 0) <= 0;
        ::_exit(closed ? 0 : 5);
    }
    int status = 0;
    QElapsedTimer waited;
    waited.start();
    while (::waitpid(child, &status, WNOHANG) == 0 && waited.elapsed() < 10000) {
        QTest::qWait(5);
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(program.activations, 0);
}

TEST(SingleInstanceTest, ASocketLeftByACrashedInstanceIsTakenOver) {
    TempDir dir;
    const std::string path = dir.path() + "instance";
    dir.WriteFile("instance", "");  // a stale file where the socket was
    SingleInstance first(QString::fromStdString(path));
    EXPECT_TRUE(first.Acquire());
    EXPECT_TRUE(first.IsListening());
}

// What another user could plant for the program stops the start with the
// reason: a lock file it cannot use is not "another start", and a socket
// another user serves is not asked to show anything.
TEST(SingleInstanceTest, AStartRefusesWhatAnotherUserCouldPlant) {
    TempDir dir;
    const std::string name = dir.path() + "instance";
    const std::string lock = name + ".lock";
    const std::string shared = dir.path() + "shared";
    ::mkdir(shared.c_str(), 0700);
    ::chmod(shared.c_str(), 01777);
    ProcessLock starting;  // another start holds the lock
    int listener = -1;
    struct Case {
        const char* name;
        std::function<bool()> plant;  // false: cannot be done here
        std::string said;
    };
    const std::vector<Case> cases = {
        {"lock file linked elsewhere",
         [&] { return ::symlink((dir.path() + "elsewhere").c_str(), lock.c_str()) == 0; },
         "cannot open the lock file " + lock + ": it is a symbolic link"},
        {"socket served by another user",
         [&] {
             listener = CanActAsOtherUser() ? ListenAsOtherUser(shared, "instance") : -1;
             return listener >= 0 && ::rename((shared + "/instance").c_str(), name.c_str()) == 0 &&
                    starting.Acquire(lock, 0).Held();
         },
         "the socket " + name + " is served by another user (uid 65534)"},
    };
    std::string skipped;
    for (const Case& c : cases) {
        if (!c.plant()) {
            skipped += std::string(" ") + c.name;
            continue;
        }
        SingleInstance instance(QString::fromStdString(name));
        std::string error;
        EXPECT_FALSE(instance.Acquire(&error)) << c.name;
        EXPECT_NE(error.find(c.said), std::string::npos) << c.name << ": " << error;
        EXPECT_FALSE(instance.IsListening()) << c.name;
        ::unlink(lock.c_str());
    }
    if (listener >= 0) {
        ::close(listener);
    }
    if (!skipped.empty()) {
        GTEST_SKIP() << "needs root to act as another user:" << skipped;
    }
}

TEST(SingleInstanceTest, DefaultNameIsInTheUsersRuntimeFolder) {
    TempDir dir;
    EnvGuard env;
    env.Set("XDG_RUNTIME_DIR", dir.path() + "run");
    ::mkdir((dir.path() + "run").c_str(), 0700);
    EXPECT_EQ(SingleInstance::DefaultServerName().toStdString(), dir.path() + "run/VANTORA.instance");
    env.Unset("XDG_RUNTIME_DIR");
    env.Set("TMPDIR", dir.path() + "tmp");
    ::mkdir((dir.path() + "tmp").c_str(), 0700);
    EXPECT_EQ(SingleInstance::DefaultServerName().toStdString(),
              dir.path() + "tmp/VANTORA-" + std::to_string(::getuid()) + "/VANTORA.instance");
}

// Without a runtime folder, a per-user folder that others can enter is not
// used: the program does not start and says why.
TEST(SingleInstanceTest, TheProgramRefusesAnInstanceFolderOthersCanEnter) {
    TempDir dir;
    const std::string folder = dir.path() + "VANTORA-" + std::to_string(::getuid());
    ::mkdir(folder.c_str(), 0700);
    ::chmod(folder.c_str(), 0777);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("XDG_RUNTIME_DIR");
    env.insert("TMPDIR", QString::fromStdString(dir.path()));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("HOME", QString::fromStdString(dir.path()));
    env.insert("VANTORA_SIMULATED_ONLY", "1");
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(VANTORA_BIN_DIR "vantora"), {});
    ASSERT_TRUE(program.waitForFinished(15000));
    EXPECT_EQ(program.exitCode(), 1);
    const std::string said = program.readAllStandardError().toStdString();
    EXPECT_NE(said.find(folder + " for the program's socket and lock has mode 0777"), std::string::npos)
        << said;
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(folder + "/VANTORA.instance")));
}

TEST(SingleInstanceTest, StartingTheProgramTwiceLeavesOneRunning) {
    TempDir dir;
    const QProcessEnvironment env = ProgramEnvironment(dir);
    const QString program = QStringLiteral(VANTORA_BIN_DIR "vantora");

    QProcess first;
    first.setProcessEnvironment(env);
    first.start(program, {});
    ASSERT_TRUE(first.waitForStarted(10000));
    const QString socket = QString::fromStdString(dir.path() + "run/VANTORA.instance");
    QElapsedTimer waited;
    waited.start();
    // Up: it listens and its window has opened the database.
    const QString database =
        QString::fromStdString(dir.path() + "documents/VANTORA Files/db/kb_data_data.db");
    while (!(QFileInfo::exists(socket) && QFileInfo::exists(database)) && waited.elapsed() < 30000 &&
           first.state() == QProcess::Running) {
        QTest::qWait(20);
    }
    ASSERT_TRUE(QFileInfo::exists(socket));
    ASSERT_TRUE(QFileInfo::exists(database));

    QProcess second;
    second.setProcessEnvironment(env);
    second.start(program, {});
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);
    // The first one made the data folder; the second touched nothing.
    EXPECT_TRUE(
        QFileInfo::exists(QString::fromStdString(dir.path() + "documents/VANTORA Files/db/kb_data_data.db")));

    first.kill();
    first.waitForFinished(10000);
}

// Two starts at the same moment: one stays, the other hands over and ends.
TEST(SingleInstanceTest, TwoProgramsStartedTogetherLeaveOneRunning) {
    TempDir dir;
    const QProcessEnvironment env = ProgramEnvironment(dir);
    const QString program = QStringLiteral(VANTORA_BIN_DIR "vantora");
    QProcess one;
    QProcess two;
    for (QProcess* p : {&one, &two}) {
        p->setProcessEnvironment(env);
        p->start(program, {});
    }
    ASSERT_TRUE(one.waitForStarted(10000) && two.waitForStarted(10000));
    QElapsedTimer waited;
    waited.start();
    while (one.state() == QProcess::Running && two.state() == QProcess::Running && waited.elapsed() < 30000) {
        QTest::qWait(20);
    }
    QTest::qWait(1000);  // the one that stays must still run afterwards
    const int running =
        (one.state() == QProcess::Running ? 1 : 0) + (two.state() == QProcess::Running ? 1 : 0);
    EXPECT_EQ(running, 1);
    for (QProcess* p : {&one, &two}) {
        if (p->state() != QProcess::Running) {
            EXPECT_EQ(p->exitCode(), 0);
        }
        p->kill();
        p->waitForFinished(10000);
    }
}

}  // namespace
}  // namespace vantora::test
