// RuleScan: a scan on the simulated reader's own scanner, sent the way its prefix/suffix and
// data-format rules say.
//
// The reader's current table (auxiliary blocks: table 0) gives the rules; the rule engine is
// the one the editor's preview runs, so a preview of a saved configuration and a scan on a
// reader the configuration was applied to send the same bytes. What goes to the host port is
// sent on the line; what a format sends to the auxiliary port is handed back.
#pragma once

#include "wizards/FormatPreview.h"

#include <string>

class ReaderEngine;
class ReaderModel;

ReaderRules RulesOfModel(const ReaderModel& model);

// Runs one scan: symbology code (two characters) and the data as display text ("ABC[ CR]").
// The host bytes go to the engine's output; the result is returned.
PreviewResult ScanThroughRules(ReaderEngine& engine, const std::string& code, const std::string& text);

// One line of kestrel-sim's standard input: "scan CODE TEXT". False (with the reason) for
// anything else; `aux` gets the auxiliary-port bytes of the scan.
bool RunScanLine(ReaderEngine& engine, const std::string& line, std::string& aux, std::string& error);

// Reads "scan" lines from standard input while the line is serviced, and prints the
// auxiliary-port output of each scan as "aux HEX" on standard output.
void InstallStandardInputScans(ReaderEngine& engine);
