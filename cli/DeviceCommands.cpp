// kestrel-cli commands that talk to a reader: "detect", "read", "write", and "offline" (the
// settings a model starts with, without a reader).

#include "app/StartupModel.h"
#include "catalog/CDeviceName.h"
#include "catalog/DeviceCatalog.h"
#include "catalog/TabDefinitions.h"
#include "cli/CliCommands.h"
#include "cli/CliPort.h"
#include "cli/ConsoleHost.h"
#include "cli/JsonWriter.h"
#include "device/CSerComm.h"
#include "device/DeviceFactory.h"
#include "platform/LinuxSerialPortSystem.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Connection {
    std::unique_ptr<CDevice> device;
    std::string settings;
};

// Finds and identifies the reader, then makes the device object of its class, as the
// document does when it connects.
bool ConnectDevice(CliContext& context, CliPort& cliPort, Connection& connection)
{
    CDevice finder(&cliPort.port);
    if (!FindReader(context, finder, connection.settings))
        return false;
    const DeviceClassKind kind = finder.DeviceName().ChooseDeviceClass();
    connection.device = CreateDevice(kind, &cliPort.port);
    if (!connection.device) {
        std::cerr << "Unknown Device, Cannot Connect\n";
        return false;
    }
    connection.device->SetEorText(context.startup.Preferences().eorCharacter);
    connection.device->TakeLinkCodeFrom(finder);
    if (!connection.device->Initialize()) {
        std::cerr << "Device Not Initialized, Cannot Connect\n";
        return false;
    }
    if (connection.device->HasTables())
        connection.device->GetTableCount(false);
    return true;
}

std::string ClassOf(const CDeviceName& name)
{
    return name.catalogRow >= 0 ? TheDeviceCatalog().Field(name.catalogRow, CatalogColumn::RuntimeClass) : "";
}

void IdentityJson(JsonWriter& json, const CDevice& device)
{
    const CDeviceName& name = device.DeviceName();
    json.Key("productName").String(name.ProductName())
        .Key("baseNumber").String(name.baseNumber)
        .Key("revision").Number(name.revision)
        .Key("productId").String(name.productId)
        .Key("catalogRow").Number(name.catalogRow)
        .Key("runtimeClass").String(ClassOf(name))
        .Key("tables").Number(device.TableCount())
        .Key("currentTable").Number(device.CurrentTable())
        .Key("linkCode").Number(device.LinkCode());
}

void PrintIdentity(const CDevice& device)
{
    const CDeviceName& name = device.DeviceName();
    std::printf("Device: %s\nBase number: %s  Revision: %d  Product id: %s\nClass: %s  Tables: %d  Link code: 0x%04X\n",
                name.ProductName().c_str(), name.baseNumber.c_str(), name.revision, name.productId.c_str(),
                ClassOf(name).c_str(), device.TableCount(), device.LinkCode());
}

std::string RangeText(const CDeviceSetting& setting)
{
    if (!setting.allowedValues.empty()) {
        std::string list;
        for (const auto& value : setting.allowedValues)
            list += (list.empty() ? "" : "|") + value;
        return list;
    }
    return std::to_string(setting.minimum) + "-" + std::to_string(setting.maximum);
}

int PrintSettings(CliContext& context, const CDevice& device, const std::string& connectedAt)
{
    const int tables = std::max(1, device.TableCount());
    if (context.options.json) {
        JsonWriter json;
        json.BeginObject();
        if (!connectedAt.empty())
            json.Key("connectedAt").String(connectedAt);
        json.Key("device").BeginObject();
        IdentityJson(json, device);
        json.EndObject().Key("settings").BeginArray();
        for (const CDeviceSetting& setting : device.Settings()) {
            json.BeginObject().Key("tag").String(setting.tag).Key("values").BeginArray();
            for (int t = 0; t < tables; ++t)
                json.String(setting.ValueForDevice(t));
            json.EndArray()
                .Key("default").String(setting.defaultValue)
                .Key("minimum").Number(setting.minimum)
                .Key("maximum").Number(setting.maximum)
                .Key("allowed").BeginArray();
            for (const auto& value : setting.allowedValues)
                json.String(value);
            json.EndArray().EndObject();
        }
        json.EndArray().EndObject();
        std::cout << json.Text() << '\n';
        return ExitOk;
    }
    if (!connectedAt.empty())
        std::printf("Connected at %s\n", connectedAt.c_str());
    PrintIdentity(device);
    std::printf("%-6s  %-*s  %-20s  %s\n", "TAG", 12 * tables, "VALUE PER TABLE", "RANGE", "DEFAULT");
    for (const CDeviceSetting& setting : device.Settings()) {
        std::string values;
        for (int t = 0; t < tables; ++t)
            values += (t ? " | " : "") + setting.ValueForDevice(t);
        std::printf("%-6s  %-*s  %-20s  %s\n", setting.tag.c_str(), 12 * tables, values.c_str(),
                    RangeText(setting).c_str(), setting.defaultValue.c_str());
    }
    return ExitOk;
}

