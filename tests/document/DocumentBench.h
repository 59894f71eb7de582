// A simulated reader on "COM5", the port that reaches it, a scripted host, the shipped data
// files, and a document with in-memory controls and a recording main window: what the
// document flow tests start from. Frames the host writes are recorded.
#pragma once

#include "support/RecordingPortSystem.h"
#include "catalog/DeviceCatalog.h"
#include "catalog/TabDefinitions.h"
#include "device/CSerComm.h"
#include "document/CQLMenuDoc.h"
#include "document/ControlStateModel.h"
#include "document/DocumentFrame.h"
#include "document/TextMeasurer.h"
#include "platform/ScriptedHost.h"
#include "sim/SimPortSystem.h"
#include "sim/SimulatedReader.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// Keeps what the document showed in the main window.
class RecordingFrame final : public DocumentFrame {
public:
    void FillTableChooser(const std::vector<std::string>& items, int selected, bool enabled) override
    {
        tableItems = items;
        tableSelected = selected;
        tableEnabled = enabled;
    }
    void ShowCommandErrors(const std::vector<std::string>& notKnown,
        const std::vector<std::string>& outOfRange, const std::vector<std::string>& noResponse) override
    {
        errorDialogs.push_back({ notKnown, outOfRange, noResponse });
    }
    bool EditFileDescription(std::string& description) override
    {
        description = nextDescription;
        return true;
    }
    void ShowStartupChoice() override { ++startupChoices; }
    void SetTitle(const std::string& text) override { title = text; }
    void PagesRebuilt() override { ++rebuilds; }
    void ValuesChanged() override { }

    std::vector<std::string> tableItems;
    int tableSelected = -2;
    bool tableEnabled = false;
    std::vector<std::vector<std::vector<std::string>>> errorDialogs;
    std::string nextDescription;
    int startupChoices = 0;
    std::string title;
    int rebuilds = 0;
};

class DocumentBench : public ::testing::Test {
protected:
    static std::string DataDir() { return KESTREL_SOURCE_DATA_DIR; }

    static void SetUpTestSuite()
    {
        if (!TheDeviceCatalog().IsLoaded()) TheDeviceCatalog().Load(DataDir() + "/QXDevFil.dat");
        if (!TheTabDefinitions().IsLoaded()) {
            std::string message;
            TheTabDefinitions().Load(DataDir() + "/", message);
        }
    }

    void SetUp() override
    {
        SetUserAbort(false);
        InstallHost(&host);
        InstallSerialPortSystem(&ports);
        port.SetPortNumber(5);
        document = MakeDocument();
    }
    void TearDown() override
    {
        document.reset();
        port.ClosePort();
        InstallSerialPortSystem(nullptr);
        InstallHost(nullptr);
        SetUserAbort(false);
    }

    std::unique_ptr<CQLMenuDoc> MakeDocument(const TabDefinitions* definitions = nullptr)
    {
        DocumentEnvironment environment;
        environment.port = &port;
        environment.definitions = definitions;
        environment.measurer = &measurer;
        auto made = std::make_unique<CQLMenuDoc>(environment);
        made->SetFrame(&frame);
        made->SetControls(&controls);
        return made;
    }

    // Attaches a shipped reader profile (by name) to COM5.
    std::shared_ptr<SimulatedReader> AttachProfile(const std::string& name)
    {
        std::string error;
        auto reader = SimulatedReader::FromProfile(name, error);
        EXPECT_TRUE(reader) << error;
        if (reader) Attach(reader);
        return reader;
    }

    std::shared_ptr<SimulatedReader> AttachText(const std::string& text)
    {
        ReaderProfile profile;
        std::string error;
        EXPECT_TRUE(ReaderProfile::Parse(text, profile, error)) << error;
        auto reader = std::make_shared<SimulatedReader>(profile);
        Attach(reader);
        return reader;
    }

    // The scan only tries the reader's own rate, so a connect takes a fraction of a second.
    void Attach(const std::shared_ptr<SimulatedReader>& reader)
    {
        const long rate = static_cast<long>(reader->Model().Profile().line.rate);
        port.SetBaudLimits(static_cast<int32_t>(rate), static_cast<int32_t>(rate));
        ports.sim.Attach("COM5", reader);
        // The port test before a scan opens at 9600, outside these limits: start open.
        port.OpenPort(port.BuildSettingsString(static_cast<int>(rate), 'N', 8, 1));
    }

    // The first binding of a setting, nullptr when it has none.
    const ControlBinding* BindingOf(const std::string& tag)
    {
        const CDevice* device = document->Device();
        for (const ControlBinding& binding : document->Bindings())
            if (device->Settings()[static_cast<size_t>(binding.settingIndex)].tag == tag) return &binding;
        return nullptr;
    }

    // How many times `text` went out on the line since the last call.
    size_t TakeCount(const std::string& text)
    {
        size_t count = 0;
        for (size_t at = ports.written.find(text); at != std::string::npos;
             at = ports.written.find(text, at + 1))
            ++count;
        ports.written.clear();
        return count;
    }

    ScriptedHost host;
    RecordingPortSystem ports;
    CSerComm port;
    FixedTextMeasurer measurer;
    ControlStateModel controls;
    RecordingFrame frame;
    std::unique_ptr<CQLMenuDoc> document;
};
