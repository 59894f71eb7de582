// The simulated reader's binary firmware loader, driven the way the host downloads: menu
// queries, SYN-N commands, and a host-side HMODEM transmitter over the in-process line.
#include "LineComm.h"
#include "sim/SimulatedReader.h"
#include "sim/flash/NewFirmware.h"
#include "sim/htag/HTagPeer.h"
#include "tests/sim/SimTestSupport.h"
#include "transfer/HMODEM.h"
#include "transfer/HTRANSFER_STATUS.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using namespace simtest;

const std::string ACK(1, '\x06');
const std::string NAK(1, '\x15');
const std::string ENQ(1, '\x05');

std::string Le32(uint32_t v)
{
    return std::string { char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24) };
}

// Filler that compresses (text) around the signature block, so mode 6 really compresses.
std::string Filler(size_t length)
{
    std::string text;
    while (text.size() < length)
        text += "reader firmware " + std::to_string(text.size() % 977) + ";";
    text.resize(length);
    return text;
}

// An application image for the device types in `types`, with keywords, of `length` bytes.
std::string Application(std::initializer_list<int> types, std::initializer_list<const char*> keywords,
                        const std::string& tail, size_t length)
{
    std::string mask(2, '\0');
    for (int t : types)
        mask[size_t(t - 1) / 8] = char(mask[size_t(t - 1) / 8] | 1 << ((t - 1) % 8));
    std::string image = "BOOTVECTORS" + std::string("MATRIXAPP\0\0\0DEVICETYPE\0\0", 24) + Le32(2) + mask;
    // The keyword block starts at the mask length field + L, so its first (unused) word
    // overlaps the length and the mask: the marker follows the mask directly.
    image += Le32(0xFFFFFFFFu) + Le32(uint32_t(keywords.size()));
    for (const char* keyword : keywords)
        image += Le32(uint32_t(std::string(keyword).size() + 1)) + keyword + std::string(1, '\0');
    image += tail;
    if (image.size() < length)
        image += Filler(length - image.size());
    return image;
}

std::string BootImage(uint32_t type, size_t length)
{
    std::string image = std::string("MATRIXBOOT\0\0DEVICETYPE\0\0", 24) + Le32(type);
    return image + Filler(length - image.size());
}

// A matrix reader with the binary loader and small limits.
std::string LoaderProfile(const std::string& extra = {})
{
    return SmallProfile("caps matrix\ndevicetype 7\nflash binary\nmsz_app 4096\nmsz_bot 1024\nappmsk 11\n"
                        "setting ASYSTA range=0-1 default=0 values=0 global\n"
                        "setting 232WRD range=0-2 default=1 values=1 global\n" +
                        extra);
}

class BinaryLoaderTest : public ::testing::Test {
protected:
    void Start(std::shared_ptr<SimulatedReader> reader)
    {
        ASSERT_NE(reader, nullptr);
        line.reset();
        this->reader = std::move(reader);
        line = this->reader->OpenLine();
        ASSERT_NE(line, nullptr);
        const LineFormat format = this->reader->Model().Line();
        SetHostFormat(*line, format.rate, format.parity, format.dataBits, format.stopBits);
        comm = std::make_unique<LineComm>(*line);
        this->reader->HModem().SetSettings(QuickReaderHModem());
    }
    void Start(const std::string& profileText) { Start(std::make_shared<SimulatedReader>(ParseProfile(profileText))); }
    void StartShipped(const std::string& name)
    {
        std::string error;
        Start(SimulatedReader::FromProfile(name, error));
        ASSERT_TRUE(error.empty()) << error;
    }

    std::string Query(const std::string& text) { return Menu(*line, text); }
    std::string SynN(const std::string& name) { return Exchange(*line, "\x16N," + name + "\r"); }

    // The host's preparation: keep the word format and ASYSTA, then set 8 bits and ASYSTA.
    void Prepare(bool asysta)
    {
        EXPECT_EQ(Query("232WRD$!"), "232WRD1!");
        EXPECT_EQ(Query("232WRD2!"), "232WRD2" + ACK + "!");
        EXPECT_EQ(Query("ASYSTA$!"), "ASYSTA0!");
        const std::string set = asysta ? "ASYSTA1!" : "ASYSTA0!";
        EXPECT_EQ(Query(set), set.substr(0, 7) + ACK + "!");
    }

