// A simulated reader on "COM5", the port that reaches it, the scripted host, and the shipped
// catalog and tab definitions: what every device-class test starts from. Frames the host
// writes are recorded so tests can check what went out and in which order.
#pragma once

#include "catalog/DeviceCatalog.h"
#include "catalog/TabDefinitions.h"
#include "device/CSerComm.h"
#include "platform/ScriptedHost.h"
#include "sim/ReaderProfile.h"
#include "sim/SimulatedReader.h"
#include "support/RecordingPortSystem.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// Profile text for a test reader; `settings` holds "setting ..." lines.
inline std::string ReaderProfileText(const std::string& revQx, const std::string& productId, const std::string& line,
                                     const std::string& settings, int tables = 1, const std::string& caps = "none",
                                     const std::string& link = "0xCE31")
{
    return "name test\nmodel Test reader\nclass CDevice\nrev_qx " + revQx + "\nrev_sw SW1.00\np_name " + productId
        + "\nlink " + link + "\nline " + line + "\ntables " + std::to_string(tables) + "\ncaps " + caps + "\n"
        + settings;
}

inline std::string SourceDataDir() { return KESTREL_SOURCE_DATA_DIR; }

class DeviceBench : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!TheDeviceCatalog().IsLoaded())
            TheDeviceCatalog().Load(SourceDataDir() + "/QXDevFil.dat");
        if (!TheTabDefinitions().IsLoaded()) {
            std::string message;
            TheTabDefinitions().Load(SourceDataDir() + "/", message);
        }
    }

    void SetUp() override
    {
        SetUserAbort(false);
        InstallHost(&host);
        InstallSerialPortSystem(&ports);
        port.SetPortNumber(5);
    }
    void TearDown() override
    {
        port.ClosePort();
        InstallSerialPortSystem(nullptr);
        InstallHost(nullptr);
        SetUserAbort(false);
    }

    // Attaches a reader made from profile text; the port stays closed.
    void Attach(const std::string& profileText)
    {
        ReaderProfile profile;
        std::string error;
        ASSERT_TRUE(ReaderProfile::Parse(profileText, profile, error)) << error;
        reader = std::make_shared<SimulatedReader>(profile);
        ports.sim.Attach("COM5", reader);
    }

    // Menu frames the host sent since the last call: the text after each SYN "M" CR.
    std::vector<std::string> TakeFrames()
    {
        std::vector<std::string> frames;
        const std::string prefix = "\x16M\r";
        size_t at = ports.written.find(prefix);
        while (at != std::string::npos) {
            const size_t next = ports.written.find('\x16', at + prefix.size());
            std::string frame = ports.written.substr(at + prefix.size(),
                                                     (next == std::string::npos ? ports.written.size() : next) - at - 3);
            // The end-of-record byte a presence probe sends first is not part of the frame.
            while (!frame.empty() && frame.back() == '\r')
                frame.pop_back();
            frames.push_back(frame);
            at = ports.written.find(prefix, at + prefix.size());
        }
        ports.written.clear();
        return frames;
    }

    ScriptedHost host;
    RecordingPortSystem ports;
    std::shared_ptr<SimulatedReader> reader;
    CSerComm port;
};
