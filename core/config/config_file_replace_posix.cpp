#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "config_file_replace.h"

namespace {

// Several threads may write the file at once, so each writer gets a temporary name of its own.
std::string TemporaryName(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    return path + ".tmp." + std::to_string(getpid()) + "." + std::to_string(counter.fetch_add(1));
}

int CreateTemporary(const std::string& path, std::string& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = TemporaryName(path);
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;  // EEXIST: left over from an earlier process
    }
    return -1;
}

bool WriteAll(int fd, const std::string& contents) {
    std::size_t done = 0;
    while (done < contents.size()) {
        const ssize_t written = write(fd, contents.data() + done, contents.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// The new file keeps the permissions of the one it replaces.
void KeepMode(int fd, const std::string& path) {
    struct stat old;
    if (stat(path.c_str(), &old) == 0) fchmod(fd, old.st_mode & 07777);
}

// Makes the rename itself durable; a failure here loses nothing already written.
void SyncDirectory(const std::string& path) {
    const std::string directory = std::filesystem::path(path).parent_path().string();
    const int fd = open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

}  // namespace

bool ReplaceFileContents(const std::string& path, const std::string& contents) {
    std::string temporary;
    const int fd = CreateTemporary(path, temporary);
    if (fd < 0) return false;
    KeepMode(fd, path);
    const bool written = WriteAll(fd, contents) && fsync(fd) == 0;
    const bool closed = close(fd) == 0;
    if (!written || !closed || rename(temporary.c_str(), path.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    SyncDirectory(path);
    return true;
}
