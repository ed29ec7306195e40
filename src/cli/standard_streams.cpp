#include "cli/standard_streams.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace md5z::cli {
namespace {

bool isClosed(int descriptor) {
    return ::fcntl(descriptor, F_GETFD) == -1 && errno == EBADF;
}

// Waits until the descriptor is ready; an error or hang-up shows in the next
// read or write itself.
void waitFor(int descriptor, short events) {
    pollfd watched{descriptor, events, 0};
    while (::poll(&watched, 1, -1) == -1 && errno == EINTR) {
    }
}

bool wouldBlock(int error) {
    return error == EAGAIN || error == EWOULDBLOCK;
}

}  // namespace

void occupyClosedStandardDescriptors() {
    for (const int descriptor : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (!isClosed(descriptor)) {
            continue;
        }
        const int wrongWay = descriptor == STDIN_FILENO ? O_WRONLY : O_RDONLY;
        const int opened = ::open("/dev/null", wrongWay);
        if (opened >= 0 && opened != descriptor) {
            ::dup2(opened, descriptor);
            ::close(opened);
        }
    }
}

DescriptorOutput::DescriptorOutput(int descriptor) : descriptor_(descriptor) {
    setp(buffer_.data(), buffer_.data() + buffer_.size());
}

DescriptorOutput::~DescriptorOutput() {
    drain();
}

DescriptorOutput::int_type DescriptorOutput::overflow(int_type c) {
    if (!drain()) {
        return traits_type::eof();
    }
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int DescriptorOutput::sync() {
    return drain() ? 0 : -1;
}

std::streamsize DescriptorOutput::xsputn(const char* bytes, std::streamsize count) {
    if (count < static_cast<std::streamsize>(buffer_.size())) {
        return std::streambuf::xsputn(bytes, count);
    }
    return drain() && writeAll(bytes, static_cast<std::size_t>(count)) ? count : 0;
}

bool DescriptorOutput::drain() {
    writeAll(pbase(), static_cast<std::size_t>(pptr() - pbase()));
    // What could not be written is dropped: nothing after a failure goes out.
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    return error_ == 0;
}

bool DescriptorOutput::writeAll(const char* bytes, std::size_t count) {
    const char* const end = bytes + count;
    while (error_ == 0 && bytes < end) {
        const ssize_t written = ::write(descriptor_, bytes, static_cast<std::size_t>(end - bytes));
        if (written >= 0) {
            bytes += written;
        } else if (wouldBlock(errno)) {
            waitFor(descriptor_, POLLOUT);
        } else if (errno != EINTR) {
            error_ = errno;
        }
    }
    return error_ == 0;
}

DescriptorInput::DescriptorInput(int descriptor) : descriptor_(descriptor) {
    setg(buffer_.data(), buffer_.data(), buffer_.data());
}

DescriptorInput::int_type DescriptorInput::underflow() {
    if (gptr() < egptr()) {
        return traits_type::to_int_type(*gptr());
    }
    while (error_ == 0) {
        const ssize_t got = ::read(descriptor_, buffer_.data(), buffer_.size());
        if (got > 0) {
            setg(buffer_.data(), buffer_.data(), buffer_.data() + got);
            return traits_type::to_int_type(*gptr());
        }
        if (got == 0) {
            return traits_type::eof();
        }
        if (wouldBlock(errno)) {
            waitFor(descriptor_, POLLIN);
        } else if (errno != EINTR) {
            error_ = errno;
        }
    }
    // The stream catches this and goes bad, which tells a failure from the end.
    throw std::system_error(error_, std::generic_category());
}

}  // namespace md5z::cli
