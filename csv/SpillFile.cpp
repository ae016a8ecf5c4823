#include "csv/SpillFile.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/sendfile.h>
#include <unistd.h>
#endif

namespace {

constexpr size_t COPY_BLOCK = 1 << 20;

// False when the descriptor takes fewer bytes; a write of none counts as a full disk.
bool WriteAll(int fd, const char* data, size_t n);

void Count(std::atomic<uint64_t>* copied, uint64_t bytes) {
    if (copied != nullptr) copied->fetch_add(bytes, std::memory_order_relaxed);
}

#ifdef _WIN32
using IoSize = unsigned;

void CloseDescriptor(int fd) { _close(fd); }

int WriteSome(int fd, const char* data, size_t n) { return _write(fd, data, static_cast<IoSize>(n)); }

// The user's temporary folder; a file there that deletes itself on close and
// that no other handle may open while it exists.
int CreateTemporary(CStr& folder) {
    wchar_t path[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, path);
    if (length == 0 || length > MAX_PATH) return -1;
    char narrow[4 * MAX_PATH];
    if (WideCharToMultiByte(CP_UTF8, 0, path, -1, narrow, sizeof narrow, nullptr, nullptr) > 0) folder.Assign(narrow);
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::wstring name = std::wstring(path) + L"quillet-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(GetTickCount64() + attempt) + L".tmp";
        const HANDLE file = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (file != INVALID_HANDLE_VALUE) return _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY);
        if (GetLastError() != ERROR_FILE_EXISTS) break;
    }
    errno = EACCES;
    return -1;
}

bool CopyFile(int from, int to, uint64_t length, std::atomic<uint64_t>* copied) {
    if (_lseeki64(from, 0, SEEK_SET) != 0) return false;
    static char block[COPY_BLOCK];
    for (uint64_t done = 0; done < length;) {
        const int got = _read(from, block, static_cast<IoSize>(std::min<uint64_t>(COPY_BLOCK, length - done)));
        if (got <= 0 || !WriteAll(to, block, static_cast<size_t>(got))) return false;
        done += static_cast<uint64_t>(got);
        Count(copied, static_cast<uint64_t>(got));
    }
    return true;
}
#else
void CloseDescriptor(int fd) { close(fd); }

ssize_t WriteSome(int fd, const char* data, size_t n) {
    ssize_t written;
    do {
        written = write(fd, data, n);
    } while (written < 0 && errno == EINTR);
    return written;
}

int CreateTemporary(CStr& folder) {
    const char* tmpdir = std::getenv("TMPDIR");
    folder.Assign(tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp");
#ifdef O_TMPFILE
    const int fd = open(folder.Text(), O_TMPFILE | O_RDWR | O_CLOEXEC, S_IRUSR | S_IWUSR);
    // Some file systems cannot make a file without a name.
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) return fd;
#endif
    std::string pattern = std::string(folder.Text()) + "/quillet-XXXXXX";
    const int named = mkstemp(&pattern[0]);
    if (named >= 0) {
        unlink(pattern.c_str());
        fcntl(named, F_SETFD, FD_CLOEXEC);
    }
    return named;
}

// sendfile copies in the kernel; a descriptor it cannot write to (one opened
// for appending, say) is served by plain reads and writes.
bool CopyFile(int from, int to, uint64_t length, std::atomic<uint64_t>* copied) {
    off_t offset = 0;
    while (static_cast<uint64_t>(offset) < length) {
        const ssize_t sent = sendfile(to, from, &offset, std::min<uint64_t>(COPY_BLOCK, length - offset));
        if (sent > 0) {
            Count(copied, static_cast<uint64_t>(sent));
            continue;
        }
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && (errno == EINVAL || errno == ENOSYS)) break;
        return false;
    }
    static char block[COPY_BLOCK];
    while (static_cast<uint64_t>(offset) < length) {
        const ssize_t got = pread(from, block, std::min<uint64_t>(COPY_BLOCK, length - offset), offset);
        if (got <= 0 || !WriteAll(to, block, static_cast<size_t>(got))) return false;
        offset += got;
        Count(copied, static_cast<uint64_t>(got));
    }
    return true;
}
#endif

bool WriteAll(int fd, const char* data, size_t n) {
    for (size_t put = 0; put < n;) {
        const auto written = WriteSome(fd, data + put, n - put);
        if (written <= 0) {
            if (written == 0) errno = ENOSPC;
            return false;
        }
        put += static_cast<size_t>(written);
    }
    return true;
}

}  // namespace

CSpillFile::~CSpillFile() {
    if (descriptor_ >= 0) CloseDescriptor(descriptor_);
}

bool CSpillFile::Append(const char* text, size_t length) {
    if (!error_.IsEmpty()) return false;
    if (descriptor_ < 0 && !Create()) return false;
    if (!WriteAll(descriptor_, text, length)) {
        Fail("Could not write the temporary file in '");
        return false;
    }
    length_ += length;
    return true;
}

bool CSpillFile::CopyTo(FILE* out, std::atomic<uint64_t>* copied) const {
    return length_ == 0 || (descriptor_ >= 0 && CopyFile(descriptor_, fileno(out), length_, copied));
}

bool CSpillFile::Create() {
    descriptor_ = CreateTemporary(folder_);
    if (descriptor_ >= 0) return true;
    Fail("Could not create a temporary file in '");
    return false;
}

void CSpillFile::Fail(const char* what) {
    const char* reason = std::strerror(errno);
    error_.Assign(what).Append(folder_.Text()).Append("': ").Append(reason).Append(".");
    if (descriptor_ >= 0) CloseDescriptor(descriptor_);
    descriptor_ = -1;
}
