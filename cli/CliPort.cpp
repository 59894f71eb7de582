#include "cli/CliPort.h"

#include "app/StartupModel.h"
#include "app/UserPreferences.h"
#include "cli/CliContext.h"
#include "device/CDevice.h"

#include <cstdlib>
#include <iostream>

CliPort::~CliPort()
{
    port.ClosePort();
    if (system_)
        InstallSerialPortSystem(nullptr);
}

bool CliPort::Choose(CliContext& context)
{
    int number = context.startup.Preferences().comPort;
    if (context.options.port)
        number = *context.options.port;
    if (context.options.devicePath) {
        const std::string& path = *context.options.devicePath;
        SerialPortTable::Sources sources = MachineSerialSources();
        sources.extraPorts = sources.extraPorts.empty() ? path : sources.extraPorts + ":" + path;
        system_ = std::make_unique<LinuxSerialPortSystem>(nullptr, sources);
        system_->Rescan();
        InstallSerialPortSystem(system_.get());
        const std::string name = system_->PortNameForDevice(path);
        number = name.size() > 3 ? std::atoi(name.c_str() + 3) : 0;
        if (number <= 0) {
            std::cerr << "kestrel-cli: " << path << " is not a serial port\n";
            return false;
        }
    }
    // The port's own baud limits and the DTR mode of the preferences, as the desktop program
    // applies them: a reader that must not be probed at some rates, or that waits for DTR,
    // is driven the same way from scripts.
    UserPreferences preferences = context.startup.Preferences();
    if (number != preferences.comPort)
        preferences.LoadBaudLimits(context.store, context.startup.Vendor().companyRegKey, number);
    port.SetPortNumber(number);
    port.SetBaudLimits(preferences.maxBaud, preferences.minBaud);
    port.SetDtrMode(preferences.dtrConfiguration);
    return true;
}

bool FindReader(CliContext& context, CDevice& finder, std::string& settings)
{
    finder.SetEorText(context.startup.Preferences().eorCharacter);
    const bool quiet = context.options.quiet || context.options.json;
    const int result = finder.Connect(settings, [quiet](const std::string& text) {
        if (!quiet)
            std::cerr << text << '\n';
    });
    if (result == CDevice::kConnected)
        return true;
    std::cerr << "kestrel-cli: " << (result == CDevice::kConnectCancelled ? "cancelled" : "Failed to Connect") << '\n';
    return false;
}
