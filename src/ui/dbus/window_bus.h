#pragma once

#include <QDBusConnection>

#include <memory>
#include <string>

#include "ui/dbus/bus_service.h"

namespace vantora {

class DeviceMainDlg;

// The service for the program's window: a call's keyboard work runs as the
// window runs vantoractl's (its pages show the change), and what the window
// and vantoractl change is told as PropertiesChanged. Null, with the
// reason, when the service could not be registered on `connection`.
std::unique_ptr<BusService> ServeWindowOnBus(DeviceMainDlg& window, const QDBusConnection& connection,
                                             std::string* error);

}  // namespace vantora
