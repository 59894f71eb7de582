// DeviceCatalog: the list of reader models the program knows, loaded once from the catalog
// file ("QXDevFil.dat" unless the vendor settings name another) and read-only afterwards.
//
// Columns, by position: DeviceID, Product Name, Base Number (two leading characters, then
// the base part number), Runtime Class, Use Cts, Linear, Visible, ProdID.
#pragma once

#include "catalog/DelimitedDataFile.h"

#include <string>

namespace CatalogColumn {
inline constexpr const char* DeviceID = "DeviceID";
inline constexpr const char* ProductName = "Product Name";
inline constexpr const char* BaseNumber = "Base Number";
inline constexpr const char* RuntimeClass = "Runtime Class";
inline constexpr const char* UseCts = "Use Cts";
inline constexpr const char* Linear = "Linear";
inline constexpr const char* Visible = "Visible";
inline constexpr const char* ProdID = "ProdID";
} // namespace CatalogColumn

class DeviceCatalog {
public:
    static constexpr const char* kDefaultFileName = "QXDevFil.dat";

    // True when the file opened, held at least one row and no malformed one.
    bool Load(const std::string& path);
    bool LoadText(const std::string& text);
    bool IsLoaded() const { return loaded_; }

    int RowCount() const { return loaded_ ? file_.RowCount() : 0; }
    std::string Field(int row, const char* column) const;

    // Conveniences over the columns; a row outside the catalog answers "" / -1 / false.
    int DeviceId(int row) const;
    std::string BaseNumber(int row) const; // from the third character on
    bool IsVisible(int row) const;
    bool IsLinear(int row) const;
    bool UsesCts(int row) const;

    const DelimitedDataFile& File() const { return file_; }

private:
    void SetUp(const std::string& path);
    DelimitedDataFile file_;
    bool loaded_ = false;
};

// The one catalog of the process (loaded at start-up).
DeviceCatalog& TheDeviceCatalog();

// Integer value of a leading decimal number, 0 when there is none (as catalog and revision
// numbers have always been read).
int LeadingInt(const std::string& text);
