// A pseudo-terminal for serial tests: the slave is the "port" the program opens, the master
// is the far end of the cable. A symlink in a temporary folder names the port, so a test can
// unplug (close the master) and plug a new line back in under the same name.
#pragma once

#include "platform/LinuxSerialPortSystem.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Ok() const { return master_ >= 0; }
    int Master() const { return master_; }
    const std::string& SlavePath() const { return slavePath_; }
    void CloseMaster();

    // Bytes waiting on the master side (what the program wrote), read within timeoutMs.
    std::string ReadMaster(size_t wanted, unsigned timeoutMs);
    void WriteMaster(const std::string& bytes);
    // The slave's speed as the far end sees it (0 when unknown).
    unsigned SlaveRate() const;

private:
    int master_ = -1;
    std::string slavePath_;
};

// Port numbers kept in memory instead of a hive.
class MapPortMemory final : public SerialPortTable::Memory {
public:
    std::map<std::string, int> Load() override { return numbers; }
    void Remember(const std::string& key, int number) override { numbers[key] = number; }
    std::map<std::string, int> numbers;
};

// A port system whose only port is a symlink (in a temporary folder) to a pty slave, so it
// is always COM10; Plug points the link at a new line, Unplug removes it.
class PtyPortSystem {
public:
    PtyPortSystem();
    ~PtyPortSystem();

    // Installs itself as the process's port system.
    void Install();
    bool Plug();   // a fresh pty behind the link
    void Unplug(); // master closed, link removed
    PtyPair& Line() { return *pty_; }
    const std::string& LinkPath() const { return link_; }
    LinuxSerialPortSystem& System() { return *system_; }
    int OpenCount() const;

private:
    class Counting;
    std::string dir_;
    std::string link_;
    MapPortMemory memory_;
    std::unique_ptr<PtyPair> pty_;
    std::unique_ptr<LinuxSerialPortSystem> system_;
    std::unique_ptr<Counting> counting_;
};
