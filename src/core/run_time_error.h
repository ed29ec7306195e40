#pragma once

#include <stdexcept>

namespace md5z {

// The two failures of the digest and conversion code, numbered as the
// run-time errors they stand for: arithmetic leaving its range, and an array
// read past its end. A failure ends the operation in progress; nothing
// catches it on the way to the caller.
inline constexpr int kOverflowError = 6;
inline constexpr int kSubscriptError = 9;

class RunTimeError : public std::runtime_error {
  public:
    RunTimeError(int number, const char* what) : std::runtime_error(what), number_(number) {}
    int number() const noexcept { return number_; }

  private:
    int number_;
};

}  // namespace md5z
