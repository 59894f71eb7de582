// FormatPreview: what a reader sends for a scan, worked out from its rules.
//
// The rules are taken in the reader's own form (block values and enables of one table), so
// the editor, kestrel-cli and the simulated reader all run a scan the same way:
//
//  1. Data formats of the active slot whose terminal ("099": any), symbology ("99": all)
//     and length ("9999": any) match are tried in list order. A format fails when the cursor
//     would leave the data, a search finds nothing, or EC/ED finds the wrong kind of
//     character; the first format that runs to its end applies.
//  2. DFM_EN 0 sends the data as it is. When no format applies, DFM_EN 1 and 3 send the data as
//     it is, DFM_EN 2 and 4 (or DFMRQD 1) send nothing. DFM_EN 3 and 4 drop prefix and suffix
//     once a format applies.
//  3. The host gets prefix, code ID (CODIDX 1), AIM ID (AIMIDX 1), data, suffix. A
//     symbology's own prefix or suffix beats the one for all symbologies; a backslash followed
//     by the byte 0x80 in them stands for the code ID ("62" -> "b").
//  4. What a format sends between two EB goes to the auxiliary port; EF leaves a delay
//     marker, "{delay N ms}", in the output.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct ReaderRules {
    std::string prefixes; // PREBK2 of the table
    std::string suffixes; // SUFBK2
    std::string formats; // DFMBK3
    std::string preEn = "1";
    std::string sufEn = "1";
    std::string codeId = "0"; // CODIDX
    std::string aimId = "0"; // AIMIDX
    std::string dfmEn = "1";
    std::string dfmRqd = "0";
    std::string terminal = "000"; // TERMID as a three-digit code
};

struct PreviewSample {
    std::string symbology; // two-character code ("62")
    std::string data; // the bytes read
    std::string terminal; // three-digit code; "" takes TERMID
    int slot = 0; // 0 primary, 1-3 alternate
};

struct PreviewResult {
    bool sent = false; // false: the reader sends nothing
    std::string host; // bytes for the host port
    std::string aux; // bytes for the auxiliary port
    int format = -1; // index of the format that applied (in the block), -1 for none
    std::vector<std::string> trace; // the applied format's steps, "{F5}05  cursor 0 -> 5"
    std::vector<std::string> failures; // "format 2: {F8}a found nothing", one per format tried
};

PreviewResult RunFormatPreview(const ReaderRules& rules, const PreviewSample& sample);

// "Code 39=ABC[ CR]": a symbology name (or two-character code) and the data as display text.
// `names` and `codes` are the reader's symbology table. False when the line has no "=" or
// the symbology is unknown.
bool ParsePreviewSample(std::string_view line, const std::vector<std::string>& names,
    const std::vector<std::string>& codes, PreviewSample& sample, std::string& error);
