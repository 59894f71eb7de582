// kestrel-cli commands about the catalog: "devices".

#include "app/StartupModel.h"
#include "catalog/CDeviceName.h"
#include "catalog/DeviceCatalog.h"
#include "cli/CliCommands.h"
#include "cli/JsonWriter.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace {

struct DeviceRow {
    int row;
    int deviceId;
    std::string productName;
    std::string baseNumber;
    std::string runtimeClass;
    std::string productId;
    bool linear;
    bool cts;
    bool visible;
};

std::string Lower(std::string text)
{
    for (auto& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The rows in the order the device chooser shows them: by product name.
std::vector<DeviceRow> CollectRows(const DeviceCatalog& catalog, bool all)
{
    std::vector<DeviceRow> rows;
    for (int row = 0; row < catalog.RowCount(); ++row) {
        if (!all && !catalog.IsVisible(row))
            continue;
        rows.push_back({ row, catalog.DeviceId(row), catalog.Field(row, CatalogColumn::ProductName),
                         catalog.BaseNumber(row), catalog.Field(row, CatalogColumn::RuntimeClass),
                         catalog.Field(row, CatalogColumn::ProdID), catalog.IsLinear(row), catalog.UsesCts(row),
                         catalog.IsVisible(row) });
    }
    std::stable_sort(rows.begin(), rows.end(), [](const DeviceRow& a, const DeviceRow& b) {
        return Lower(a.productName) < Lower(b.productName);
    });
    return rows;
}

} // namespace

int RunDevices(CliContext& context)
{
    const bool all = context.options.TakeFlag("--all");
    if (!context.NoUnknownOptions())
        return ExitUsage;
    if (!context.Start())
        return ExitStartupFailed;

    const auto rows = CollectRows(TheDeviceCatalog(), all);
    if (context.options.json) {
        JsonWriter json;
        json.BeginObject().Key("catalog").String(context.startup.CatalogPath()).Key("devices").BeginArray();
        for (const auto& r : rows) {
            json.BeginObject()
                .Key("row").Number(r.row)
                .Key("deviceId").Number(r.deviceId)
                .Key("productName").String(r.productName)
                .Key("baseNumber").String(r.baseNumber)
                .Key("runtimeClass").String(r.runtimeClass)
                .Key("linear").Bool(r.linear)
                .Key("cts").Bool(r.cts)
                .Key("productId").String(r.productId)
                .Key("visible").Bool(r.visible)
                .EndObject();
        }
        json.EndArray().EndObject();
        std::cout << json.Text() << '\n';
        return ExitOk;
    }

    std::size_t nameWidth = 12;
    std::size_t classWidth = 13;
    for (const auto& r : rows) {
        nameWidth = std::max(nameWidth, r.productName.size());
        classWidth = std::max(classWidth, r.runtimeClass.size());
    }
    std::printf("%-4s %-8s %-*s %-10s %-*s %-6s %s%s\n", "ROW", "DEVICEID", static_cast<int>(nameWidth),
                "PRODUCT NAME", "BASE", static_cast<int>(classWidth), "RUNTIME CLASS", "LINEAR", "CTS",
                all ? "  VISIBLE" : "");
    for (const auto& r : rows)
        std::printf("%-4d %-8d %-*s %-10s %-*s %-6s %s%s\n", r.row, r.deviceId, static_cast<int>(nameWidth),
                    r.productName.c_str(), r.baseNumber.c_str(), static_cast<int>(classWidth),
                    r.runtimeClass.c_str(), r.linear ? "yes" : "no", r.cts ? "yes" : "no",
                    all ? (r.visible ? (r.cts ? "  yes" : "   yes") : (r.cts ? "  no" : "   no")) : "");
    return ExitOk;
}
