#include "cli/input_line.h"

#include <cstdint>

#include "core/md5.h"

namespace md5z::cli {
namespace {

constexpr auto kMaxUnits = static_cast<std::size_t>(kMaxUpdateLength);
// UTF-8 takes at most three bytes per UTF-16 unit (a four-byte sequence
// stands for two units), so a longer line that is not too long by its units
// cannot be UTF-8. One more byte for a CR before the LF.
constexpr std::size_t kMaxBytes = 3 * kMaxUnits + 1;
// No byte counts for more than two units (a byte of 0xF0 or more, valid or
// not), so a line of no more bytes than this cannot be too long.
constexpr std::size_t kUncountedBytes = kMaxUnits / 2;

// What UTF-16 takes for the sequences the bytes start: a continuation byte
// starts nothing, a four-byte lead byte starts a surrogate pair.
std::size_t unitsStartedBy(std::string_view bytes) {
    std::size_t units = 0;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        units += static_cast<std::size_t>((byte & 0xC0) != 0x80) + (byte >= 0xF0 ? 1 : 0);
    }
    return units;
}

}  // namespace

void InputLine::add(std::string_view bytes) {
    if (bytes.empty() || refusal_ != Refusal::None) {
        byteCount_ += bytes.size();
        return;
    }
    // Only a line that may be too long is counted: from the byte that takes
    // it past kUncountedBytes, all it holds.
    const bool counted = byteCount_ > kUncountedBytes;
    byteCount_ += bytes.size();
    if (byteCount_ > kUncountedBytes) {
        units_ += (counted ? 0 : unitsStartedBy(bytes_)) + unitsStartedBy(bytes);
    }
    // A CR at the very end may yet turn out to be half of the line's CR LF.
    const std::size_t heldBack = bytes.back() == '\r' ? 1 : 0;
    if (byteCount_ > kUncountedBytes && units_ - heldBack > kMaxUnits) {
        refusal_ = Refusal::TooLong;
    } else if (bytes_.size() + bytes.size() > kMaxBytes) {
        refusal_ = Refusal::NotUtf8;
    }
    if (refusal_ != Refusal::None) {
        std::string().swap(bytes_);
        return;
    }
    bytes_.append(bytes);
}

std::string_view InputLine::end(bool byNewline) {
    if (refusal_ != Refusal::None) {
        return {};
    }
    std::string_view line = bytes_;
    if (byNewline && endsWithCarriageReturn()) {
        line.remove_suffix(1);
    } else if (units_ > kMaxUnits) {
        refusal_ = Refusal::TooLong;
        return {};
    }
    return line;
}

void InputLine::clear() {
    bytes_.clear();
    units_ = 0;
    byteCount_ = 0;
    refusal_ = Refusal::None;
}

bool InputLine::endsWithCarriageReturn() const {
    return !bytes_.empty() && bytes_.back() == '\r';
}

std::optional<std::string_view> shortWholeLine(std::string_view bytes) {
    if (!bytes.empty() && bytes.back() == '\r') {
        bytes.remove_suffix(1);
    }
    if (bytes.size() > kUncountedBytes) {
        return std::nullopt;
    }
    return bytes;
}

}  // namespace md5z::cli
