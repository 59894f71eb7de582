// kestrel-sim: a simulated reader on a pseudo-terminal.
//
//   kestrel-sim --profile NAME [--rate N] [--link pty] [--pace] [--log] [--faults LIST]
//   kestrel-sim --list
//
// Prints the slave path on the first line of stdout, registers it for the port table, and
// answers at the reader's rate until SIGTERM or SIGINT, when it removes its registration.
#include "sim/PortRegistry.h"
#include "sim/PtyLink.h"
#include "sim/RuleScan.h"
#include "sim/ReaderProfile.h"
#include "sim/capture/Scene.h"
#include "sim/SerialParameters.h"
#include "sim/ScanOptions.h"
#include "sim/capture/PictureSupport.h"
#include "sim/flash/BinaryLoader.h"
#include "sim/flash/HexLoader.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int)
{
    g_stop = 1;
}

void InstallSignals()
{
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

int Usage(FILE* out, int code)
{
    std::fprintf(out,
                 "usage: kestrel-sim --profile NAME [--rate N] [--link pty] [--pace] [--log] [--faults LIST]\n"
                 "       kestrel-sim --list\n"
                 "\n"
                 "  --profile NAME  reader profile (a name from --list, or a path to a .profile file)\n"
                 "  --rate N        start the reader at this rate instead of the profile's\n"
                 "  --link pty      attach through a pseudo-terminal (the only link)\n"
                 "  --pace          send answers at the reader's line speed\n"
                 "  --log           traffic log of both directions on stderr (kestrel-cli --trace's format)\n"
                 "  --flash-out FILE  on exit, the last firmware flashed into the reader: a hex loader's as\n"
                 "                  Intel hex; a binary loader's application image byte for byte, and its\n"
                 "                  boot code in FILE.boot\n"
                 "  --scene N       write the picture capture N shows (imagers) as PGM on standard output, and exit\n"
                 "  --faults LIST   e.g. seed=7,drop-rate=0.01,corrupt-at=5,delay-at=3,delay-ms=50,\n"
                 "                  nak-next=2,silent,unplug-after=100 (host-drop-at=... for the host's bytes);\n"
                 "                  binary firmware storage: store-nak (the next image is refused with NAK),\n"
                 "                  store-delay=MS (storing takes MS, a status packet every second),\n"
                 "                  power-loss (the next storage fails half way: 1 s of silence, then the\n"
                 "                  reader runs its boot code until an application is loaded)\n"
                 "  --emit LIST     send unasked events every second until the host speaks: text:TEXT, actsta,\n"
                 "                  trgevt, decres:TEXT, hpl, tagged, envelope, picture, bad-packet, bad-header\n"
                 "  --picture-fault cut|pause   pictures stop half way, or pause there for 2 s\n"
                 "%s"
                 "\n"
                 "The slave path is printed on the first line and appended to the port registry\n"
                 "($KESTREL_PORT_REGISTRY, else $XDG_RUNTIME_DIR/kestrel/ports, else /tmp/kestrel-UID/ports).\n",
                 kScanUsage);
    return code;
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size())
        std::fprintf(stderr, "kestrel-sim: cannot write %s\n", path.c_str());
    if (out && std::fclose(out) != 0)
        std::fprintf(stderr, "kestrel-sim: cannot write %s\n", path.c_str());
}

