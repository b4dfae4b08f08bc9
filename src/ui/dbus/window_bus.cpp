#include "ui/dbus/window_bus.h"

#include <utility>

#include "ui/main_window/main_window.h"

namespace vantora {

std::unique_ptr<BusService> ServeWindowOnBus(DeviceMainDlg& window, const QDBusConnection& connection,
                                             std::string* error) {
    auto service =
        std::make_unique<BusService>(window.Session(), [&window](const WorkRequest& request, JobDone done) {
            window.PerformRequest(request, std::move(done));
        });
    service->SetFollower(&window.Follower());
    QObject::connect(&window.Follower(), &AppProfileFollower::SettingsChanged, service.get(),
                     &BusService::Refresh);
    QObject::connect(&window, &DeviceMainDlg::KeyboardBusyChanged, service.get(), &BusService::SetBusy);
    QObject::connect(&window, &DeviceMainDlg::KeyboardStateChanged, service.get(), &BusService::Refresh);
    if (!service->Register(connection, error)) {
        return nullptr;
    }
    return service;
}

}  // namespace vantora
