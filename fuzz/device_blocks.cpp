// Fuzz target: block values from a reader, command texts from the editor and stored record
// lists from a document, all on arbitrary bytes. Nothing may crash; display text must give
// back every byte string; stored lists that read cleanly must read back equal.
#include "device/blocks/BlockCodec.h"
#include "device/blocks/CBlockSet.h"
#include "platform/Archive.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    static const CCodeTable symbologies = BuildSymbologyTable({ "C39ENA", "128ENA", "R25ENA", "A25ENA" });
    static const CCodeTable terminals = ReadTerminalTable("RS-232|USB|Wedge");

    switch (data[0] % 4) {
    case 0: {
        const auto prefixes = ParsePrefixSuffixValue(input, CPreSufEntry::kPrefix, symbologies);
        for (const CPreSufEntry& entry : prefixes)
            (void)BuildPrefixSuffixCommand("PREBK2", entry, symbologies);
        // Records written back and read again are the same records, unknown codes included.
        if (ParsePrefixSuffixValue(PrefixSuffixValueText(prefixes, symbologies), CPreSufEntry::kPrefix, symbologies)
            != prefixes)
            std::abort();
        for (const CFormatKeyEntry& entry : ParseDataFormatValue(input, symbologies, terminals))
            (void)BuildDataFormatCommand("DFMBK3", entry, symbologies, terminals);
        // Typed data-format text that parses gives records that write back to text parsing to
        // the same records.
        std::vector<CFormatKeyEntry> formats;
        BlockTextError error;
        if (ParseDataFormatText(input, symbologies, terminals, formats, error)) {
            std::vector<CFormatKeyEntry> again;
            if (!ParseDataFormatText(DataFormatValueText(formats, symbologies, terminals), symbologies, terminals,
                    again, error)
                || again != formats)
                std::abort();
        }
        break;
    }
    case 1: {
        (void)DecodeFormatCommands(EncodeFormatCommands(input));
        (void)EncodeFormatCommands(DecodeFormatCommands(input));
        break;
    }
    case 2: {
        if (DisplayTextToBytes(BytesToDisplayText(input)) != input) std::abort();
        (void)DisplayTextToBytes(input);
        break;
    }
    default: {
        CBlockSet blocks;
        try {
            CArchiveReader reader(input);
            blocks.ReadPrefixSuffixLists(reader);
            blocks.ReadDataFormatLists(reader);
            blocks.ReadCodeTables(reader);
        } catch (const ArchiveError&) {
            return 0;
        }
        CArchiveWriter writer;
        blocks.WritePrefixSuffixLists(writer);
        blocks.WriteDataFormatLists(writer);
        blocks.WriteCodeTables(writer);
        CBlockSet copy;
        CArchiveReader reader(writer.Bytes());
        copy.ReadPrefixSuffixLists(reader);
        copy.ReadDataFormatLists(reader);
        copy.ReadCodeTables(reader);
        if (!(copy == blocks)) std::abort();
        break;
    }
    }
    return 0;
}
