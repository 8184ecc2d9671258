#include "files/file_layer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "common/byte_io.h"
#include "files/file_set.h"
#include "platform/workspace.h"

namespace {

constexpr char kSupportFolderName[] = "com.tarnwhistle.Vornesk 2";

// Reads up to n bytes, fewer only at the end; -1 on a failure.
int64_t ReadUpTo(int fd, char* buffer, int64_t n) {
    int64_t got = 0;
    while (got < n) {
        const ssize_t r = read(fd, buffer + got, size_t(n - got));
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return -1;
        if (r == 0) break;
        got += r;
    }
    return got;
}

std::string MemoryDotFileName(int64_t n) { return "Vornesk 2 A memory dot " + std::to_string(n) + ".q2q"; }

// Copies from to a new file beside to and links it in under to's name,
// which fails when to exists; 0 or the system error number.
int CopyWithoutReplacing(const std::string& from, const std::string& to) {
    const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return errno;
    std::string temporary = FileZerp_getParentPathOf(to) + "/.migrating.XXXXXX";
    const int out = mkostemp(temporary.data(), O_CLOEXEC);
    if (out < 0) {
        const int e = errno;
        close(in);
        return e;
    }
    struct stat st;
    if (fstat(in, &st) == 0) fchmod(out, st.st_mode & 07777);
    int error = 0;
    char buffer[65536];
    for (;;) {
        const int64_t got = ReadUpTo(in, buffer, sizeof buffer);
        if (got < 0) {
            error = EIO;
            break;
        }
        if (got == 0) break;
        if ((error = WriteBytes(out, buffer, got)) != 0) break;
    }
    close(in);
    if (!error && fsync(out) != 0) error = errno;
    if (close(out) != 0 && !error) error = errno;
    if (!error && link(temporary.c_str(), to.c_str()) != 0) error = errno;
    unlink(temporary.c_str());
    return error;
}

}  // namespace

std::string ApplicationSupportFolder() {
    std::string folder;
    const char* over = std::getenv("VORNESK_SUPPORT_DIR");
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (over && *over) folder = over;
    else if (xdg && *xdg) folder = std::string(xdg) + "/" + kSupportFolderName;
    else folder = HomeFolder() + "/.local/share/" + kSupportFolderName;
    FileZerp_createDirectoryAtPath(folder);
    return folder;
}

std::string PreferencesFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    return config && *config ? std::string(config) : HomeFolder() + "/.config";
}

std::string FileZerp_GetApplicationSupportFilePathForName(const char* name) {
    return ApplicationSupportFolder() + "/" + (name ? name : "");
}

std::string FileZerp_GetUndoFilePathForName(const char* name) {
    return FileZerp_GetApplicationSupportFilePathForName(name);
}

std::string FileZerp_GetPrefsFilePathForName(const char* name) { return PreferencesFolder() + "/" + (name ? name : ""); }

std::string FileZerp_Get2019MemoryDotsFilePathForIndex(int64_t n) {
    return FileZerp_GetApplicationSupportFilePathForName(MemoryDotFileName(n).c_str());
}

std::string FileZerp_GetLegacyMemoryDotsFilePathForIndex(int64_t n) {
    return FileZerp_GetPrefsFilePathForName(MemoryDotFileName(n).c_str());
}

bool FileZerp_ifNoFileExistsAtNewPathThenTryMovingItFromOldPath(const std::string& newPath,
                                                                 const std::string& oldPath) {
    if (FileZerp_fileExistsAtPath(newPath)) return true;
    if (!FileZerp_fileExistsAtPath(oldPath)) return false;
    // A second name first, so a file that appeared at newPath is never
    // replaced; across file systems (or where there are no second names) a
    // copy is linked in the same way.
    int error = link(oldPath.c_str(), newPath.c_str()) == 0 ? 0 : errno;
    if (error == EXDEV || error == EPERM || error == EMLINK || error == ENOTSUP) error = CopyWithoutReplacing(oldPath, newPath);
    if (error) return false;
    unlink(oldPath.c_str());
    return true;
}

int FileZerp_WriteFileAtPath(const std::string& path, const char* what, const std::function<int(int fd)>& writer,
                             const std::function<std::string()>& whyWriterFailed) {
    FileSet set;
    StartFileSet(&set, path);
    const int result = WriteFileSetMember(&set, path, what, writer, whyWriterFailed);
    return result != 0 ? result : FinishFileSet(&set);
}

bool FileZerp_createDirectoryAtPath(const std::string& path) {
    if (path.empty()) return false;
    for (size_t i = 1; i <= path.size(); i++)
        if (i == path.size() || path[i] == '/') mkdir(path.substr(0, i).c_str(), 0755);
    return FileZerp_pathisDirectory(path);
}

bool FileZerp_fileExistsAtPath(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0;
}

std::string FileZerp_getParentPathOf(const std::string& path) {
    std::string p = path;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    const size_t slash = p.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : p.substr(0, slash);
}

bool FileZerp_file_hasExtension(const std::string& path, const std::string& extension) {
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return extension.empty();
    return strcasecmp(path.c_str() + dot + 1, extension.c_str()) == 0;
}

bool FileZerp_pathisDirectory(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

