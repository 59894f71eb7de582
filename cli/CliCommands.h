// The command table of kestrel-cli. Each group of commands lives in its own file and
// provides a run function; adding a command is one row here and one function there.
#pragma once

#include "cli/CliContext.h"

struct CliCommand {
    const char* name;
    const char* arguments; // shown in the usage text
    const char* summary;
    int (*run)(CliContext& context);
};

// Catalog commands (CatalogCommands.cpp).
int RunDevices(CliContext& context);

inline constexpr CliCommand kCliCommands[] = {
    { "devices", "[--all] [--json]", "list the reader models of the catalog (the rows the device chooser offers)",
      RunDevices },
};
