// A binary file stream over a POSIX file descriptor, handed to plug-ins as a
// KMDSTREAM. Project files are read and written through it. For types that
// save and load through a file descriptor of their own, Handle() hands out
// the descriptor positioned where the stream stands, and Resume() takes the
// stream up again from wherever the type left the descriptor.
#pragma once

#include <string>

#include "Kmd.h"

namespace kmr {

class FileStream {
public:
    FileStream();
    ~FileStream();
    FileStream(const FileStream &) = delete;
    FileStream &operator=(const FileStream &) = delete;

    // Opens `path` for reading.
    bool OpenRead(const std::string &path);
    // Creates `path` (replacing any file of that name) for writing.
    bool OpenWrite(const std::string &path);
    // Writes what is buffered and closes; false when any write failed.
    bool Close();

    KMDSTREAM *Stream() { return &stream_; }
    bool Good() const { return fd_ >= 0 && !stream_.failed; }

    // The descriptor, positioned at the stream's place (written data flushed,
    // read-ahead given back). -1 on failure, which also fails the stream.
    int Handle();
    // Continues the stream from the descriptor's current position.
    bool Resume();

    bool Write(const void *data, size_t size) { return KmdWrite(&stream_, data, size); }
    bool Read(void *data, size_t size) { return KmdRead(&stream_, data, size); }

private:
    static intptr_t writeThunk(void *self, const void *data, intptr_t size);
    static intptr_t readThunk(void *self, void *data, intptr_t size);
    intptr_t write(const void *data, intptr_t size);
    intptr_t read(void *data, intptr_t size);
    bool flush();

    int fd_ = -1;
    bool writing_ = false;
    KMDSTREAM stream_;
    // Write buffer (bytes not yet written) or read buffer (bytes read ahead).
    unsigned char buf_[8192];
    size_t len_ = 0, pos_ = 0;
};

} // namespace kmr
