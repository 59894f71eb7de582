// CSerComm: the one serial port of the program.
//
// Every byte exchanged with a reader goes through here. The port is opened from a settings
// string ("COM1:9600,N,8,1", or "\\.\COM12:115200,N,8,1" above port 9), configured, read by
// polling and written with a bounded wait; it lists the ports the machine has and survives an
// adapter being unplugged and plugged back. The application owns exactly one; everything
// else holds a plain pointer.
//
// A small watcher thread accompanies the port. It only answers pause/resume requests through
// a wake/acknowledge pair (every wait bounded by 5000 ms); data arrival is never signalled,
// all reading is by polling.
#pragma once

#include "platform/SerialDevice.h"
#include "platform/UdevSerialMonitor.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

class CSerComm {
public:
    // The rates a connection scan tries, fastest first.
    static constexpr std::array<int, 13> kStandardRates = { 921600, 460800, 230400, 115200, 57600, 38400, 19200,
                                                            9600,   4800,   2400,   1200,   600,   300 };

    // OpenPort results.
    static constexpr int kOpenOk = 0;
    static constexpr int kOpenBadRate = -1;
    static constexpr int kOpenCannotOpen = -2;
    static constexpr int kOpenLineStateUnreadable = -3;
    static constexpr int kOpenEventMaskFailed = -4;
    static constexpr int kOpenBufferSizeFailed = -5;
    static constexpr int kOpenLineStateFailed = -6;
    static constexpr int kOpenTimeoutsFailed = -7;

    // How long a wait on the watcher may take before the owner carries on regardless.
    static constexpr unsigned kWatcherWaitMs = 5000;
    // ReadBytes never polls for longer than this, whatever the caller asks.
    static constexpr unsigned kReadCapMs = 600;
    // A read spins this long for its bytes, then polls with short sleeps.
    static constexpr unsigned kSpinMs = 2;
    static constexpr unsigned kPollSleepUs = 200;

    CSerComm();
    ~CSerComm();
    CSerComm(const CSerComm&) = delete;
    CSerComm& operator=(const CSerComm&) = delete;

    // Ordinary options: RTS handshake on, CTS flow off, no error replacement, initial drain.
    int OpenPort(const std::string& settings, bool rtsHandshake = true, bool ctsOutputFlow = false,
                 bool errorReplacement = false, bool skipInitialDrain = false);
    void ClosePort();
    bool TestPort(int portNumber);
    // portNumber < 0: the current port.
    std::string BuildSettingsString(int baud, char parity, int dataBits, int stopBits, int portNumber = -1) const;
    bool GetCurrentSettings(std::string& settings) const;

    int WriteByte(uint8_t byte);
    int WriteBytes(const uint8_t* bytes, size_t count);
    int WriteText(const std::string& text);
    int ReadBytes(uint8_t* buffer, size_t wanted, unsigned timeoutMs);
    // Everything already received, up to capacity (the caller's buffer size).
    int ReadAvailable(uint8_t* buffer, size_t capacity);
    void DrainInput(unsigned milliseconds);
    void FlushOutput();
    long OutputQueueCount();

    bool SetBaudRate(uint32_t rate);
    bool SetParity(char parity);
    bool SetStopBits(int stopBits);
    // 7 or 8; the transfer channel needs it to put the line into 8-bit framing and back.
    bool SetDataBits(int dataBits);
    int GetDataBits();
    int GetParity();  // the letter, -1 when closed
    int GetStopBits();
    long GetBaudRate();  // -1 when closed

    void PauseWatcher();
    void ResumeWatcher();
    bool IsWatcherPaused() const { return watcherPaused_.load(); }
    // Set while a command/response exchange or a transfer owns the line: the watcher stays
    // paused and an open does not resume it.
    void SetWatcherHeldPaused(bool held);
    bool IsWatcherHeldPaused() const { return watcherHeldPaused_.load(); }

    void EnumeratePorts();
    int GetPortCount() const { return static_cast<int>(portNames_.size()); }
    // "COM3"; empty for an index out of range.
    std::string GetPortName(int index) const;
    // "COM12 (ttyUSB0)": what lists show.
    std::string GetPortDisplayName(int index) const;
    // "COM3" or "\\.\COM12": the path a settings string starts with.
    std::string GetPortPath(int index) const;

    bool OnPortArrived(const std::string& portName);
    bool OnPortRemoved(const std::string& portName);
    bool OnPortGoing(const std::string& portName);
    bool RetryReattach();
    // Hands hot-plug notices to the operations above, then retries a pending re-attach; true
    // when the open port was affected (removed or re-attached).
    bool HandlePortNotices(const std::vector<SerialPortNotice>& notices);

    bool IsOpen() const { return device_ != nullptr; }
    bool IsSuspended() const { return suspended_.load(); }
    bool IsReattachPending() const { return reattachPending_; }
    const std::string& RememberedSettings() const { return rememberedSettings_; }

    int GetPortNumber() const { return portNumber_; }
    void SetPortNumber(int portNumber) { portNumber_ = portNumber; }
    // -1: no limit.
    void SetBaudLimits(int32_t maximum, int32_t minimum)
    {
        maxBaud_ = maximum;
        minBaud_ = minimum;
    }
    int32_t GetMaxBaud() const { return maxBaud_; }
    int32_t GetMinBaud() const { return minBaud_; }
    // 0 DTR off, 1 DTR on, 2 DTR handshake.
    void SetDtrMode(int mode) { dtrMode_ = mode; }
    int GetDtrMode() const { return dtrMode_; }

    // The part of a port name a notice carries that names the port ("USB Serial (COM5)"
    // -> "COM5"), with the device-path prefix added when the settings use it.
    static std::string NormalisePortName(const std::string& portName, const std::string& settings);

private:
    void ExplainOpenFailure(const std::string& path);
    std::set<std::string> explainedPaths_;  // ports whose refusal was explained already
    class Event;

    bool RateOutsideLimits(long baud) const;
    int ApplyLineSettings(const std::string& path, long baud, const SerialLineState& state);
    int WriteChecked(const uint8_t* bytes, size_t count, bool singleByte);
    bool ReopenAfter(std::string remembered);
    bool SignalWatcher(bool pause);
    void WatcherLoop();

    std::unique_ptr<SerialDevice> device_;
    std::string currentSettings_;
    std::string openPath_;  // what device_ was opened as
    std::string rememberedSettings_;
    bool reattachPending_ = false;
    std::atomic<bool> suspended_ { false };
    bool writeRetryUsed_ = false;
    int portNumber_ = 1;
    int32_t maxBaud_ = -1;
    int32_t minBaud_ = -1;
    int dtrMode_ = 0;

    // Time-outs of the line: a write may take count x multiplier + constant ms.
    unsigned writeTotalMultiplierMs_ = 50;
    unsigned writeTotalConstantMs_ = 1000;

    std::vector<std::string> portNames_;
    std::vector<std::string> portDisplayNames_;
    std::vector<std::string> portPaths_;

    // Watcher thread and its wake/acknowledge pair.
    std::unique_ptr<Event> wake_;
    std::unique_ptr<Event> acknowledge_;
    std::atomic<bool> watcherStop_ { false };
    std::atomic<bool> watcherPaused_ { true };
    std::atomic<bool> notifyEnabled_ { false };
    std::atomic<bool> watcherHeldPaused_ { false };
    std::atomic<SerialDevice*> watcherDevice_ { nullptr };
    std::thread watcher_;
};
