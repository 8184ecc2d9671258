#include "files/file_open.h"

#include <fcntl.h>

#include <cerrno>

int FileZerp_OpenAFilePath(const std::string& path, int32_t readWrite, int32_t, int16_t* error) {
    int fd = readWrite ? open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644)
                       : open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (error) *error = fd < 0 ? int16_t(!readWrite && errno == ENOENT ? -43 : -1) : int16_t(0);
    return fd;
}
