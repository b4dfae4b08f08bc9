#include "ui/dbus/bus_values.h"

#include <QDBusMetaType>
#include <QDBusVariant>
#include <QJsonDocument>
#include <QList>

#include <cmath>
#include <limits>

namespace vantora {

QVariant BusValue(const QJsonValue& value) {
    switch (value.type()) {
        case QJsonValue::Bool:
            return value.toBool();
        case QJsonValue::Double: {
            const double number = value.toDouble();
            if (std::trunc(number) == number && number >= std::numeric_limits<int>::min() &&
                number <= std::numeric_limits<int>::max()) {
                return static_cast<int>(number);
            }
            return number;
        }
        case QJsonValue::String:
            return value.toString();
        case QJsonValue::Array: {
            QVariantList list;
            for (const QJsonValue& item : value.toArray()) {
                list.append(BusValue(item));
            }
            return list;
        }
        case QJsonValue::Object:
            return BusMap(value.toObject());
        case QJsonValue::Null:
        case QJsonValue::Undefined:
            break;
    }
    return QString();
}

QVariantMap BusMap(const QJsonObject& object) {
    QVariantMap map;
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!it.value().isNull()) {
            map.insert(it.key(), BusValue(it.value()));
        }
    }
    return map;
}

QVariant BusMapList(const QJsonArray& array) {
    QList<QVariantMap> list;
    for (const QJsonValue& item : array) {
        list.append(BusMap(item.toObject()));
    }
    return QVariant::fromValue(list);
}

QJsonObject ParseAnswer(const std::string& text) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
}

std::optional<QVariantMap> ArgumentMap(const QVariant& argument) {
    if (argument.userType() == QMetaType::QVariantMap) {
        return argument.toMap();
    }
    if (argument.userType() != qMetaTypeId<QDBusArgument>()) {
        return std::nullopt;
    }
    const QDBusArgument marshalled = argument.value<QDBusArgument>();
    if (marshalled.currentType() != QDBusArgument::MapType) {
        return std::nullopt;
    }
    QVariantMap map;
    marshalled.beginMap();
    while (!marshalled.atEnd()) {
        QString key;
        marshalled.beginMapEntry();
        marshalled >> key;
        const QString type = marshalled.currentSignature();
        if (type == QLatin1String("v")) {
            QDBusVariant value;
            marshalled >> value;
            map.insert(key, value.variant());
        } else if (type == QLatin1String("s")) {
            QString text;
            marshalled >> text;
            map.insert(key, text);
        } else {
            return std::nullopt;
        }
        marshalled.endMapEntry();
    }
    marshalled.endMap();
    return map;
}

}  // namespace vantora
