#pragma once
// A pseudo-terminal pair standing in for a serial line, and the directories through which the
// code under test finds it (COM ports, fake FTDI devices).

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// The test holds the master end (the far device); the code under test opens the slave by its
// path. The pair also keeps a descriptor of its own on the slave, so the line outlives the
// code's close and the test can look at the line settings.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& SlavePath() const { return slavePath_; }
    int Master() const { return master_; }
    int Slave() const { return slave_; }

    void Write(const Bytes& bytes);
    // One byte from the line, or nothing when none came in time (or the line is gone).
    std::optional<std::uint8_t> ReadByte(std::chrono::milliseconds wait);
    // Bytes until wait passes without one.
    Bytes ReadUntilQuiet(std::chrono::milliseconds wait);
    // Ends the far side: the slave sees a hang-up.
    void CloseMaster();

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

// A temporary directory of symlinks named after devices, published through an environment
// variable for the life of the object.
class DeviceLinkDir {
public:
    explicit DeviceLinkDir(const char* environmentVariable);
    ~DeviceLinkDir();
    DeviceLinkDir(const DeviceLinkDir&) = delete;
    DeviceLinkDir& operator=(const DeviceLinkDir&) = delete;

    void Link(const std::string& name, const std::string& target);
    const std::string& Path() const { return path_; }

private:
    std::string variable_;
    std::string path_;
};

// TERMBRIDGE_PORTS_DIR: entries COM<n>.
class PortsDir : public DeviceLinkDir {
public:
    PortsDir() : DeviceLinkDir("TERMBRIDGE_PORTS_DIR") {}
    void LinkPort(int port, const std::string& target) { Link("COM" + std::to_string(port), target); }
};