int List()
{
    for (const std::string& path : ReaderProfile::ListProfiles()) {
        ReaderProfile profile;
        std::string error;
        if (!ReaderProfile::LoadFile(path, profile, error)) {
            std::fprintf(stderr, "kestrel-sim: %s\n", error.c_str());
            continue;
        }
        std::printf("%-10s %-10s %-20s %-38s %s\n", profile.name.c_str(), profile.line.Text().c_str(),
                    profile.deviceClass.c_str(), profile.model.c_str(), profile.revQx.c_str());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string profileName;
    std::string link = "pty";
    std::string flashOut;
    long rate = 0;
    long sceneNumber = 0;
    PtyLink::Options options;
    PictureSupportOptions pictures;
    ScanSetup scans;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto next = [&](const char* what) -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "kestrel-sim: %s needs %s\n", arg.c_str(), what);
                std::exit(2);
            }
            return argv[++i];
        };
        if (arg == "--profile") {
            profileName = next("a profile name");
        } else if (arg == "--rate") {
            char* end = nullptr;
            const char* text = next("a rate");
            rate = std::strtol(text, &end, 10);
            if (*end != '\0' || rate < 50 || rate > 4000000) {
                std::fprintf(stderr, "kestrel-sim: bad rate \"%s\"\n", text);
                return 2;
            }
        } else if (arg == "--link") {
            link = next("a link kind");
        } else if (arg == "--pace") {
            options.pace = true;
        } else if (arg == "--log") {
            options.log = true;
        } else if (arg == "--faults") {
            std::string error;
            if (!FaultPlan::Parse(next("a fault list"), options.faults, error)) {
                std::fprintf(stderr, "kestrel-sim: %s\n", error.c_str());
                return 2;
            }
        } else if (arg == "--flash-out") {
            flashOut = next("a file");
        } else if (arg == "--emit") {
            pictures.events = next("an event list");
        } else if (arg == "--picture-fault") {
            const std::string fault = next("cut or pause");
            pictures.faults.cutShort = fault == "cut";
            pictures.faults.pause = fault == "pause";
        } else if (std::string scanError; ParseScanOption(arg, next, scans, scanError)) {
            if (!scanError.empty()) {
                std::fprintf(stderr, "kestrel-sim: %s\n", scanError.c_str());
                return 2;
            }
        } else if (arg == "--scene") {
            sceneNumber = std::strtol(next("a capture number"), nullptr, 10);
        } else if (arg == "--list") {
            return List();
        } else if (arg == "--help" || arg == "-h") {
            return Usage(stdout, 0);
        } else {
            std::fprintf(stderr, "kestrel-sim: unknown option \"%s\"\n", arg.c_str());
            return Usage(stderr, 2);
        }
    }
    if (profileName.empty())
        return Usage(stderr, 2);
    if (link != "pty") {
        std::fprintf(stderr, "kestrel-sim: unknown link \"%s\" (only pty)\n", link.c_str());
        return 2;
    }

    ReaderProfile profile;
    std::string error;
    if (!ReaderProfile::LoadByName(profileName, profile, error)) {
        std::fprintf(stderr, "kestrel-sim: %s\n", error.c_str());
        return 1;
    }
    if (sceneNumber > 0) {
        // The picture capture N of this imager shows, as a binary PGM on standard output,
        // so tests can compare what a host captured over the line with what was in view.
        const HIMAGE scene = SimScene::Render(profile.imageWidth, profile.imageHeight, unsigned(sceneNumber));
        if (!scene.Valid()) {
            std::fprintf(stderr, "kestrel-sim: %s has no image sensor\n", profile.name.c_str());
            return 2;
        }
        std::printf("P5\n%d %d\n255\n", scene.width, scene.height);
        std::fwrite(scene.pixels.data(), 1, scene.pixels.size(), stdout);
        return 0;
    }
    ReaderEngine engine(std::move(profile));
    // The hex loader (profiles with "flash hex"); --flash-out keeps what it was given.
    const std::shared_ptr<HexLoader> flashLoader = HexLoader::Install(engine);
    if (rate != 0) {
        LineFormat line = engine.Model().Line();
        line.rate = static_cast<uint32_t>(rate);
        if (!engine.Model().MoveLine(line)) {
            std::fprintf(stderr, "kestrel-sim: %s cannot run at %ld baud (its rate setting has no such value)\n",
                         engine.Model().Profile().name.c_str(), rate);
            return 2;
        }
    }

    InstallSignals();
    PtyLink pty(engine, options);
    // After the link, which sets the reader's fault state: a keyboard interface keeps it silent.
    if (!StartScanning(engine, scans, error)) {
        std::fprintf(stderr, "kestrel-sim: %s\n", error.c_str());
        return 1;
    }
    // "scan CODE TEXT" lines on standard input: data through the reader's rules.
    InstallStandardInputScans(engine);
    if (!pty.Open(error)) {
        std::fprintf(stderr, "kestrel-sim: %s\n", error.c_str());
        return 1;
    }
    // The binary loader (profiles with "flash binary") receives through the link's HModem peer.
    const std::shared_ptr<BinaryLoader> binaryLoader = BinaryLoader::Install(engine, pty.HModem());
    binaryLoader->SetFaults(options.faults.storage);
    if (!InstallPictureSupport(engine, pty.HModem(), pictures, error)) {
        std::fprintf(stderr, "kestrel-sim: %s\n", error.c_str());
        return 2;
    }
    std::printf("%s\n", pty.SlavePath().c_str());
    std::fflush(stdout);

    const std::string registry = PortRegistry::DefaultPath();
    const bool registered = PortRegistry::Add(registry, pty.SlavePath(), error);
    if (!registered)
        std::fprintf(stderr, "kestrel-sim: cannot register the port: %s\n", error.c_str());
    if (options.log)
        std::fprintf(stderr, "kestrel-sim: %s (%s) at %s on %s\n", engine.Model().Profile().name.c_str(),
                     engine.Model().Profile().model.c_str(), engine.Model().Line().Text().c_str(),
                     pty.SlavePath().c_str());

    const int result = pty.Run(g_stop);
    if (!flashOut.empty()) {
        if (flashLoader->Reboots() > 0)
            WriteFile(flashOut, flashLoader->IntelHexText());
        if (!binaryLoader->Application().empty())
            WriteFile(flashOut, binaryLoader->Application());
        if (!binaryLoader->BootCode().empty())
            WriteFile(flashOut + ".boot", binaryLoader->BootCode());
    }
    if (registered)
        PortRegistry::Remove(registry, pty.SlavePath());
    return result;
}
