#include "device/blocks/CPreSufEntry.h"

#include "platform/Archive.h"

void CPreSufEntry::SetData(std::string_view text, std::string_view left, std::string_view right)
{
    m_data = text;
    m_left = left;
    m_right = right;
}

std::string CPreSufEntry::GetDataBytes() const
{
    return DisplayTextToBytes(m_data, m_left, m_right);
}

void CPreSufEntry::Write(CArchiveWriter& archive) const
{
    archive.WriteInt32(m_kind);
    archive.WriteString(m_data);
    archive.WriteString(m_left);
    archive.WriteString(m_right);
    archive.WriteString(m_symbology);
}

CPreSufEntry CPreSufEntry::Read(CArchiveReader& archive)
{
    CPreSufEntry entry;
    entry.m_kind = archive.ReadInt32();
    entry.m_data = archive.ReadString();
    entry.m_left = archive.ReadString();
    entry.m_right = archive.ReadString();
    entry.m_symbology = archive.ReadString();
    return entry;
}
