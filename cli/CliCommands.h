// The command table of kestrel-cli. Each group of commands lives in its own file and
// provides a run function; adding a command is one row here and one function there.
#pragma once

#include "cli/CliContext.h"

#include <optional>
#include <string>

struct CliCommand {
    const char* name;
    const char* arguments; // shown in the usage text
    const char* summary;
    int (*run)(CliContext& context);
};

// Catalog commands (CatalogCommands.cpp).
int RunDevices(CliContext& context);
// Reader commands (DeviceCommands.cpp).
int RunDetect(CliContext& context);
int RunRead(CliContext& context);
int RunWrite(CliContext& context);
int RunOffline(CliContext& context);
// Document commands (DocumentCommands.cpp). "read" and "offline" hand over to the document
// when given --save FILE.kst.
std::optional<std::string> TakeSaveOption(CliContext& context);
int RunReadSave(CliContext& context, const std::string& path);
int RunOfflineSave(CliContext& context, const std::string& path);
int RunOpen(CliContext& context);
int RunApply(CliContext& context);
int RunSet(CliContext& context);
int RunDiff(CliContext& context);
int RunPages(CliContext& context);
int RunReport(CliContext& context);
// Pictures and HTag packets (CaptureCommands.cpp).
int RunCapture(CliContext& context);
int RunKim(CliContext& context);
int RunHtag(CliContext& context);
int RunMonitor(CliContext& context);
// Bar code sheets (BarcodeCommands.cpp).
int RunBarcodes(CliContext& context);
int RunVerify(CliContext& context);
// Firmware files (FirmwareCommands.cpp).
int RunFirmware(CliContext& context);
int RunFlash(CliContext& context);
// Writes a report as HTML or PDF, chosen by the file's extension (ReportCommand.cpp).
struct ConfigurationReport;
int WriteReport(const ConfigurationReport& report, const std::string& output);

// Prefix/suffix and data-format rules (WizardCommands.cpp).
int RunRules(CliContext& context);
int RunPrefix(CliContext& context);
int RunFormat(CliContext& context);
int RunFormatCommands(CliContext& context);
int RunPreview(CliContext& context);

inline constexpr CliCommand kCliCommands[] = {
    { "devices", "[--all] [--json]", "list the reader models of the catalog (the rows the device chooser offers)",
      RunDevices },
    { "detect", "[--json]", "find the reader on the port and print its line settings and identity", RunDetect },
    { "read", "[--save FILE.kst] [--json]",
      "print every setting of the reader: value per table, range or list, default", RunRead },
    { "write", "[--table N | --all-tables] TAG=VALUE ... [--json]", "write settings to the reader", RunWrite },
    { "offline", "--device ROW [--save FILE.kst] [--json]", "print the settings a catalog model starts with",
      RunOffline },
    { "open", "FILE.kst [--json]", "print a saved configuration: description, identity, settings, blocks", RunOpen },
    { "apply", "FILE.kst [--json]", "write every table of a saved configuration to the reader and report", RunApply },
    { "set", "FILE.kst TAG=VALUE ... [--table N] [--output=FILE.kst] [--json]",
      "change settings of a saved configuration, with the pages' range checks", RunSet },
    { "diff", "A.kst B.kst [--json]", "settings and records that differ, per table (exit 1 when they differ)",
      RunDiff },
    { "pages", "FILE.kst | --device ROW [--json]", "the generated pages: captions, controls, rectangles", RunPages },
    { "report", "[FILE.kst] --output R.html|R.pdf",
      "a configuration report of a saved document or of the reader on the port: identity, every setting "
      "that differs from its default, the rules, the document's SHA-256",
      RunReport },
    { "capture",
      "[--format=kim|gray|binary|jpeg|tiff|bmp|g3|g4|runs|zlib] [--quality=Q] [--subsample=S] [--window=L,T,R,B] "
      "[--depth=1|8] [--test] [--htag] [--decode] --output=FILE.kim|png|tif|bmp [--json]",
      "take a picture with an imager and save it; --decode reads the symbols in it", RunCapture },
    { "kim", "info FILE [--decode] | convert IN OUT [--json]",
      "show a picture file (KIM, PNG, TIFF, BMP) or convert it, keeping what it records", RunKim },
    { "htag", "NAME [PARAM=VALUE ...] [--protocol=2..5] [--input=FILE] [--output=FILE] [--wait=S] [--json]",
      "send one HTag command; a request's answer is shown and its data saved", RunHtag },
    { "monitor", "[--seconds=N] [--pictures=DIR] [--baud=N] [--json]",
      "print everything the reader sends on its own: decoded data, pictures, HTag events", RunMonitor },
    { "barcodes",
      "FILE.kst | --device ROW | --interface [--form=auto|linear|aztec] [--columns=N] [--caption=left|bottom|right|top] "
      "[--description=on|off] [--command=on|off] [--module=3-5] [--height=150-240] [--size=1-10] [--title=T] "
      "[--comments=C] [--dpi=N] [--paper=letter|a4] --output OUT.pdf|.svg|.png [--json]",
      "cloning bar codes of a configuration (or the RS-232 interface bar code), read back before they are written",
      RunBarcodes },
    { "verify", "SHEET.pdf|.png|.pbm [--against FILE.kst] [--json]",
      "the commands a printed or scanned sheet carries, in scan order (exit 1 when any is missing, extra or out of "
      "order)",
      RunVerify },
    { "firmware", "info FILE [--json]",
      "what a firmware file is (records, signature, device types, keywords, description) and whether a flash "
      "would take it (exit 1 when refused); no reader needed",
      RunFirmware },
    { "flash", "FILE [--boot --yes] [--dry-run] [--retries N] [--model=NAME] [--json]",
      "write a firmware file (hex, or a binary image) into the reader and report the revisions before and after "
      "(--dry-run: every check, nothing written; without a terminal Retry is answered at most N times, default 2; "
      "--model: the model of a reader that cannot identify itself, e.g. one left in its loader). "
      "With --port/--device given more than once, all readers at the same time: one summary line per port, exit 1 "
      "when any failed",
      RunFlash },
    { "rules", "FILE.kst [--table=N | --aux] [--json]",
      "the prefix/suffix and data-format lists as the editor pages show them, and their six settings", RunRules },
    { "prefix", "FILE.kst SYMBOLOGY TEXT [--suffix] [--table=N | --aux] [--output=FILE.kst] [--json]",
      "set the prefix (or suffix) of a symbology; an empty TEXT deletes it", RunPrefix },
    { "format",
      "FILE.kst add | edit I | delete I | up I | down I [--terminal=T] [--symbology=S] [--length=L] "
      "[--slot=Pri|A1|A2|A3] [--commands=SEQ] [--table=N | --aux] [--output=FILE.kst] [--json]",
      "add, change, delete or move a data format (I counts from 1)", RunFormat },
    { "format-commands", "[--json]", "the 22 data formatter commands with their parameters", RunFormatCommands },
    { "preview", "[FILE.kst] \"SYMBOLOGY=DATA\" ... [--samples=FILE] [--table=N] [--json]",
      "what the reader sends for sample scans (no file: the reader on the port)", RunPreview },
};
