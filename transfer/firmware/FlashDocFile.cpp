#include "transfer/firmware/FlashDocFile.h"

#include "platform/TextUtil.h"
#include "transfer/firmware/FirmwareFileReader.h"

#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

// Finds the first line starting with `key`; empty when none does.
std::string ValueOf(std::string_view text, std::string_view key)
{
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(start, end - start);
        if (StartsWithNoCase(line, key)) {
            std::string value = Trim(line.substr(key.size()));
            if (value.size() > FlashDocFile::kMaxValueBytes)
                value = Trim(value.substr(0, FlashDocFile::kMaxValueBytes));
            return value;
        }
        if (end == text.size())
            break;
        start = end + 1;
    }
    return {};
}

} // namespace

FlashDocInfo FlashDocFile::Parse(std::span<const uint8_t> bytes)
{
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    FlashDocInfo info;
    info.description = ValueOf(text, "GENERAL DESCRIPTION:");
    info.product = ValueOf(text, "PRODUCT NAME:");
    info.revision = ValueOf(text, "SW REV:");
    info.date = ValueOf(text, "DATE:");
    return info;
}

std::optional<std::string> FlashDocFile::FindCompanion(const std::string& firmwarePath)
{
    namespace fs = std::filesystem;
    const fs::path path(firmwarePath);
    const std::string wanted = path.stem().string() + ".DOC";
    fs::path folder = path.parent_path();
    if (folder.empty())
        folder = ".";
    std::error_code ec;
    const fs::path exact = folder / wanted;
    if (fs::is_regular_file(exact, ec))
        return exact.string();
    std::optional<std::string> found;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (EqualNoCase(name, wanted) && it->is_regular_file(ec)) {
            // Directory order is arbitrary: take the smallest name so the choice is stable.
            if (!found || name < fs::path(*found).filename().string())
                found = it->path().string();
        }
    }
    return found;
}

FlashDocInfo FlashDocFile::ForFirmwareFile(const std::string& firmwarePath, bool* found)
{
    if (found)
        *found = false;
    FlashDocInfo info;
    info.description = kNoDocFileText;
    const auto companion = FindCompanion(firmwarePath);
    if (!companion)
        return info;
    std::vector<uint8_t> bytes;
    if (ReadFirmwareFile(*companion, bytes, kMaxFileBytes) != FirmwareFileRead::Ok)
        return info;
    if (found)
        *found = true;
    FlashDocInfo parsed = Parse(bytes);
    // A missing key leaves its field empty; the description keeps the default text.
    if (parsed.description.empty())
        parsed.description = kNoDocFileText;
    return parsed;
}
