#include "ui/dbus/bus_service.h"

#include <QDBusError>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QJsonObject>
#include <QMetaObject>

#include <map>
#include <utility>

#include "bus_interface_xml.h"
#include "cli/bus_calls.h"
#include "cli/key_arguments.h"
#include "i18n/strings.h"
#include "session/app_rules.h"
#include "session/device_session.h"
#include "session/system_switches.h"
#include "ui/dbus/bus_values.h"
#include "ui/desktop/app_profile_follower.h"

namespace vantora {
namespace {

const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

std::string Text(const QVariant& value) {
    return value.toString().toStdString();
}

std::string Number(const QVariant& value) {
    return std::to_string(value.toInt());
}

// The answer's "id" of the object under `key` ("profile", "macro").
QVariantList IdOf(const QJsonObject& answer, const char* key) {
    return {answer.value(QLatin1String(key)).toObject().value(QLatin1String("id")).toInt()};
}

QVariantList NoValues(const QJsonObject&) {
    return {};
}

// "--profile ID" unless 0 (the active profile), and "--layer N".
std::vector<std::string> KeyOptions(const QVariant& profile, const QVariant& layer) {
    std::vector<std::string> args;
    if (profile.toInt() != 0) {
        args = {"--profile", Number(profile)};
    }
    args.push_back("--layer");
    args.push_back(Number(layer));
    return args;
}

// SetLightMode's parameters as the options of "light set"; false (with the
// reason) for a name it does not know.
bool LightOptions(const QVariantMap& parameters, std::vector<std::string>& args, std::string& error) {
    static const std::map<QString, std::string> kOptions = {{QStringLiteral("brightness"), "--brightness"},
                                                            {QStringLiteral("speed"), "--speed"},
                                                            {QStringLiteral("direction"), "--direction"},
                                                            {QStringLiteral("color"), "--color"},
                                                            {QStringLiteral("colorful"), "--colorful"}};
    for (auto it = parameters.begin(); it != parameters.end(); ++it) {
        const auto option = kOptions.find(it.key());
        if (option == kOptions.end()) {
            error = "No light parameter is called \"" + it.key().toStdString() + "\".";
            return false;
        }
        args.push_back(option->second);
        args.push_back(it.value().userType() == QMetaType::Bool ? (it.value().toBool() ? "on" : "off")
                                                                : Text(it.value()));
    }
    return true;
}

}  // namespace

struct BusService::CallResult {
    int exitCode = 0;
    QString error;
    QJsonObject answer;
};

BusService::BusService(DeviceSession& session, RunWork runWork, QObject* parent)
    : QDBusVirtualObject(parent),
      session_(session),
      runWork_(std::move(runWork)),
      keyboard_([&session] { return session.Status(); },
                [this](const WorkRequest& request, JobDone done) {
                    // On the UI thread; dropped (and the wait cancelled) when the service goes first.
                    QMetaObject::invokeMethod(
                        this,
                        [this, request, done = std::move(done)] {
                            if (runWork_) {
                                runWork_(request, done);
                                return;
                            }
                            // No window: the session's own state follows the database.
                            if (request.reloadProfiles) {
                                session_.LoadProfiles();  // the active profile is the one downloaded
                            }
                            if (request.reloadLighting) {
                                session_.LoadLighting();  // the current mode is the one downloaded
                            }
                            session_.Perform(request.work, done);
                        },
                        Qt::QueuedConnection);
                }) {
    qDBusRegisterMetaType<QList<QVariantMap>>();
    callContext_ = new QObject;
    callContext_->moveToThread(&callThread_);
    callThread_.setObjectName(QStringLiteral("D-Bus calls"));
    callThread_.start();
    properties_ = ReadProperties();
    rules_ = RulesSnapshot();
}

BusService::~BusService() {
    if (connection_.isConnected()) {
        connection_.unregisterService(QLatin1String(kServiceName));
        connection_.unregisterObject(QLatin1String(kObjectPath));
    }
    keyboard_.Cancel();  // a call waiting for work of the UI thread ends now
    callThread_.quit();
    callThread_.wait();
    delete callContext_;
}

bool BusService::Register(const QDBusConnection& connection, std::string* error) {
    connection_ = connection;
    if (!connection_.isConnected()) {
        *error = "no session bus: " + connection_.lastError().message().toStdString();
        return false;
    }
    if (!connection_.registerVirtualObject(QLatin1String(kObjectPath), this)) {
        *error = "the object path is taken";
        return false;
    }
    if (!connection_.registerService(QLatin1String(kServiceName))) {
        *error = std::string("the name ") + kServiceName + " is taken by another program";
        connection_.unregisterObject(QLatin1String(kObjectPath));
        return false;
    }
    return true;
}

QString BusService::InterfaceXml() {
    const QString file = QString::fromUtf8(kBusInterfaceFile);
    const qsizetype begin = file.indexOf(QLatin1String("<interface "));
    const QString last = QStringLiteral("</interface>");
    const qsizetype end = file.lastIndexOf(last);
    return begin < 0 || end < begin ? QString()
                                    : file.mid(begin, end + last.size() - begin) + QLatin1Char('\n');
}

QString BusService::introspect(const QString&) const {
    return InterfaceXml();
}

bool BusService::handleMessage(const QDBusMessage& message, const QDBusConnection&) {
    const QString interface = message.interface();
    if (interface != QLatin1String(kInterface) && interface != kPropertiesInterface && !interface.isEmpty()) {
        return false;  // Introspectable and Peer are Qt's
    }
    message.setDelayedReply(true);
    QMetaObject::invokeMethod(
        this, [this, message] { Dispatch(message); }, Qt::QueuedConnection);
    return true;
}

void BusService::SetFollower(AppProfileFollower* follower) {
    follower_ = follower;
    Refresh();
}

void BusService::SetBusy(bool busy) {
    busy_ = busy;
    Refresh();
}

QVariantMap BusService::ReadProperties() {
    const KeyboardStatus status = session_.Status();
    QVariantMap properties;
    properties.insert(QStringLiteral("Connected"), status.connected);
    properties.insert(QStringLiteral("VendorId"), QVariant::fromValue(static_cast<quint16>(status.vendorId)));
    properties.insert(QStringLiteral("ProductId"),
                      QVariant::fromValue(static_cast<quint16>(status.productId)));
    properties.insert(QStringLiteral("Layout"), QString::fromStdString(session_.LayoutName()));
    properties.insert(
        QStringLiteral("FirmwareVersion"),
        QVariant::fromValue(static_cast<quint16>(status.connected ? status.firmwareVersion : 0)));
    properties.insert(QStringLiteral("Busy"), busy_);
    properties.insert(QStringLiteral("ActiveProfile"), session_.Database().GetActiveProfile());
    properties.insert(QStringLiteral("LightMode"), session_.Database().GetActiveLightMode());
    const SwitchData switches = LoadSystemSwitches(session_.Database());
    properties.insert(QStringLiteral("WinKeyDisabled"), switches.disableWin);
    properties.insert(QStringLiteral("AltTabDisabled"), switches.disableAltTab);
    properties.insert(QStringLiteral("AltF4Disabled"), switches.disableAltF4);
    properties.insert(QStringLiteral("AutoProfileEnabled"),
                      LoadAppProfileSettings(session_.Database()).enabled);
    properties.insert(QStringLiteral("AutoProfileSource"),
                      QString::fromStdString(follower_ != nullptr ? follower_->SourceName() : std::string()));
    return properties;
}

// The rules as they are tried, each rule's every field: any addition,
// removal or change gives another text.
std::string BusService::RulesSnapshot() {
    std::string text;
    for (const ListedRule& listed : ListRules(session_.Database())) {
        const ProfileRule& rule = listed.rule;
        text += std::to_string(rule.rule_id) + '\0' + rule.app_id + '\0' + rule.title_pattern + '\0' +
                std::to_string(rule.profile) + '\0' + (listed.broken ? "1" : "0") + '\n';
    }
    return text;
}

void BusService::Refresh() {
    std::string rules = RulesSnapshot();
    if (rules != rules_) {
        rules_ = std::move(rules);
        if (connection_.isConnected()) {
            connection_.send(QDBusMessage::createSignal(QLatin1String(kObjectPath), QLatin1String(kInterface),
                                                        QStringLiteral("ProfileRulesChanged")));
        }
    }
    const QVariantMap now = ReadProperties();
    QVariantMap changed;
    for (auto it = now.begin(); it != now.end(); ++it) {
        if (properties_.value(it.key()) != it.value()) {
            changed.insert(it.key(), it.value());
        }
    }
    properties_ = now;
    if (changed.isEmpty() || !connection_.isConnected()) {
        return;
    }
    QDBusMessage signal = QDBusMessage::createSignal(QLatin1String(kObjectPath), kPropertiesInterface,
                                                     QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(kInterface) << changed << QStringList();
    connection_.send(signal);
}

bool BusService::DispatchProperties(const QDBusMessage& message) {
    const QString member = message.member();
    const QVariantList in = message.arguments();
    const QString signature = message.signature();
    auto ours = [&] { return in.value(0).toString() == QLatin1String(kInterface); };
    if (member == QLatin1String("GetAll") && signature == QLatin1String("s")) {
        connection_.send(message.createReply(QVariant(ours() ? properties_ : QVariantMap())));
        return true;
    }
    const QString name = in.value(1).toString();
    if (member == QLatin1String("Get") && signature == QLatin1String("ss")) {
        if (!ours() || !properties_.contains(name)) {
            connection_.send(message.createErrorReply(QDBusError::UnknownProperty, "No property " + name));
        } else {
            connection_.send(message.createReply(QVariant::fromValue(QDBusVariant(properties_.value(name)))));
        }
        return true;
    }
    if (member == QLatin1String("Set") && signature == QLatin1String("ssv")) {
        if (!ours() || !properties_.contains(name)) {
            connection_.send(message.createErrorReply(QDBusError::UnknownProperty, "No property " + name));
        } else {
            SetProperty(message, name, in.value(2).value<QDBusVariant>().variant());
        }
        return true;
    }
    return false;
}

void BusService::SetProperty(const QDBusMessage& message, const QString& name, const QVariant& value) {
    // The writable properties: the type each takes and the verb that sets it.
    static const std::map<QString, std::pair<QMetaType::Type, const char*>> kWritable = {
        {QStringLiteral("ActiveProfile"), {QMetaType::Int, nullptr}},
        {QStringLiteral("WinKeyDisabled"), {QMetaType::Bool, "win"}},
        {QStringLiteral("AltTabDisabled"), {QMetaType::Bool, "alttab"}},
        {QStringLiteral("AltF4Disabled"), {QMetaType::Bool, "altf4"}},
        {QStringLiteral("AutoProfileEnabled"), {QMetaType::Bool, "auto"}}};
    const auto writable = kWritable.find(name);
    if (writable == kWritable.end()) {
        connection_.send(message.createErrorReply(QDBusError::PropertyReadOnly, name + " is read-only"));
        return;
    }
    const auto [type, switchWord] = writable->second;
    if (value.userType() != type) {
        connection_.send(message.createErrorReply(QDBusError::InvalidArgs,
                                                  name + " takes " + (type == QMetaType::Int ? "i" : "b")));
        return;
    }
    if (switchWord == nullptr) {
        Run(message, {"profile", "select", "--", Number(value)}, NoValues);
    } else if (std::string(switchWord) == "auto") {
        Run(message, {"profile", "auto", "--", value.toBool() ? "on" : "off"}, NoValues);
    } else {
        Run(message, {"switch", "--", switchWord, value.toBool() ? "on" : "off"}, NoValues);
    }
}

void BusService::Dispatch(const QDBusMessage& message) {
    if (message.interface() == kPropertiesInterface) {
        if (!DispatchProperties(message)) {
            connection_.send(message.createErrorReply(QDBusError::UnknownMethod, "No such method"));
        }
        return;
    }
    const QString member = message.member();
    const QString signature = message.signature();
    const QVariantList a = message.arguments();
    if (member == QLatin1String("ReportActiveWindow")) {
        ReportActiveWindow(message);
        return;
    }
    // Each method: the types it takes, vantoractl's arguments, its answer.
    struct Method {
        const char* signature;
        std::function<bool(std::vector<std::string>&, std::string&)> args;
        Convert convert;
    };
    auto fixed = [](std::vector<std::string> args) {
        return [args](std::vector<std::string>& out, std::string&) {
            out = args;
            return true;
        };
    };
    auto list = [](const char* key) {
        return [key](const QJsonObject& answer) {
            return QVariantList{BusMapList(answer.value(QLatin1String(key)).toArray())};
        };
    };
    auto field = [](const char* key) {
        return [key](const QJsonObject& answer) {
            return QVariantList{BusValue(answer.value(QLatin1String(key)))};
        };
    };
    auto id = [](const char* key) { return [key](const QJsonObject& answer) { return IdOf(answer, key); }; };
    const std::map<QString, Method> methods = {
        {"ListProfiles", {"", fixed({"profile", "list"}), list("profiles")}},
        {"AddProfile", {"s", fixed({"profile", "add", "--", Text(a.value(0))}), id("profile")}},
        {"RenameProfile",
         {"is", fixed({"profile", "rename", "--", Number(a.value(0)), Text(a.value(1))}), NoValues}},
        {"DeleteProfile", {"i", fixed({"profile", "delete", "--", Number(a.value(0))}), NoValues}},
        {"SelectProfile", {"i", fixed({"profile", "select", "--", Number(a.value(0))}), NoValues}},
        {"ExportProfile",
         {"is", fixed({"profile", "export", "--", Number(a.value(0)), Text(a.value(1))}), field("file")}},
        {"ImportProfile", {"s", fixed({"profile", "import", "--", Text(a.value(0))}), id("profile")}},
        {"ListKeys",
         {"ii",
          [&a](std::vector<std::string>& out, std::string&) {
              out = {"key", "list"};
              for (std::string& option : KeyOptions(a.value(0), a.value(1))) {
                  out.push_back(std::move(option));
              }
              return true;
          },
          list("keys")}},
        {"SetKey",
         {"iisas",
          [&a](std::vector<std::string>& out, std::string&) {
              out = {"key", "set"};
              for (std::string& option : KeyOptions(a.value(0), a.value(1))) {
                  out.push_back(std::move(option));
              }
              out.push_back("--");
              out.push_back(Text(a.value(2)));
              for (const QString& word : a.value(3).toStringList()) {
                  out.push_back(word.toStdString());
              }
              return true;
          },
          field("written")}},
        {"ListLightModes", {"", fixed({"light", "list"}), list("modes")}},
        {"SetLightMode",
         {"sa{sv}",
          [&a](std::vector<std::string>& out, std::string& error) {
              const std::optional<QVariantMap> parameters = ArgumentMap(a.value(1));
              out = {"light", "set"};
              if (!parameters || !LightOptions(*parameters, out, error)) {
                  error = error.empty() ? "The parameters are not a{sv}." : error;
                  return false;
              }
              out.push_back("--");
              out.push_back(Text(a.value(0)));
              return true;
          },
          NoValues}},
        {"SetKeyColors",
         {"a{ss}",
          [&a](std::vector<std::string>& out, std::string& error) {
              const std::optional<QVariantMap> colours = ArgumentMap(a.value(0));
              if (!colours || colours->isEmpty()) {
                  error = "No key colour was given.";
                  return false;
              }
              out = {"light", "keys", "--"};
              for (auto it = colours->begin(); it != colours->end(); ++it) {
                  out.push_back(it.key().toStdString() + "=" + Text(it.value()));
              }
              return true;
          },
          NoValues}},
        {"ClearKeyColors", {"", fixed({"light", "keys", "--clear"}), NoValues}},
        {"SetSwitch",
         {"sb", fixed({"switch", "--", Text(a.value(0)), a.value(1).toBool() ? "on" : "off"}), NoValues}},
        {"ListMacros", {"", fixed({"macro", "list"}), list("macros")}},
        {"GetMacroRecords", {"i", fixed({"macro", "show", "--", Number(a.value(0))}), list("records")}},
        {"AddMacro", {"s", fixed({"macro", "add", "--", Text(a.value(0))}), id("macro")}},
        {"RenameMacro",
         {"is", fixed({"macro", "rename", "--", Number(a.value(0)), Text(a.value(1))}), NoValues}},
        {"DeleteMacro", {"i", fixed({"macro", "delete", "--", Number(a.value(0))}), NoValues}},
        {"ImportMacro", {"s", fixed({"macro", "import", "--", Text(a.value(0))}), id("macro")}},
        {"ExportMacro",
         {"is", fixed({"macro", "export", "--", Number(a.value(0)), Text(a.value(1))}), field("file")}},
        {"ListProfileRules", {"", fixed({"profile", "rule", "list"}), list("rules")}},
        {"AddProfileRule",
         {"ssi",
          fixed({"profile", "rule", "add", "--", Text(a.value(0)), Number(a.value(2)), Text(a.value(1))}),
          id("rule")}},
        {"RemoveProfileRule",
         {"i", fixed({"profile", "rule", "remove", "--", Number(a.value(0))}), NoValues}},
        {"Sync", {"", fixed({"sync"}), NoValues}},
        {"FactoryReset",
         {"b",
          [&a](std::vector<std::string>& out, std::string& error) {
              if (!a.value(0).toBool()) {
                  error =
                      "FactoryReset deletes every profile, macro and setting and resets the keyboard: "
                      "call it with confirm true to do it.";
                  return false;
              }
              out = {"reset", "--yes"};
              return true;
          },
          NoValues}},
    };
    const auto method = methods.find(member);
    if (method == methods.end()) {
        connection_.send(message.createErrorReply(QDBusError::UnknownMethod, "No method " + member));
        return;
    }
    if (signature != QLatin1String(method->second.signature)) {
        connection_.send(message.createErrorReply(
            QDBusError::InvalidArgs, member + " takes (" + QLatin1String(method->second.signature) + ")"));
        return;
    }
    std::vector<std::string> args;
    std::string error;
    if (!method->second.args(args, error)) {
        Answer(message, cli::kExitUsage, QString::fromStdString(error), {});
        return;
    }
    Run(message, std::move(args), method->second.convert);
}

void BusService::ReportActiveWindow(const QDBusMessage& message) {
    if (message.signature() != QLatin1String("ss")) {
        connection_.send(message.createErrorReply(QDBusError::InvalidArgs, "ReportActiveWindow takes (ss)"));
        return;
    }
    if (follower_ == nullptr || !follower_->ReportsOverBus()) {
        Answer(message, cli::kExitRefused,
               QStringLiteral("This desktop's application in front is not learned from reports over D-Bus."),
               {});
        return;
    }
    const QVariantList a = message.arguments();
    follower_->Report({Text(a.value(0)), Text(a.value(1))});
    connection_.send(message.createReply());
}

void BusService::Run(const QDBusMessage& message, std::vector<std::string> args, Convert convert) {
    QMetaObject::invokeMethod(
        callContext_,
        [this, message, args = std::move(args), convert = std::move(convert)] {
            const CallResult result = RunOnCallThread(args);
            QMetaObject::invokeMethod(
                this,
                [this, message, result, convert] {
                    Refresh();  // the properties are up to date when the answer arrives
                    Answer(message, result.exitCode, result.error,
                           result.exitCode == cli::kExitOk ? convert(result.answer) : QVariantList());
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

BusService::CallResult BusService::RunOnCallThread(const std::vector<std::string>& args) {
    if (!dbOpened_) {
        dbOpened_ = db_.OpenProfileDatabase(session_.DataFolder(), "kb_data");
    }
    if (!dbOpened_) {
        return {cli::kExitNoDatabase, QStringLiteral("The profile database cannot be opened."), {}};
    }
    Selection selection;
    selection.profile = db_.GetActiveProfile();
    const std::vector<cli::KeyboardKey> keys = cli::KeyboardKeys(session_.Layout());
    cli::CtlContext context{db_,
                            selection,
                            &keyboard_,
                            session_.LayoutName(),
                            CurrentUiLanguage.load(),
                            keys,
                            session_.ConfigInt("PER_KEY") == 1};
    const cli::CtlResult result = cli::RunBusCommand(args, context);
    return {result.exitCode, QString::fromStdString(cli::BusErrorMessage(result)), ParseAnswer(result.out)};
}

void BusService::Answer(const QDBusMessage& message, int exitCode, const QString& errorText,
                        const QVariantList& values) {
    if (exitCode != cli::kExitOk) {
        connection_.send(
            message.createErrorReply(QString::fromStdString(cli::BusErrorName(exitCode)), errorText));
        return;
    }
    connection_.send(message.createReply(values));
}

}  // namespace vantora
