#include "device/CRFBaseDevice.h"

int CRFBaseDevice::GetTableCount(bool offline)
{
    if (offline) {
        m_TableCount = kDefaultTables;
        return m_TableCount;
    }
    return QueryTableCount(kDefaultTables);
}

bool CRFBaseDevice::SelectTable(int table, bool offline)
{
    if (!offline) {
        std::string reply;
        SendCommandAndWait("CURTBL" + std::to_string(table) + ".", reply, 1000);
    }
    m_CurrentTable = table;
    return true;
}
