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
};

// Runs the children, prints the summary (text, or JSON with --json) and returns ExitOk when
// every reader was flashed, ExitFailed otherwise.
int RunFleetFlash(CliContext& context, const FleetFlashRequest& request);
