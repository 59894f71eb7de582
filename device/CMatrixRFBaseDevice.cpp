#include "device/CMatrixRFBaseDevice.h"

#include "transfer/HCOMMAND_PROCESSOR.h"

int CMatrixRFBaseDevice::GetTableCount(bool offline)
{
    if (offline) {
        m_TableCount = kDefaultTables;
        return m_TableCount;
    }
    return QueryTableCount(kDefaultTables);
}

bool CMatrixRFBaseDevice::SelectTable(int table, bool offline)
{
    if (!offline) {
        HSTRING reply(32);
        m_pCommandHandler->SendAndWait(("CURTBL" + std::to_string(table) + ".").c_str(), &reply);
    }
    m_CurrentTable = table;
    return true;
}
