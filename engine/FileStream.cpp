#include "FileStream.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kmr {

FileStream::FileStream() : stream_{this, writeThunk, readThunk, 1} {}

FileStream::~FileStream() { Close(); }

bool FileStream::OpenRead(const std::string &path) {
    Close();
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    writing_ = false;
    len_ = pos_ = 0;
    stream_.failed = fd_ < 0;
    return fd_ >= 0;
}

bool FileStream::OpenWrite(const std::string &path) {
    Close();
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    writing_ = true;
    len_ = pos_ = 0;
    stream_.failed = fd_ < 0;
    return fd_ >= 0;
}

bool FileStream::Close() {
    if (fd_ < 0) return false;
    bool ok = !stream_.failed;
    if (writing_) ok = flush() && ok;
    if (::close(fd_) != 0) ok = false;
    fd_ = -1;
    stream_.failed = 1;
    return ok;
}

bool FileStream::flush() {
    size_t done = 0;
    while (done < len_) {
        ssize_t n = ::write(fd_, buf_ + done, len_ - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            stream_.failed = 1;
            len_ = 0;
            return false;
        }
        done += (size_t)n;
    }
    len_ = 0;
    return true;
}

intptr_t FileStream::writeThunk(void *self, const void *data, intptr_t size) {
    return static_cast<FileStream *>(self)->write(data, size);
}

intptr_t FileStream::readThunk(void *self, void *data, intptr_t size) {
    return static_cast<FileStream *>(self)->read(data, size);
}

intptr_t FileStream::write(const void *data, intptr_t size) {
    if (fd_ < 0 || !writing_ || size < 0) return 0;
    const auto *p = static_cast<const unsigned char *>(data);
    size_t left = (size_t)size;
    while (left > 0) {
        if (len_ == sizeof buf_ && !flush()) return size - (intptr_t)left;
        size_t k = std::min(left, sizeof buf_ - len_);
        std::memcpy(buf_ + len_, p, k);
        len_ += k;
        p += k;
        left -= k;
    }
    return size;
}

intptr_t FileStream::read(void *data, intptr_t size) {
    if (fd_ < 0 || writing_ || size < 0) return 0;
    auto *p = static_cast<unsigned char *>(data);
    size_t want = (size_t)size, got = 0;
    while (got < want) {
        if (pos_ == len_) {
            ssize_t n = ::read(fd_, buf_, sizeof buf_);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            len_ = (size_t)n;
            pos_ = 0;
        }
        size_t k = std::min(want - got, len_ - pos_);
        std::memcpy(p + got, buf_ + pos_, k);
        pos_ += k;
        got += k;
    }
    return (intptr_t)got;
}

int FileStream::Handle() {
    if (fd_ < 0 || stream_.failed) return -1;
    if (writing_) {
        if (!flush()) return -1;
    } else if (len_ > pos_) {
        if (::lseek(fd_, -(off_t)(len_ - pos_), SEEK_CUR) < 0) {
            stream_.failed = 1;
            return -1;
        }
    }
    len_ = pos_ = 0;
    return fd_;
}

bool FileStream::Resume() {
    len_ = pos_ = 0;
    if (fd_ < 0) return false;
    if (writing_ && ::lseek(fd_, 0, SEEK_END) < 0) stream_.failed = 1;
    return !stream_.failed;
}

} // namespace kmr
