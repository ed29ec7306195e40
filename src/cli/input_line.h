#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace md5z::cli {

// Collects the bytes of one input line as they stream by, holding no more
// than a line the digest can take. A line is refused as soon as it is
// certain to be too long or not UTF-8; its remaining bytes are then only
// counted past, never kept, so memory stays bounded whatever the line's length.
class InputLine {
  public:
    enum class Refusal { None, TooLong, NotUtf8 };

    // The next bytes of the line, without its LF.
    void add(std::string_view bytes);
    // The line ends: by an LF (a CR just before it is dropped) or by the end
    // of the input (a final CR is part of the text). Returns the line's
    // bytes, which are meaningful only when nothing was refused.
    std::string_view end(bool byNewline);
    // Starts the next line.
    void clear();

    Refusal refusal() const { return refusal_; }
    bool empty() const { return byteCount_ == 0; }

  private:
    bool endsWithCarriageReturn() const;

    std::string bytes_;
    std::size_t units_ = 0;  // UTF-16 units, were the bytes UTF-8; long lines only
    std::size_t byteCount_ = 0;
    Refusal refusal_ = Refusal::None;
};

// A line that arrived whole, without its LF: its text (a CR before the LF
// dropped) when it is short enough that no rule above can refuse it, so it
// needs no InputLine; nothing otherwise.
std::optional<std::string_view> shortWholeLine(std::string_view bytes);

}  // namespace md5z::cli
