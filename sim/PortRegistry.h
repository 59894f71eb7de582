// The file through which running simulators announce their pseudo-terminals to the port
// table: one device path a line. Each simulator adds its line when it starts and removes it
// when it ends; entries whose device has vanished (a simulator that was killed hard) are
// dropped whenever the file is rewritten.
#pragma once

#include <string>
#include <vector>

class PortRegistry {
public:
    // $KESTREL_PORT_REGISTRY, else $XDG_RUNTIME_DIR/kestrel/ports, else /tmp/kestrel-<uid>/ports.
    static std::string DefaultPath();
    static bool Add(const std::string& registry, const std::string& devicePath, std::string& error);
    static bool Remove(const std::string& registry, const std::string& devicePath);
    static std::vector<std::string> Read(const std::string& registry);
};
