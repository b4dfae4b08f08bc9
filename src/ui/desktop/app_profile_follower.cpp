#include "ui/desktop/app_profile_follower.h"

#include <QMetaObject>

#include <cstdio>
#include <utility>

#include "session/app_rules.h"
#include "session/device_session.h"

namespace vantora {

AppProfileFollower::AppProfileFollower(DeviceSession& session, ProfileSwitcher::RunWork runWork,
                                       ui::ActiveWindowChoice choice, QObject* parent)
    : QObject(parent),
      session_(session),
      switcher_(session, SystemClock::Instance(), std::move(runWork)),
      choice_(std::move(choice)) {
    timer_.setSingleShot(true);
    // A coarse timer may end the 300 ms up to 5 % early (another round) or late.
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] {
        StoreSource();  // again after a factory reset emptied the settings
        if (const int profile = switcher_.Poll(); profile != 0) {
            emit ProfileSwitched(profile);
        }
        Schedule();
    });
}

AppProfileFollower::~AppProfileFollower() {
    Stop();
}

void AppProfileFollower::Start() {
    if (started_) {
        return;
    }
    started_ = true;
    if (choice_.source) {
        std::string error;
        if (!choice_.source->Start([this](const platform::ActiveWindow& window) { Report(window); }, error)) {
            std::fprintf(stderr, "vantora: the application in front cannot be followed: %s\n", error.c_str());
            choice_.source.reset();
            choice_.desktop = ui::ActiveWindowDesktop::kNone;
        }
    }
    StoreSource();
    emit SettingsChanged();  // the source may have been given up
}

// Written only when it changed: a desktop without a source writes nothing.
void AppProfileFollower::StoreSource() {
    if (LoadAppProfileSource(session_.Database()) != SourceName()) {
        StoreAppProfileSource(session_.Database(), SourceName());
    }
}

void AppProfileFollower::Stop() {
    if (stopped_) {
        return;
    }
    stopped_ = true;
    if (choice_.source && started_) {
        choice_.source->Stop();
    }
    timer_.stop();
}

void AppProfileFollower::Report(const platform::ActiveWindow& window) {
    QMetaObject::invokeMethod(
        this,
        [this, window] {
            if (stopped_) {
                return;
            }
            switcher_.Report(window);
            Schedule();
        },
        Qt::QueuedConnection);
}

void AppProfileFollower::Schedule() {
    if (const std::optional<int> due = switcher_.DueInMs()) {
        timer_.start(*due);
    }
}

std::string AppProfileFollower::SourceName() const {
    return ui::ActiveWindowDesktopName(choice_.desktop);
}

bool AppProfileFollower::ReportsOverBus() const {
    return choice_.desktop == ui::ActiveWindowDesktop::kKWin ||
           choice_.desktop == ui::ActiveWindowDesktop::kGnome;
}

}  // namespace vantora
