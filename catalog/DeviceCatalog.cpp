#include "catalog/DeviceCatalog.h"

#include <cctype>
#include <climits>

namespace {

bool IsYes(const std::string& text) { return text == "Y" || text == "y"; }

} // namespace

int LeadingInt(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX)
            value = static_cast<long long>(INT_MAX) + 1; // saturate, never overflow
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

void DeviceCatalog::SetUp(const std::string& path)
{
    file_.SetUp(path, { CatalogColumn::DeviceID, CatalogColumn::ProductName, CatalogColumn::BaseNumber,
                        CatalogColumn::RuntimeClass, CatalogColumn::UseCts, CatalogColumn::Linear,
                        CatalogColumn::Visible, CatalogColumn::ProdID });
}

bool DeviceCatalog::Load(const std::string& path)
{
    SetUp(path);
    loaded_ = file_.Load() == DelimitedDataFile::Loaded;
    return loaded_;
}

bool DeviceCatalog::LoadText(const std::string& text)
{
    SetUp("");
    loaded_ = file_.LoadText(text) == DelimitedDataFile::Loaded;
    return loaded_;
}

std::string DeviceCatalog::Field(int row, const char* column) const
{
    return file_.Field(row, column);
}

int DeviceCatalog::DeviceId(int row) const
{
    if (row < 0 || row >= file_.RowCount())
        return -1;
    return LeadingInt(Field(row, CatalogColumn::DeviceID));
}

std::string DeviceCatalog::BaseNumber(int row) const
{
    const std::string field = Field(row, CatalogColumn::BaseNumber);
    return field.size() > 2 ? field.substr(2) : std::string();
}

bool DeviceCatalog::IsVisible(int row) const { return IsYes(Field(row, CatalogColumn::Visible)); }
bool DeviceCatalog::IsLinear(int row) const { return IsYes(Field(row, CatalogColumn::Linear)); }
bool DeviceCatalog::UsesCts(int row) const { return IsYes(Field(row, CatalogColumn::UseCts)); }

DeviceCatalog& TheDeviceCatalog()
{
    static DeviceCatalog catalog;
    return catalog;
}
