#pragma once

#include <array>
#include <cstddef>
#include <streambuf>

namespace md5z::cli {

// Makes sure descriptors 0, 1 and 2 are open before anything else opens a
// file: a closed one is taken by /dev/null opened the wrong way round, so
// reading or writing it fails (and is reported) instead of reaching a file
// that happened to get its number.
void occupyClosedStandardDescriptors();

// Writes to a descriptor through a buffer, waiting when the descriptor is
// non-blocking and full. The first failure is kept and everything after it
// is refused, so the stream over it goes bad and stays bad.
class DescriptorOutput final : public std::streambuf {
  public:
    explicit DescriptorOutput(int descriptor);
    ~DescriptorOutput() override;
    DescriptorOutput(const DescriptorOutput&) = delete;
    DescriptorOutput& operator=(const DescriptorOutput&) = delete;

    // The errno of the first failed write, 0 while there was none.
    int error() const { return error_; }

  protected:
    int_type overflow(int_type c) override;
    int sync() override;
    // Writes that fill the buffer at least once go straight to the descriptor.
    std::streamsize xsputn(const char* bytes, std::streamsize count) override;

  private:
    bool drain();
    bool writeAll(const char* bytes, std::size_t count);

    int descriptor_;
    int error_ = 0;
    std::array<char, 64 * 1024> buffer_;  // filled before it is read
};

// Reads a descriptor as data comes, waiting when it is non-blocking and
// empty: only the end of the input ends it. A failed read makes the stream
// over it go bad; error() says why.
class DescriptorInput final : public std::streambuf {
  public:
    explicit DescriptorInput(int descriptor);

    int error() const { return error_; }

  protected:
    int_type underflow() override;

  private:
    int descriptor_;
    int error_ = 0;
    std::array<char, 64 * 1024> buffer_;  // filled before it is read
};

}  // namespace md5z::cli
