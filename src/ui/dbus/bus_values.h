#pragma once

#include <QDBusArgument>
#include <QJsonArray>
#include <QJsonObject>
#include <QVariant>
#include <QVariantMap>

#include <optional>
#include <string>

namespace vantora {

// The command line's JSON answers as D-Bus values: whole numbers as int32
// (when they fit), true and false as booleans, text as strings, objects as
// a{sv} and arrays as av.
QVariant BusValue(const QJsonValue& value);
QVariantMap BusMap(const QJsonObject& object);
// An array of objects as aa{sv}, ready to be appended to a reply.
QVariant BusMapList(const QJsonArray& array);

// The JSON document of a command's standard output; empty when it is none.
QJsonObject ParseAnswer(const std::string& text);

// An a{sv} or a{ss} argument of a call as it arrived (a QDBusArgument, or
// a map already): the map, or nothing when it is another type.
std::optional<QVariantMap> ArgumentMap(const QVariant& argument);

}  // namespace vantora
