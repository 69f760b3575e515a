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

// The whole file, or nothing when it or a folder on its path does not exist, or when it is
// no regular file (a FIFO or a device, which would block or never end).
// Throws std::system_error for any other failure (no permission, a folder in its place).
std::optional<FileData> ReadWholeFile(const std::string& path);

// An exclusive advisory lock on a file's folder, held for one read-modify-write of the
// file. The lock sits on the folder itself, which every writer of the file opens anyway;
// no lock file is left lying around. Threads of one process exclude each other too.
// When the file is a symbolic link, the folder of the file it leads to is locked as well,
// since that is where the replacement is made.
class FolderLock
{
public:
    // Creates the folder when missing and waits for the lock. Throws std::system_error.
    explicit FolderLock(std::string filePath);

    // Replaces the file with `bytes`. A symbolic link is followed and the file it leads to
    // is replaced; the link stays. The bytes go to an unnamed temporary file in the
    // target's folder (O_TMPFILE) where the file system allows, else to
    // `.<name>.XXXXXX` beside it; then flush, rename over the file, flush the folder.
    // The file gets `keepMode` when given (the mode of the file being replaced), else
    // `newFileMode` less the umask. Refused, leaving everything as it was: a file the user
    // may not write (no write permission; for root, no write bit at all, as a read-only
    // file) with EACCES, and something other than a regular file with ENOTSUP.
    // Temporary files that a killed writer left beside the file are removed first.
    // Throws std::system_error and leaves no temporary file behind.
    void ReplaceFile(std::string_view bytes, std::optional<mode_t> keepMode, mode_t newFileMode) const;

    // The file that ReplaceFile replaces: the path given, or the end of its symbolic links.
    const std::string& Target() const { return target_; }

private:
    std::string path_;
    std::string dir_;
    std::string target_;
    std::string targetDir_;
    UniqueFd dirFd_;
    UniqueFd targetDirFd_; // only when the target lies in another folder
};

// The end of a chain of symbolic links (relative links resolve against their folder);
// the path itself when it is no link. The end need not exist. Throws std::system_error
// (ELOOP) for a chain that does not end.
std::string FollowLinks(const std::string& path);

// Whether `name` is a temporary file that replacing `fileName` makes: `.<fileName>.XXXXXX`.
bool IsTempFileName(std::string_view name, std::string_view fileName);

// The folder part of a path ("." for a bare name) and the name part.
std::string ParentDir(const std::string& path);
std::string BaseName(const std::string& path);

// True for the errno values that mean "does not exist" rather than "cannot be read".
bool IsMissingError(int code);

} // namespace nuvex::platform