bool ParseNumber(const std::string& text, int& value)
{
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || parsed < 0 || parsed > 1000000)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

} // namespace

int RunDetect(CliContext& context)
{
    if (!context.NoUnknownOptions())
        return ExitUsage;
    if (!context.Start())
        return ExitStartupFailed;
    CliPort cliPort;
    Connection connection;
    if (!cliPort.Choose(context) || !ConnectDevice(context, cliPort, connection))
        return ExitFailed;
    if (context.options.json) {
        JsonWriter json;
        json.BeginObject().Key("connectedAt").String(connection.settings).Key("device").BeginObject();
        IdentityJson(json, *connection.device);
        const CSerComm& port = cliPort.port;
        json.EndObject()
            .Key("port")
            .BeginObject()
            .Key("minBaud").Number(port.GetMinBaud())
            .Key("maxBaud").Number(port.GetMaxBaud())
            .Key("dtrMode").Number(port.GetDtrMode())
            .EndObject()
            .EndObject();
        std::cout << json.Text() << '\n';
        return ExitOk;
    }
    std::printf("Connected at %s\n", connection.settings.c_str());
    PrintIdentity(*connection.device);
    return ExitOk;
}

int RunRead(CliContext& context)
{
    if (std::optional<std::string> path = TakeSaveOption(context))
        return RunReadSave(context, *path);
    if (!context.NoUnknownOptions())
        return ExitUsage;
    if (!context.Start())
        return ExitStartupFailed;
    CliPort cliPort;
    Connection connection;
    if (!cliPort.Choose(context) || !ConnectDevice(context, cliPort, connection))
        return ExitFailed;
    if (!connection.device->ReadAllSettings(TheTabDefinitions(), nullptr, context.startup.Vendor().excludedCommands)) {
        std::cerr << "kestrel-cli: the settings could not be read\n";
        return ExitFailed;
    }
    return PrintSettings(context, *connection.device, connection.settings);
}

