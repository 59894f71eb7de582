// TrafficLog: every byte on the reader's line, both ways, with a monotonic time stamp, and
// every change of the line's settings — what a support engineer needs to see what the
// program and the reader really said to each other.
//
// One log for the process. Lines are kept in a bounded ring (the desktop program's
// "Communication Log" shows it) and, when a file is named, handed to a writer thread through
// a bounded queue: the line never waits for the disk; lines the queue cannot take are counted
// and the count is written when the file is closed.
//
// Line format (the reader simulator's --log writes the same, so two logs compare line by line):
//     SSSSS.uuuuuu PORT D HEX...                                      |TEXT|
// D is ">" for bytes towards the reader, "<" for bytes from it, "=" for line settings and
// "!" for other events (purges, a line that went away). Data lines carry at most 16 bytes;
// TEXT shows printable ASCII and "." for every other byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class SerialDevice;
struct SerialLineState;

class TrafficLog {
public:
    static constexpr size_t kRingLines = 20000;
    static constexpr size_t kQueueLines = 65536;
    static constexpr size_t kBytesPerLine = 16;

    static TrafficLog& Instance();

    // Recording is off until something wants the log (the desktop program, --trace).
    void SetRecording(bool on);
    bool Recording() const;
    // Starts writing to `path` (replacing it); false with a reason when it cannot be opened.
    bool OpenFile(const std::string& path, std::string& error);
    // Flushes and closes the file, ending it with the number of dropped lines if any.
    void CloseFile();

    void Data(const std::string& port, char direction, const std::uint8_t* bytes, size_t count);
    void Event(const std::string& port, char kind, const std::string& text);

    // The ring, oldest first, and how many lines the file writer had to drop.
    std::vector<std::string> Lines() const;
    // Lines recorded since the program started (the ring keeps the newest of them).
    std::uint64_t LinesAdded() const;
    std::uint64_t DroppedLines() const;
    // How many lines may wait for the file writer (tests make it small).
    void SetQueueLimit(size_t lines);
    void Clear();

    // Formatting, shared with the simulator's log.
    static std::string FormatData(double seconds, const std::string& port, char direction,
        const std::uint8_t* bytes, size_t count);
    static std::string FormatEvent(double seconds, const std::string& port, char kind, const std::string& text);
    static std::string DescribeLine(const SerialLineState& state);
    // Seconds since the process started, from the monotonic clock.
    static double Now();

    ~TrafficLog();

private:
    TrafficLog();
    void Add(std::string line);
    struct State;
    std::unique_ptr<State> state_;
};

// `device` itself when the log is not recording, else a device that records through the log
// everything that passes (the port name labels its lines).
std::unique_ptr<SerialDevice> TraceSerialDevice(std::unique_ptr<SerialDevice> device, const std::string& port);
