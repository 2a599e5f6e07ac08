#include "bench/FileBytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bench {

int64_t fileSize(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return -1;
    return int64_t(info.st_size);
}

bool readInto(const std::string& path, char* dest, size_t size) {
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return false;
    size_t done = 0;
    while (done < size) {
        ssize_t got = read(fd, dest + done, size - done);
        if (got <= 0)
            break;
        done += size_t(got);
    }
    close(fd);
    return done == size;
}

bool readWholeFile(const std::string& path, std::string& bytes) {
    int64_t size = fileSize(path);
    if (size < 0)
        return false;
    bytes.resize(size_t(size));
    return readInto(path, &bytes[0], bytes.size());
}

bool writeWithOneCall(const std::string& path, const char* bytes, size_t size) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    size_t done = 0;
    while (done < size) {
        ssize_t put = write(fd, bytes + done, size - done);
        if (put <= 0)
            break;
        done += size_t(put);
    }
    return close(fd) == 0 && done == size;
}

} // namespace bench
