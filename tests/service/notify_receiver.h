#pragma once
// Plays systemd's side of the notify socket: a datagram socket in a private directory.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

class NotifyReceiver {
public:
    NotifyReceiver();
    ~NotifyReceiver();
    NotifyReceiver(const NotifyReceiver&) = delete;
    NotifyReceiver& operator=(const NotifyReceiver&) = delete;

    // What $NOTIFY_SOCKET names.
    const std::string& path() const { return path_; }

    // The next message, or nothing when none came before the deadline.
    std::optional<std::string> Next(std::chrono::milliseconds deadline = std::chrono::seconds(20));

    // Sends a marker of our own and returns every message that came before it.
    std::vector<std::string> Drain();

private:
    std::string directory_;
    std::string path_;
    int fd_ = -1;
};
