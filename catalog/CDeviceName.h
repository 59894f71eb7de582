// CDeviceName: the identity of one reader model — base part number, firmware revision,
// product identifier — and the catalog row it matched.
//
// An entry is filled from what a reader reports (its revision text and product id) or by
// hand from the device chooser; a revision of 999 marks an entry chosen by hand for work
// without a reader. Every query on an entry without a row answers "not linear, no CTS, no
// name". The catalog defaults to the process-wide one.
#pragma once

#include "catalog/DeviceCatalog.h"
#include "catalog/DeviceClassKind.h"

#include <string>

class CDeviceName {
public:
    static constexpr int kChosenByHand = 999;

    std::string baseNumber;
    int revision = kChosenByHand;
    int catalogRow = -1;
    int deviceId = -1;
    std::string productId;

    // Fills base number and revision from a reader's revision text ("QX12345678-042"), from
    // the ":" form (":X12345678-042...") or from a firmware file name, then matches a row and
    // sets the device id. A file name that is not numeric only becomes the base number.
    void ParseRevision(const std::string& text, const DeviceCatalog& catalog = TheDeviceCatalog());

    // Scans the catalog for this model's row (see the .cpp); keeps the row it had when none
    // matches. True when the entry has a row afterwards.
    bool MatchRow(const DeviceCatalog& catalog = TheDeviceCatalog());
    // Device id from the row: -1 without a row.
    void UpdateDeviceId(const DeviceCatalog& catalog = TheDeviceCatalog());

    bool IsLinear(const DeviceCatalog& catalog = TheDeviceCatalog()) const;
    bool UsesCts(const DeviceCatalog& catalog = TheDeviceCatalog()) const;
    std::string ProductName(const DeviceCatalog& catalog = TheDeviceCatalog()) const;

    // Whether a tab definition row's "Product List" mask includes this model.
    bool IsInProductList(const std::string& mask) const;

    // "Choose a Device": the user picks a visible row; false when cancelled. The entry then
    // takes the row's identity with revision 999.
    bool ChooseDevice(const DeviceCatalog& catalog = TheDeviceCatalog());

    // Takes base number, revision and product id of another entry, then matches a row.
    void CopyIdentity(const CDeviceName& other, const DeviceCatalog& catalog = TheDeviceCatalog());

    // The class that talks to this model, from the row's "Runtime Class"; asks the user to
    // choose a model when the row is missing or names no known class. None when cancelled.
    DeviceClassKind ChooseDeviceClass(const DeviceCatalog& catalog = TheDeviceCatalog());

private:
    bool HasRow(const DeviceCatalog& catalog) const { return catalogRow >= 0 && catalogRow < catalog.RowCount(); }
};

// The mask rule of the tab definitions: bit `deviceId` of the hexadecimal mask ("0x" and
// blanks ignored); a digit that is missing or not hexadecimal means "does not apply".
bool ProductListApplies(const std::string& mask, int deviceId);

// Compares two product ids (both trimmed) over the shorter length, "?" on either side
// matching any character. `sameLength` tells whether the match was full rather than partial.
bool ProductIdsMatch(const std::string& a, const std::string& b, bool* sameLength = nullptr);
