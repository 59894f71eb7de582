#include "catalog/CDeviceName.h"

#include "platform/TextUtil.h"

#include "platform/Host.h"

#include <algorithm>
#include <cctype>

namespace {

// substr that never throws: revision texts come from readers and file names, and a short
// one must give a short (non-matching) base number, not a fault.
std::string Piece(const std::string& text, long position, std::size_t count)
{
    if (position < 0 || static_cast<std::size_t>(position) >= text.size())
        return {};
    return text.substr(static_cast<std::size_t>(position), count);
}

std::string LowerCase(std::string text)
{
    for (auto& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

bool ProductIdsMatch(const std::string& a, const std::string& b, bool* sameLength)
{
    const std::string left = Trim(a);
    const std::string right = Trim(b);
    const std::size_t shorter = std::min(left.size(), right.size());
    for (std::size_t i = 0; i < shorter; ++i) {
        if (left[i] == '?' || right[i] == '?')
            continue;
        if (left[i] != right[i])
            return false;
    }
    if (sameLength)
        *sameLength = left.size() == right.size();
    return true;
}

bool ProductListApplies(const std::string& mask, int deviceId)
{
    if (deviceId < 0)
        return false;
    std::string digits;
    for (std::size_t i = 0; i < mask.size(); ++i) {
        if (mask[i] == '0' && i + 1 < mask.size() && mask[i + 1] == 'x') {
            ++i;
            continue;
        }
        if (mask[i] == ' ' || mask[i] == '\t')
            continue;
        digits += mask[i];
    }
    const long position = static_cast<long>(digits.size()) - 1 - deviceId / 4;
    if (position < 0)
        return false;
    const char digit = digits[static_cast<std::size_t>(position)];
    int value = 0;
    if (digit >= '0' && digit <= '9')
        value = digit - '0';
    else if (digit >= 'a' && digit <= 'f')
        value = digit - 'a' + 10;
    else if (digit >= 'A' && digit <= 'F')
        value = digit - 'A' + 10;
    else
        return false;
    return (value >> (deviceId % 4)) & 1;
}

void CDeviceName::ParseRevision(const std::string& text, const DeviceCatalog& catalog)
{
    if (text.find("QX") != std::string::npos && text.find('-') != std::string::npos) {
        // Reader form: "QX" + 8-character base number + separator + 3-digit revision,
        // possibly behind the echoed tag "REV_QX".
        const auto tagAt = text.find("REV_QX");
        const std::string s = tagAt != std::string::npos ? text.substr(tagAt + 6) : text.substr(text.find("QX"));
        // Some readers leave out the second "QX": the text after the tag then starts with
        // the base number itself.
        const auto qx = s.find("QX");
        const long k = qx == std::string::npos ? -2 : static_cast<long>(qx);
        baseNumber = Piece(s, k + 2, 8);
        revision = LeadingInt(Piece(s, k + 11, 3));
    } else if (!text.empty() && text[0] == ':' && text.find('-') == 10 && text.size() >= 14) {
        baseNumber = text.substr(2, 8);
        revision = LeadingInt(text.substr(11, 3));
    } else {
        // A firmware file name: "31052017.hex" stands for base 31201052, revision 17.
        std::string name = text;
        const auto slash = name.find_last_of("\\/");
        if (slash != std::string::npos)
            name = name.substr(slash + 1);
        name = name.substr(0, name.find('.'));
        if (LeadingInt(name) == 0) {
            baseNumber = name;
            return;
        }
        baseNumber = Piece(name, 0, 1) + "120" + Piece(name, 1, 4);
        revision = LeadingInt(name.size() >= 3 ? name.substr(name.size() - 3) : name);
    }
    MatchRow(catalog);
    UpdateDeviceId(catalog);
}

bool CDeviceName::MatchRow(const DeviceCatalog& catalog)
{
    int found = catalogRow;
    for (int row = 0; row < catalog.RowCount(); ++row) {
        if (catalog.BaseNumber(row) != baseNumber)
            continue;
        const std::string pattern = catalog.Field(row, CatalogColumn::ProdID);
        // A row for any product id, or an entry that accepts any row, is only a fallback:
        // a later row that names the product exactly still wins.
        if (pattern == "?" || productId == "?") {
            found = row;
            continue;
        }
        bool sameLength = false;
        if (!ProductIdsMatch(pattern, productId, &sameLength))
            continue;
        found = row;
        if (sameLength)
            break;
    }
    catalogRow = found;
    return catalogRow != -1;
}

void CDeviceName::UpdateDeviceId(const DeviceCatalog& catalog)
{
    deviceId = catalogRow == -1 ? -1 : catalog.DeviceId(catalogRow);
}

bool CDeviceName::IsLinear(const DeviceCatalog& catalog) const
{
    return HasRow(catalog) && catalog.IsLinear(catalogRow);
}

bool CDeviceName::UsesCts(const DeviceCatalog& catalog) const
{
    return HasRow(catalog) && catalog.UsesCts(catalogRow);
}

std::string CDeviceName::ProductName(const DeviceCatalog& catalog) const
{
    return HasRow(catalog) ? catalog.Field(catalogRow, CatalogColumn::ProductName) : std::string();
}

bool CDeviceName::IsInProductList(const std::string& mask) const { return ProductListApplies(mask, deviceId); }

bool CDeviceName::ChooseDevice(const DeviceCatalog& catalog)
{
    std::vector<DeviceChoice> choices;
    for (int row = 0; row < catalog.RowCount(); ++row)
        if (catalog.IsVisible(row))
            choices.push_back({ row, catalog.Field(row, CatalogColumn::ProductName) });
    // The list is sorted the way a sorted list box sorts: by name, without regard to case.
    std::stable_sort(choices.begin(), choices.end(), [](const DeviceChoice& a, const DeviceChoice& b) {
        return LowerCase(a.productName) < LowerCase(b.productName);
    });
    const int chosen = TheHost().ChooseDevice(choices);
    const bool offered = std::any_of(choices.begin(), choices.end(),
                                     [chosen](const DeviceChoice& choice) { return choice.row == chosen; });
    if (!offered)
        return false;
    productId = catalog.Field(chosen, CatalogColumn::ProdID);
    baseNumber = catalog.BaseNumber(chosen);
    revision = kChosenByHand;
    deviceId = catalog.DeviceId(chosen);
    catalogRow = chosen;
    return true;
}

void CDeviceName::CopyIdentity(const CDeviceName& other, const DeviceCatalog& catalog)
{
    baseNumber = other.baseNumber;
    revision = other.revision;
    productId = other.productId;
    // The other entry's row is where matching starts (a row chosen by hand for a reader the
    // catalog does not know stays); never a row left over from this entry's earlier reader.
    catalogRow = other.catalogRow;
    MatchRow(catalog);
    UpdateDeviceId(catalog);
}

DeviceClassKind CDeviceName::ChooseDeviceClass(const DeviceCatalog& catalog)
{
    MatchRow(catalog);
    for (;;) {
        const DeviceClassKind kind
            = HasRow(catalog) ? DeviceClassFromName(catalog.Field(catalogRow, CatalogColumn::RuntimeClass))
                              : DeviceClassKind::None;
        if (kind != DeviceClassKind::None)
            return kind;
        // The chosen row is taken as it is (matching again could pick another row of the
        // same base number); a chosen row with an unknown class asks once more.
        if (!ChooseDevice(catalog))
            return DeviceClassKind::None;
    }
}
