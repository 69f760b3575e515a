#pragma once

// Whole-file reads and locked, atomic replacement of small files (INI files, the registry
// files). A writer takes the lock on the file's folder, reads the file afresh, and
// replaces it through a temporary file beside it, so that two writers never lose each
// other's changes and a crash never leaves half a file. Failures are std::system_error
// carrying the errno; callers turn them into their own messages naming the file.

#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <utility>

namespace nuvex::platform {

// A file descriptor closed (and so any flock on it dropped) when it goes out of scope.
class UniqueFd
{
public:
    explicit UniqueFd(int fd = -1) : fd_(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other) {
            Reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    // Closes now and returns close()'s result: a close can report a failed write-back.
    int Close();

private:
    void Reset();
    int fd_;
};

struct FileData
{
    std::string bytes;
    // Taken through the same descriptor before reading, so that a change during the read
    // shows up as a different status next time.
    struct stat status
    {};
};

// The whole file, or nothing when it or a folder on its path does not exist.
// Throws std::system_error for any other failure (no permission, a folder in its place).
std::optional<FileData> ReadWholeFile(const std::string& path);

// An exclusive advisory lock on a file's folder, held for one read-modify-write of the
// file. The lock sits on the folder itself, which every writer of the file opens anyway;
// no lock file is left lying around. Threads of one process exclude each other too.
class FolderLock
{
public:
    // Creates the folder when missing and waits for the lock. Throws std::system_error.
    explicit FolderLock(std::string filePath);

    // Replaces the file with `bytes`: writes them to `.<name>.XXXXXX` beside it, flushes,
    // renames it over the file and flushes the folder. The file gets `keepMode` when
    // given (the mode of the file being replaced), else `newFileMode` less the umask.
    // Throws std::system_error and leaves no temporary file behind.
    void ReplaceFile(std::string_view bytes, std::optional<mode_t> keepMode, mode_t newFileMode) const;

private:
    std::string path_;
    std::string dir_;
    UniqueFd dirFd_;
};

// The folder part of a path ("." for a bare name) and the name part.
std::string ParentDir(const std::string& path);
std::string BaseName(const std::string& path);

// True for the errno values that mean "does not exist" rather than "cannot be read".
bool IsMissingError(int code);

} // namespace nuvex::platform
