// One program per user: the in-process guard and the built program started
// twice.
#include "ui/main_window/single_instance.h"
#include "support/env_guard.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

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
    SingleInstance third(name);
    EXPECT_FALSE(third.Acquire());
    QTRY_COMPARE(activations, 2);
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

TEST(SingleInstanceTest, ASocketLeftByACrashedInstanceIsTakenOver) {
    TempDir dir;
    const std::string path = dir.path() + "instance";
    dir.WriteFile("instance", "");  // a stale file where the socket was
    SingleInstance first(QString::fromStdString(path));
    EXPECT_TRUE(first.Acquire());
    EXPECT_TRUE(first.IsListening());
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