int RunWrite(CliContext& context)
{
    const bool allTables = context.options.TakeFlag("--all-tables");
    std::optional<std::string> tableText = context.options.TakeValue("--table");
    if (!context.NoUnknownOptions())
        return ExitUsage;
    int table = -1;
    if (tableText && (!ParseNumber(*tableText, table) || table > 8)) {
        std::cerr << "kestrel-cli: --table needs a table number from 0 to 8\n";
        return ExitUsage;
    }
    std::string text;
    for (const std::string& argument : context.options.arguments) {
        const size_t equals = argument.find('=');
        if (equals != 6 || argument.find_first_of(";.") < 6) {
            std::cerr << "kestrel-cli: settings are written as TAG=VALUE with a six-character tag: " << argument << '\n';
            return ExitUsage;
        }
        text += argument.substr(0, 6) + argument.substr(7) + ";";
    }
    if (text.empty() || (allTables && tableText)) {
        std::cerr << "kestrel-cli: write [--table N | --all-tables] TAG=VALUE ...\n";
        return ExitUsage;
    }
    text.back() = '.';
    if (!context.Start())
        return ExitStartupFailed;
    CliPort cliPort;
    Connection connection;
    if (!cliPort.Choose(context) || !ConnectDevice(context, cliPort, connection))
        return ExitFailed;
    CDevice& device = *connection.device;

    std::vector<int> tables;
    const int original = device.CurrentTable();
    if (allTables)
        for (int t = 0; t < std::max(1, device.TableCount()); ++t)
            tables.push_back(t);
    else
        tables.push_back(table >= 0 ? table : original);
    CommandErrors all;
    bool ok = true;
    device.BeginSettingsWrite();
    for (int t : tables) {
        if (device.HasTables() && t != device.CurrentTable())
            device.SelectTable(t, false);
        CommandErrors errors;
        ok = device.WriteCommands(text, nullptr, errors) && ok;
        auto add = [&](std::vector<std::string>& to, const std::vector<std::string>& from) {
            if (from.empty())
                return;
            to.push_back("Group Table " + std::to_string(t));
            to.push_back("----------------");
            to.insert(to.end(), from.begin(), from.end());
        };
        add(all.notPresent, errors.notPresent);
        add(all.outOfRange, errors.outOfRange);
        add(all.noResponse, errors.noResponse);
    }
    if (device.HasTables() && device.CurrentTable() != original)
        device.SelectTable(original, false);
    device.EndSettingsWrite();

    const bool clean = ok && all.Empty();
    const std::string message = clean ? "Changes successfully written to the device."
                                      : "ERROR - Not all changes were written to the device. If any values on the "
                                        "Communications tab were changed, these values may not have been "
                                        "successfully written. Please check the Communication tab.";
    if (context.options.json) {
        JsonWriter json;
        json.BeginObject().Key("ok").Bool(clean).Key("message").String(message);
        auto list = [&](const char* key, const std::vector<std::string>& items) {
            json.Key(key).BeginArray();
            for (const auto& item : items)
                json.String(item);
            json.EndArray();
        };
        list("notPresent", all.notPresent);
        list("outOfRange", all.outOfRange);
        list("noResponse", all.noResponse);
        json.EndObject();
        std::cout << json.Text() << '\n';
    } else {
        std::printf("%s\n", message.c_str());
        auto list = [](const char* title, const std::vector<std::string>& items) {
            std::printf("%s\n", title);
            for (const auto& item : items)
                std::printf("  %s\n", item.c_str());
        };
        if (!clean) {
            list("Commands which are not known in the device:", all.notPresent);
            list("Commands which are out of range:", all.outOfRange);
            list("Commands which had no response from the device:", all.noResponse);
        }
    }
    return clean ? ExitOk : ExitFailed;
}

int RunOffline(CliContext& context)
{
    if (std::optional<std::string> path = TakeSaveOption(context))
        return RunOfflineSave(context, *path);
    // "--device ROW": the global option names the catalog row here.
    std::string rowText = context.options.devicePath.value_or("");
    if (rowText.empty() && !context.options.arguments.empty())
        rowText = context.options.arguments.front();
    if (!context.NoUnknownOptions())
        return ExitUsage;
    int row = 0;
    if (!ParseNumber(rowText, row)) {
        std::cerr << "kestrel-cli: offline --device ROW (a row of \"kestrel-cli devices\")\n";
        return ExitUsage;
    }
    if (!context.Start())
        return ExitStartupFailed;
    const DeviceCatalog& catalog = TheDeviceCatalog();
    if (row >= catalog.RowCount()) {
        std::cerr << "kestrel-cli: the catalog has no row " << row << '\n';
        return ExitUsage;
    }
    CDeviceName name;
    name.catalogRow = row;
    name.baseNumber = catalog.BaseNumber(row);
    name.productId = catalog.Field(row, CatalogColumn::ProdID);
    name.deviceId = catalog.DeviceId(row);
    name.revision = CDeviceName::kChosenByHand;
    auto device = CreateDevice(DeviceClassFromName(catalog.Field(row, CatalogColumn::RuntimeClass)), nullptr);
    if (!device) {
        std::cerr << "Unknown Device, Cannot Perform Offline Configure\n";
        return ExitFailed;
    }
    device->DeviceName() = name;
    if (device->HasTables())
        device->GetTableCount(true);
    if (!device->BuildOfflineSettings(TheTabDefinitions(), nullptr, context.startup.Vendor().excludedCommands)) {
        std::cerr << "kestrel-cli: the offline settings could not be built\n";
        return ExitFailed;
    }
    return PrintSettings(context, *device, "");
}
