#include "device/blocks/CFormatKeyEntry.h"

#include "platform/Archive.h"

#include <array>

namespace {
constexpr std::array<std::string_view, 4> kSlotNames { "Pri", "A1", "A2", "A3" };
}

void CFormatKeyEntry::SetSlot(std::uint8_t slot)
{
    m_slot = slot;
    m_slotName = slot < kSlotNames.size() ? std::string(kSlotNames[slot]) : std::string();
}

void CFormatKeyEntry::SetCommands(std::string_view text, std::string_view left, std::string_view right)
{
    m_commands = text;
    m_left = left;
    m_right = right;
}

void CFormatKeyEntry::Write(CArchiveWriter& archive) const
{
    archive.WriteString(m_terminal);
    archive.WriteString(m_symbology);
    archive.WriteString(m_length);
    archive.WriteString(m_slotName);
    archive.WriteByte(m_slot);
    archive.WriteString(m_commands);
    archive.WriteString(m_left);
    archive.WriteString(m_right);
}

CFormatKeyEntry CFormatKeyEntry::Read(CArchiveReader& archive)
{
    // Taken as stored, slot name included: a document keeps what its writer had.
    CFormatKeyEntry entry;
    entry.m_terminal = archive.ReadString();
    entry.m_symbology = archive.ReadString();
    entry.m_length = archive.ReadString();
    entry.m_slotName = archive.ReadString();
    entry.m_slot = archive.ReadByte();
    entry.m_commands = archive.ReadString();
    entry.m_left = archive.ReadString();
    entry.m_right = archive.ReadString();
    return entry;
}
