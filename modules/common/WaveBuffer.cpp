#include "WaveBuffer.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kmd {

bool SampleWriter::Flush() {
    size_t done = 0;
    while (done < fill_ && !failed_) {
        ssize_t n = ::write(fd_, buf_ + done, fill_ - done);
        if (n > 0)
            done += (size_t)n;
        else if (n < 0 && errno == EINTR)
            continue;
        else
            failed_ = true; // an error, or a file that takes no more bytes
    }
    fill_ = 0;
    return !failed_;
}

bool SampleReader::Fill() {
    size_t rest = len_ - pos_;
    if (rest) std::memmove(buf_, buf_ + pos_, rest);
    pos_ = 0;
    len_ = rest;
    while (!ended_ && len_ < 2) {
        ssize_t n = ::read(fd_, buf_ + len_, sizeof buf_ - len_);
        if (n > 0)
            len_ += (size_t)n;
        else if (n < 0 && errno == EINTR)
            continue;
        else
            ended_ = true;
    }
    return len_ >= 2;
}

} // namespace kmd