    // Transmits `image` after the SYN-N start command; returns HMODEM's result.
    int Send(const std::string& command, const std::string& image, unsigned mode, bool waitForFinish = false)
    {
        HMODEM modem(comm.get(), &status, nullptr);
        QuickHostHModem(modem);
        const std::string start = "\x16N," + command + "\r";
        return modem.Transmit(reinterpret_cast<const unsigned char*>(image.data()), unsigned(image.size()),
                              reinterpret_cast<const unsigned char*>(start.data()), unsigned(start.size()),
                              waitForFinish, true, mode);
    }

    // Everything the reader sends until it has been quiet for `quietMs`.
    std::string Collect(unsigned quietMs = 300)
    {
        std::string bytes;
        auto lastByte = std::chrono::steady_clock::now();
        uint8_t buffer[256];
        while (std::chrono::steady_clock::now() - lastByte < std::chrono::milliseconds(quietMs)) {
            const long n = line->Read(buffer, sizeof buffer);
            if (n > 0) {
                bytes.append(reinterpret_cast<char*>(buffer), size_t(n));
                lastByte = std::chrono::steady_clock::now();
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        }
        return bytes;
    }

    std::string Revision() { return reader->Model().Profile().revQx; }

    std::shared_ptr<SimulatedReader> reader;
    std::unique_ptr<SerialDevice> line;
    std::unique_ptr<LineComm> comm;
    HTRANSFER_STATUS status;
};

TEST(NewFirmware, RevisionComesFromTheImageElseCountsUp)
{
    struct Case {
        const char* revQx;
        std::string image;
        const char* expected;
    };
    const Case cases[] = {
        { "QX80001004-015", "no mark", "QX80001004-016" },
        { "QX80001004-999", "", "QX80001004-000" },
        { "QX80001004-015", "..KSTREV=123..", "QX80001004-123" },
        { "QX80001004-015", "KSTREV=12", "QX80001004-016" },    // cut short
        { "QX80001004-015", "KSTREV=1a3", "QX80001004-016" },   // not digits
        { "QX80001004-015", std::string("a\0KSTREV=007", 12), "QX80001004-007" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(RevisionAfterFlash(c.revQx, c.image), c.expected) << c.image;
}

TEST_F(BinaryLoaderTest, QueriesAnswerOnBinaryReadersOnly)
{
    StartShipped("5620sr");
    EXPECT_EQ(Query("MSZAPP?."), "MSZAPP917504" + ACK + ".");
    EXPECT_EQ(Query("MSZBOT?;APPMSK?."), "MSZBOT16384" + ACK + ";APPMSK11" + ACK + ".");
    EXPECT_EQ(Query("MSZAPP5."), "MSZAPP5" + NAK + ".");
    EXPECT_EQ(SynN("DEVICETYPE"), "APP,7\r");
    StartShipped("5820bs");
    EXPECT_EQ(Query("MSZAPP?;APPMSK?."), "MSZAPP786432" + ACK + ";APPMSK22" + ACK + ".");
    EXPECT_EQ(SynN("DEVICETYPE"), "APP,9\r");

    // A matrix reader without the binary loader knows none of it.
    Start(SmallProfile("caps matrix\ndevicetype 7\nmsz_app 4096\nappmsk 11\n"));
    EXPECT_EQ(Query("MSZAPP?;APPMSK?."), "MSZAPP?" + ENQ + ";APPMSK?" + ENQ + ".");
    EXPECT_EQ(SynN("SETBOOTCODEDOWNLOADMODE"), "");
    EXPECT_EQ(Exchange(*line, "\x16N,NEWAPP\r"), "");
    EXPECT_EQ(Query("BEPVOL?."), "BEPVOL2" + ACK + ".");
    // A binary reader whose profile gives no size does not answer that query.
    Start(SmallProfile("caps matrix\ndevicetype 7\nflash binary\nappmsk 11\n"));
    EXPECT_EQ(Query("MSZAPP?;APPMSK?."), "MSZAPP?" + ENQ + ";APPMSK11" + ACK + ".");
}

TEST_F(BinaryLoaderTest, ShippedReadersStoreTheImageAndRebootIntoItsRevision)
{
    struct Case {
        const char* profile;
        const char* command;
        unsigned mode;
        const char* tail;
        const char* revision;
    };
    const Case cases[] = {
        { "5620sr", "NEWAPP", 0, "KSTREV=042", "QX80001004-042" },
        { "5620sr", "NEWAPP", 6, "", "QX80001004-016" },
        { "5820bs", "NEWAPPRAM", 6, "xKSTREV=300", "QX80001017-300" },
        { "5820bs", "NEWAPP", 7, "", "QX80001017-022" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.profile) + " " + c.command + " mode " + std::to_string(c.mode));
        StartShipped(c.profile);
        const int type = reader->Model().Profile().deviceType;
        const std::string image = Application({ type }, { std::string(c.profile) == "5620sr" ? "CORDED" : "RFBASE" },
                                              c.tail, 20000);
        Prepare(true);
        ASSERT_EQ(Send(c.command, image, c.mode), HMODEM_SUCCESS);
        EXPECT_EQ(Collect(), ACK);
        EXPECT_EQ(reader->BinaryFlash().Application(), image);
        EXPECT_EQ(reader->BinaryFlash().ApplicationInRamOnly(), std::string(c.command) == "NEWAPPRAM");
        EXPECT_EQ(Revision(), c.revision);
        EXPECT_EQ(Query("REV_QX?."), "REV_QX" + std::string(c.revision) + ACK + ".");
        EXPECT_EQ(SynN("DEVICETYPE"), "APP," + std::to_string(type) + "\r");
        // The host puts its kept settings back.
        EXPECT_EQ(Query("ASYSTA0!"), "ASYSTA0" + ACK + "!");
        EXPECT_EQ(Query("232WRD1!"), "232WRD1" + ACK + "!");
    }
}

TEST_F(BinaryLoaderTest, StorageIsConfirmedOnlyWithAsystaAndOnlyForFittingImages)
{
    struct Case {
        const char* what;
        bool asysta;
        std::string image;
        const char* faults;
        std::string confirmation;
        bool stored;
    };
    const std::string fits = Application({ 7 }, { "CORDED", "BOOTACK" }, "", 3000);
    const Case cases[] = {
        { "fits", true, fits, "", ACK, true },
        { "no confirmation with ASYSTA 0", false, fits, "", "", true },
        { "refused silently with ASYSTA 0", false, Application({ 9 }, {}, "", 3000), "", "", false },
        { "other device type", true, Application({ 6, 8, 9 }, { "CORDED" }, "", 3000), "", NAK, false },
        { "other application kind", true, Application({ 7 }, { "RFBASE" }, "", 3000), "", NAK, false },
        { "no kind named", true, Application({ 7 }, {}, "", 3000), "", ACK, true },
        { "production configuration", true, Application({ 7 }, { "prodcfg" }, "", 3000), "", ACK, true },
        { "kinds decide in table order", true, Application({ 7 }, { "PRODCFG", "RFSCAN" }, "", 3000), "", NAK,
          false },
        { "exactly the largest size", true, Application({ 7 }, { "CORDED" }, "", 4096), "", ACK, true },
        { "one byte too large", true, Application({ 7 }, { "CORDED" }, "", 4097), "", NAK, false },
        { "boot code instead", true, BootImage(7, 900), "", NAK, false },
        { "mask past the end", true, std::string("MATRIXAPP\0\0\0DEVICETYPE\0\0", 24) + Le32(400) + "x", "", NAK,
          false },
        { "storage fault", true, fits, "store-nak", NAK, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Start(LoaderProfile());
        FaultPlan plan;
        std::string error;
        ASSERT_TRUE(FaultPlan::Parse(c.faults, plan, error)) << error;
        reader->SetFaults(plan);
        const std::string before = Revision();
        Prepare(c.asysta);
        ASSERT_EQ(Send("NEWAPP", c.image, 0), HMODEM_SUCCESS);
        EXPECT_EQ(Collect(), c.confirmation);
        EXPECT_EQ(reader->BinaryFlash().Application(), c.stored ? c.image : std::string());
        EXPECT_EQ(Revision() != before, c.stored);
        EXPECT_EQ(SynN("DEVICETYPE"), "APP,7\r");
    }
}

TEST_F(BinaryLoaderTest, StorageFaultHitsOnceAndTheNextDownloadIsStored)
{
    Start(LoaderProfile());
    FaultPlan plan;
    plan.storage.nak = true;
    reader->SetFaults(plan);
    Prepare(true);
    const std::string image = Application({ 7 }, { "CORDED" }, "KSTREV=200", 2000);
    ASSERT_EQ(Send("NEWAPP", image, 6), HMODEM_SUCCESS);
    EXPECT_EQ(Collect(), NAK);
    EXPECT_EQ(Revision(), "QX80001005-012");
    ASSERT_EQ(Send("NEWAPP", image, 6), HMODEM_SUCCESS);
    EXPECT_EQ(Collect(), ACK);
    EXPECT_EQ(Revision(), "QX80001005-200");
}

TEST_F(BinaryLoaderTest, SlowStorageSendsStatusPacketsAndKeepsWhatTheHostSentMeanwhile)
{
    Start(LoaderProfile());
    FaultPlan plan;
    plan.storage.delayMs = 2300;
    reader->SetFaults(plan);
    Prepare(true);
    ASSERT_EQ(Send("NEWAPP", Application({ 7 }, { "CORDED" }, "", 3000), 0), HMODEM_SUCCESS);
    // A command sent while the reader stores is answered once it is done.
    line->Write(reinterpret_cast<const uint8_t*>("\x16M\rASYSTA0!"), 11);
    const std::string status = HTagPeer::Packet("HPLSMS", "", "Storing application");
    EXPECT_EQ(Collect(1500), status + status + status + ACK + "ASYSTA0" + ACK + "!");
    EXPECT_EQ(reader->BinaryFlash().StatusPackets(), 3);
    EXPECT_EQ(Revision(), "QX80001005-013");
}

TEST_F(BinaryLoaderTest, ReaderFinishesStoringWhenTheLineGoesAway)
{
    for (const bool powerLoss : { false, true }) {
        SCOPED_TRACE(powerLoss ? "power loss" : "storing");
        Start(LoaderProfile());
        FaultPlan plan;
        plan.storage.delayMs = 5000;
        plan.storage.powerLoss = powerLoss;
        reader->SetFaults(plan);
        Prepare(false);
        const std::string image = Application({ 7 }, { "CORDED" }, "KSTREV=321", 3000);
        ASSERT_EQ(Send("NEWAPP", image, 0), HMODEM_SUCCESS);
        // The host restores ASYSTA without waiting, and leaves.
        line->Write(reinterpret_cast<const uint8_t*>("\x16M\rASYSTA1!"), 11);
        comm.reset();
        line.reset();
        line = reader->OpenLine();
        ASSERT_NE(line, nullptr);
        EXPECT_FALSE(reader->BinaryFlash().Busy());
        EXPECT_EQ(SynN("DEVICETYPE"), powerLoss ? "BOOT,7\r" : "APP,7\r");
        EXPECT_EQ(reader->BinaryFlash().Application(), powerLoss ? "" : image);
        EXPECT_EQ(Revision(), powerLoss ? "QX80001005-012" : "QX80001005-321");
        // Lost with the power, else taken once storing was done.
        EXPECT_EQ(reader->Model().Value(*reader->Model().Find("ASYSTA")), powerLoss ? "0" : "1");
        EXPECT_EQ(Collect(100), "");
    }
}

TEST_F(BinaryLoaderTest, PowerLossLeavesTheReaderInBootCodeUntilAnApplicationIsLoaded)
{
    Start(LoaderProfile());
    FaultPlan plan;
    plan.storage.powerLoss = true;
    reader->SetFaults(plan);
    Prepare(true);
    ASSERT_EQ(Send("NEWAPP", Application({ 7 }, { "CORDED" }, "KSTREV=100", 3000), 6), HMODEM_SUCCESS);
    EXPECT_EQ(Collect(), "");
    EXPECT_EQ(Exchange(*line, "\x16" "C\r"), "");  // still without power
    std::this_thread::sleep_for(std::chrono::milliseconds(BinaryLoader::kPowerOffMs + 100));

    // The boot code: found by the probe, but it does not say what it is.
    EXPECT_EQ(Exchange(*line, "\x16" "C\r"), Bytes({ 0x06, 0x15, 0xCE, 0x31 }));
    EXPECT_EQ(SynN("DEVICETYPE"), "BOOT,7\r");
    EXPECT_EQ(Query("REV_QX?."), "");
    EXPECT_EQ(Query("P_NAME?;BEPVOL?."), "");
    EXPECT_EQ(SynN("SETBOOTCODEDOWNLOADMODE"), "");
    EXPECT_EQ(Query("MSZAPP?;MSZBOT?;APPMSK?."), "MSZAPP4096" + ACK + ";MSZBOT1024" + ACK + ";APPMSK11" + ACK + ".");
    EXPECT_EQ(Query("232WRD$!"), "232WRD2!");
    EXPECT_EQ(Query("ASYSTA1!"), "ASYSTA1" + ACK + "!");

    // An application with BOOTACK, loaded into boot code, is confirmed twice.
    const std::string image = Application({ 7 }, { "BOOTACK", "AFCORDED" }, "KSTREV=101", 3000);
    ASSERT_EQ(Send("NEWAPP", image, 0), HMODEM_SUCCESS);
    EXPECT_EQ(Collect(), ACK + ACK);
    EXPECT_EQ(SynN("DEVICETYPE"), "APP,7\r");
    EXPECT_EQ(Query("REV_QX?."), "REV_QXQX80001005-101" + ACK + ".");
    EXPECT_EQ(reader->BinaryFlash().Application(), image);
}

TEST_F(BinaryLoaderTest, BootCodeIsStoredApartAndNeverConfirmed)
{
    struct Case {
        const char* what;
        std::string image;
        bool stored;
        bool waitForFinish;
        int result;
    };
    const Case cases[] = {
        { "own device type", BootImage(7, 1024), true, false, HMODEM_SUCCESS },
        { "other device type", BootImage(9, 1000), false, false, HMODEM_SUCCESS },
        { "too large", BootImage(7, 1025), false, false, HMODEM_SUCCESS },
        { "an application", Application({ 7 }, { "CORDED" }, "", 1000), false, false, HMODEM_SUCCESS },
        // Nothing comes after boot code, so a host that waits for more waits in vain.
        { "host waits for the end", BootImage(7, 800), true, true, HMODEM_RECEIVER_UNRESPONSIVE },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Start(LoaderProfile());
        // Even a reader that confirms applications says nothing after boot code.
        EXPECT_EQ(Query("ASYSTA1!"), "ASYSTA1" + ACK + "!");
        EXPECT_EQ(SynN("SETBOOTCODEDOWNLOADMODE"), "\r");
        ASSERT_EQ(Send("NEWBOOT", c.image, 6, c.waitForFinish), c.result);
        EXPECT_EQ(Collect(), "");
        EXPECT_EQ(reader->BinaryFlash().BootCode(), c.stored ? c.image : std::string());
        EXPECT_EQ(Revision(), "QX80001005-012");
        EXPECT_EQ(SynN("DEVICETYPE"), "APP,7\r");
    }
    // NEWBOOT is taken only right after the boot-code mode was asked for.
    Start(LoaderProfile());
    EXPECT_EQ(Send("NEWBOOT", BootImage(7, 500), 0), HMODEM_NO_START_CHARACTER);
    EXPECT_EQ(reader->BinaryFlash().BootCode(), "");
}

} // namespace
