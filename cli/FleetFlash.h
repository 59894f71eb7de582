// Flashing many readers at once: one kestrel-cli child per port, each doing the ordinary
// single-reader flash with --json, and one summary of them all.
#pragma once

#include <string>
#include <vector>

struct CliContext;

struct FleetFlashRequest {
    std::string file;
    bool boot = false;
    bool dryRun = false;
    int retries = 2;
    // Why the file would be refused whatever the reader ("" when it would be taken): then no
    // reader is touched at all.
    std::string refusal;
};

// Runs the children, prints the summary (text, or JSON with --json) and returns ExitOk when
// every reader was flashed, ExitFailed otherwise.
int RunFleetFlash(CliContext& context, const FleetFlashRequest& request);
