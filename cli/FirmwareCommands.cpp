// kestrel-cli commands about firmware files: "firmware info FILE" tells what a file is and
// whether the flash would take it, without a reader.

#include "cli/CliCommands.h"
#include "cli/JsonWriter.h"
#include "transfer/firmware/FirmwareFileReader.h"
#include "transfer/firmware/FirmwareImage.h"
#include "transfer/firmware/FlashDocFile.h"
#include "transfer/firmware/IntelHexFile.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace {

// Readers that give no usable MSZAPP / MSZBOT answer take at most this much.
constexpr std::size_t kDefaultApplicationLimit = 917504;
constexpr std::size_t kDefaultBootLimit = 16384;

struct FirmwareSummary {
    std::string type; // "hex", "application", "boot", "binary" (no signature)
    std::size_t size = 0;
    std::string refusal; // empty: the file would be taken
    IntelHexImage hex;
    FirmwareImageInfo image;
    FlashDocInfo doc;
    bool docFound = false;
};

std::string Hex32(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

FirmwareSummary Describe(const std::string& path)
{
    FirmwareSummary s;
    s.doc = FlashDocFile::ForFirmwareFile(path, &s.docFound);
    std::vector<uint8_t> bytes;
    switch (ReadFirmwareFile(path, bytes)) {
    case FirmwareFileRead::OpenError: s.refusal = "Error opening " + path; return s;
    case FirmwareFileRead::ReadError: s.refusal = "Error reading " + path; return s;
    case FirmwareFileRead::Ok: break;
    }
    s.size = bytes.size();
    if (!HasExtensionNoCase(path, "bin") && !HasExtensionNoCase(path, "axf")) {
        s.type = "hex";
        std::string why;
        if (!ParseIntelHex(bytes, s.hex, &why))
            s.refusal = "The selected file is corrupt (" + why + ")";
        return s;
    }
    for (auto type : { FirmwareImageType::Application, FirmwareImageType::BootCode }) {
        const auto status = ParseFirmwareImage(bytes, type, s.image);
        if (status == FirmwareImageStatus::NoSignature)
            continue;
        const bool boot = type == FirmwareImageType::BootCode;
        s.type = boot ? "boot" : "application";
        // A file above the default limit is only noted: the reader may report a larger one.
        if (status == FirmwareImageStatus::Truncated)
            s.refusal = "Binary code is not compatible with product";
        return s;
    }
    s.type = "binary";
    s.refusal = "Binary code is not compatible with product";
    return s;
}

void PrintJson(const std::string& path, const FirmwareSummary& s)
{
    JsonWriter json;
    json.BeginObject().Key("file").String(path).Key("type").String(s.type).Key("size").Number(
        static_cast<long long>(s.size));
    if (s.type == "hex" && s.refusal.empty()) {
        json.Key("records").Number(static_cast<long long>(s.hex.RecordCount()));
        json.Key("dataBytes").Number(static_cast<long long>(s.hex.dataBytes));
        json.Key("ranges").BeginArray();
        for (const auto& r : s.hex.ranges)
            json.BeginObject().Key("first").String(Hex32(r.first)).Key("last").String(Hex32(r.last)).EndObject();
        json.EndArray();
    }
    if (s.type == "application" || s.type == "boot") {
        json.Key("signatureOffset").Number(static_cast<long long>(s.image.signatureOffset));
        json.Key("defaultLimit").Number(s.type == "boot" ? kDefaultBootLimit : kDefaultApplicationLimit);
        if (s.type == "boot") {
            json.Key("deviceType").Number(s.image.bootDeviceType);
        } else {
            json.Key("deviceTypes").BeginArray();
            for (auto t : s.image.DeviceTypes())
                json.Number(t);
            json.EndArray();
            json.Key("keywords").BeginArray();
            for (const auto& k : s.image.keywords)
                json.String(k);
            json.EndArray();
            json.Key("kind").Number(s.image.kind).Key("kindMask").Number(s.image.kindMask);
        }
    }
    json.Key("doc").BeginObject()
        .Key("found").Bool(s.docFound)
        .Key("description").String(s.doc.description)
        .Key("product").String(s.doc.product)
        .Key("revision").String(s.doc.revision)
        .Key("date").String(s.doc.date)
        .EndObject();
    json.Key("accepted").Bool(s.refusal.empty());
    if (!s.refusal.empty())
        json.Key("refusal").String(s.refusal);
    json.EndObject();
    std::cout << json.Text() << "\n";
}

void PrintText(const std::string& path, const FirmwareSummary& s)
{
    std::cout << "File: " << path << "\n";
    if (!s.type.empty())
        std::cout << "Type: " << s.type << "\nSize: " << s.size << " bytes\n";
    if (s.type == "hex" && s.refusal.empty()) {
        std::cout << "Records: " << s.hex.RecordCount() << " (" << s.hex.dataBytes << " data bytes)\n";
        for (const auto& r : s.hex.ranges)
            std::cout << "  " << Hex32(r.first) << "-" << Hex32(r.last) << "\n";
    }
    if (s.type == "boot") {
        std::cout << "Signature at: " << s.image.signatureOffset << "\nDevice type: " << s.image.bootDeviceType
                  << "\n";
        if (s.size > kDefaultBootLimit)
            std::cout << "Larger than the default boot code limit of " << kDefaultBootLimit << " bytes\n";
    }
    if (s.type == "application" && s.refusal.empty()) {
        std::cout << "Signature at: " << s.image.signatureOffset << "\nDevice types:";
        for (auto t : s.image.DeviceTypes())
            std::cout << " " << t;
        std::cout << "\nKeywords:";
        for (const auto& k : s.image.keywords)
            std::cout << " " << k;
        std::cout << "\nKind: " << s.image.kind << " (mask " << s.image.kindMask << ")\n";
        if (s.size > kDefaultApplicationLimit)
            std::cout << "Larger than the default application limit of " << kDefaultApplicationLimit << " bytes\n";
    }
    std::cout << "File Description: " << s.doc.description << "\nProduct: " << s.doc.product
              << "\nRevision: " << s.doc.revision << "\nDate: " << s.doc.date << "\n";
    std::cout << (s.refusal.empty() ? std::string("Accepted") : "Refused: " + s.refusal) << "\n";
}

} // namespace

int RunFirmware(CliContext& context)
{
    if (!context.NoUnknownOptions())
        return ExitUsage;
    const auto& arguments = context.options.arguments;
    if (arguments.size() != 2 || arguments[0] != "info") {
        std::cerr << "kestrel-cli firmware: give info FILE\n";
        return ExitUsage;
    }
    const FirmwareSummary summary = Describe(arguments[1]);
    if (context.options.json)
        PrintJson(arguments[1], summary);
    else
        PrintText(arguments[1], summary);
    return summary.refusal.empty() ? ExitOk : ExitFailed;
}
