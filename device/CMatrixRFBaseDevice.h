// CMatrixRFBaseDevice: the matrix cordless base. A matrix device with settings tables: it
// asks the reader how many it has and selects them by command.
#pragma once

#include "device/CMatrixDevice.h"

class CMatrixRFBaseDevice : public CMatrixDevice {
public:
    static constexpr int kDefaultTables = 7;
    using CMatrixDevice::CMatrixDevice;

    int GetTableCount(bool offline) override;
    bool SelectTable(int table, bool offline) override;
    bool HasTables() override { return true; }
};
