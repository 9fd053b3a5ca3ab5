#include "FileBytes.h"

#include "Exception.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Reason(int error) { return std::strerror(error); }

[[noreturn]] void ReadFailed(const std::string& path, int error) {
    throw Exception("Cannot read file " + path + ": " + Reason(error));
}

[[noreturn]] void SaveFailed(const std::string& path, int error) {
    throw Exception("Cannot save file " + path + ": " + Reason(error));
}

// Closes the descriptor on every path out of a scope.
struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
    int Release() {
        int f = fd;
        fd = -1;
        return f;
    }
};

std::string FolderOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file that a save really replaces: the target of a symbolic link, else the path itself.
std::string ReplacedFile(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) != nullptr) return resolved;
    return path; // a dangling link is replaced by the new file
}

// Opens a fresh file beside the target. The name is unique to this process and call, and
// O_EXCL refuses to reuse anything that exists. Mode 0666 lets the umask apply as for any new file.
int CreateTempBeside(const std::string& target, std::string& tempPath) {
    static std::atomic<unsigned> counter{0};
    const std::string stem = FolderOf(target) + "/." + BaseNameOf(target) + ".tmp" +
                             std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = stem + std::to_string(counter.fetch_add(1));
        int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

bool WriteAll(int fd, const std::string& bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

bool ReadFileBytes(const std::string& path, std::string& bytes) {
    bytes.clear();
    Fd file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0) {
        if (errno == ENOENT) return false;
        ReadFailed(path, errno);
    }
    struct stat st {};
    if (::fstat(file.fd, &st) != 0) ReadFailed(path, errno);
    if (S_ISDIR(st.st_mode)) ReadFailed(path, EISDIR);
    char buffer[64 * 1024];
    for (;;) {
        ssize_t n = ::read(file.fd, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            int error = errno;
            bytes.clear();
            ReadFailed(path, error);
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
}

void WriteFileAtomically(const std::string& path, const std::string& bytes) {
    if (path.empty()) SaveFailed(path, ENOENT);
    const std::string target = ReplacedFile(path);
    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;
    if (existed && S_ISDIR(old.st_mode)) SaveFailed(path, EISDIR);

    std::string tempPath;
    Fd temp{CreateTempBeside(target, tempPath)};
    if (temp.fd < 0) SaveFailed(path, errno);

    auto fail = [&](int error) {
        ::close(temp.Release());
        ::unlink(tempPath.c_str());
        SaveFailed(path, error);
    };
    if (existed && ::fchmod(temp.fd, old.st_mode & 07777) != 0) fail(errno);
    if (!WriteAll(temp.fd, bytes)) fail(errno);
    if (::fsync(temp.fd) != 0) fail(errno);
    if (::close(temp.Release()) != 0) {
        int error = errno;
        ::unlink(tempPath.c_str());
        SaveFailed(path, error);
    }
    if (::rename(tempPath.c_str(), target.c_str()) != 0) {
        int error = errno;
        ::unlink(tempPath.c_str());
        SaveFailed(path, error);
    }
    // Makes the rename itself durable; the file is complete either way, so a failure here is
    // not reported.
    Fd folder{::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (folder.fd >= 0) ::fsync(folder.fd);
}
