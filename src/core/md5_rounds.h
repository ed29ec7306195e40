#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "core/md5.h"
#include "core/md5_lanes.h"

// The 64 steps of the MD5 transform (RFC 1321) and the reading of message
// words, written once for the two engines: Word is std::uint32_t for one
// message, or MD5LaneWords, a vector of them that carries several messages
// side by side, one in each lane. The steps use the engine's word operations,
// LongAdd, LongAdd4 and LongLeftRotate, which both word types have.

namespace md5z {

// Message words are little-endian.
inline std::uint32_t LittleEndianWord(const std::uint8_t* bytes) {
    std::uint32_t word;
    std::memcpy(&word, bytes, sizeof word);
    if constexpr (std::endian::native == std::endian::big) {
        word =
            (word >> 24) | ((word >> 8) & 0x0000FF00u) | ((word << 8) & 0x00FF0000u) | (word << 24);
    }
    return word;
}

// One step: a = LongAdd(LongLeftRotate(LongAdd4(a, R(b, c, d), x, ac), s), b)
// with R the round's function. The compiler sums the four terms in the
// order that leaves only R and the rotation on the chain that carries one
// step into the next; x, ac and a are added while the step before runs.
template <typename Word>
void MD5StepF(Word& a, const Word& b, const Word& c, const Word& d, const Word& x, std::uint32_t ac,
              int s) {
    a = LongAdd(LongLeftRotate(LongAdd4(a, d ^ (b & (c ^ d)), x, ac), s), b);
}

// (b and d) or (c and not d): the two terms share no bit, so their sum is
// the same word and lets the term without b be added early.
template <typename Word>
void MD5StepG(Word& a, const Word& b, const Word& c, const Word& d, const Word& x, std::uint32_t ac,
              int s) {
    a = LongAdd(LongLeftRotate(LongAdd4(a, (d & b) + (~d & c), x, ac), s), b);
}

template <typename Word>
void MD5StepH(Word& a, const Word& b, const Word& c, const Word& d, const Word& x, std::uint32_t ac,
              int s) {
    a = LongAdd(LongLeftRotate(LongAdd4(a, b ^ (c ^ d), x, ac), s), b);
}

template <typename Word>
void MD5StepI(Word& a, const Word& b, const Word& c, const Word& d, const Word& x, std::uint32_t ac,
              int s) {
    a = LongAdd(LongLeftRotate(LongAdd4(a, c ^ (b | ~d), x, ac), s), b);
}

// Folds the message words x[0..15] of one block into the registers.
template <typename Word>
[[gnu::always_inline]] inline void MD5Transform(std::array<Word, 4>& registers, const Word* x) {
    Word a = registers[0];
    Word b = registers[1];
    Word c = registers[2];
    Word d = registers[3];

    MD5StepF(a, b, c, d, x[0], 0xD76AA478, 7);
    MD5StepF(d, a, b, c, x[1], 0xE8C7B756, 12);
    MD5StepF(c, d, a, b, x[2], 0x242070DB, 17);
    MD5StepF(b, c, d, a, x[3], 0xC1BDCEEE, 22);
    MD5StepF(a, b, c, d, x[4], 0xF57C0FAF, 7);
    MD5StepF(d, a, b, c, x[5], 0x4787C62A, 12);
    MD5StepF(c, d, a, b, x[6], 0xA8304613, 17);
    MD5StepF(b, c, d, a, x[7], 0xFD469501, 22);
    MD5StepF(a, b, c, d, x[8], 0x698098D8, 7);
    MD5StepF(d, a, b, c, x[9], 0x8B44F7AF, 12);
    MD5StepF(c, d, a, b, x[10], 0xFFFF5BB1, 17);
    MD5StepF(b, c, d, a, x[11], 0x895CD7BE, 22);
    MD5StepF(a, b, c, d, x[12], 0x6B901122, 7);
    MD5StepF(d, a, b, c, x[13], 0xFD987193, 12);
    MD5StepF(c, d, a, b, x[14], 0xA679438E, 17);
    MD5StepF(b, c, d, a, x[15], 0x49B40821, 22);

    MD5StepG(a, b, c, d, x[1], 0xF61E2562, 5);
    MD5StepG(d, a, b, c, x[6], 0xC040B340, 9);
    MD5StepG(c, d, a, b, x[11], 0x265E5A51, 14);
    MD5StepG(b, c, d, a, x[0], 0xE9B6C7AA, 20);
    MD5StepG(a, b, c, d, x[5], 0xD62F105D, 5);
    MD5StepG(d, a, b, c, x[10], 0x02441453, 9);
    MD5StepG(c, d, a, b, x[15], 0xD8A1E681, 14);
    MD5StepG(b, c, d, a, x[4], 0xE7D3FBC8, 20);
    MD5StepG(a, b, c, d, x[9], 0x21E1CDE6, 5);
    MD5StepG(d, a, b, c, x[14], 0xC33707D6, 9);
    MD5StepG(c, d, a, b, x[3], 0xF4D50D87, 14);
    MD5StepG(b, c, d, a, x[8], 0x455A14ED, 20);
    MD5StepG(a, b, c, d, x[13], 0xA9E3E905, 5);
    MD5StepG(d, a, b, c, x[2], 0xFCEFA3F8, 9);
    MD5StepG(c, d, a, b, x[7], 0x676F02D9, 14);
    MD5StepG(b, c, d, a, x[12], 0x8D2A4C8A, 20);

    MD5StepH(a, b, c, d, x[5], 0xFFFA3942, 4);
    MD5StepH(d, a, b, c, x[8], 0x8771F681, 11);
    MD5StepH(c, d, a, b, x[11], 0x6D9D6122, 16);
    MD5StepH(b, c, d, a, x[14], 0xFDE5380C, 23);
    MD5StepH(a, b, c, d, x[1], 0xA4BEEA44, 4);
    MD5StepH(d, a, b, c, x[4], 0x4BDECFA9, 11);
    MD5StepH(c, d, a, b, x[7], 0xF6BB4B60, 16);
    MD5StepH(b, c, d, a, x[10], 0xBEBFBC70, 23);
    MD5StepH(a, b, c, d, x[13], 0x289B7EC6, 4);
    MD5StepH(d, a, b, c, x[0], 0xEAA127FA, 11);
    MD5StepH(c, d, a, b, x[3], 0xD4EF3085, 16);
    MD5StepH(b, c, d, a, x[6], 0x04881D05, 23);
    MD5StepH(a, b, c, d, x[9], 0xD9D4D039, 4);
    MD5StepH(d, a, b, c, x[12], 0xE6DB99E5, 11);
    MD5StepH(c, d, a, b, x[15], 0x1FA27CF8, 16);
    MD5StepH(b, c, d, a, x[2], 0xC4AC5665, 23);

    MD5StepI(a, b, c, d, x[0], 0xF4292244, 6);
    MD5StepI(d, a, b, c, x[7], 0x432AFF97, 10);
    MD5StepI(c, d, a, b, x[14], 0xAB9423A7, 15);
    MD5StepI(b, c, d, a, x[5], 0xFC93A039, 21);
    MD5StepI(a, b, c, d, x[12], 0x655B59C3, 6);
    MD5StepI(d, a, b, c, x[3], 0x8F0CCC92, 10);
    MD5StepI(c, d, a, b, x[10], 0xFFEFF47D, 15);
    MD5StepI(b, c, d, a, x[1], 0x85845DD1, 21);
    MD5StepI(a, b, c, d, x[8], 0x6FA87E4F, 6);
    MD5StepI(d, a, b, c, x[15], 0xFE2CE6E0, 10);
    MD5StepI(c, d, a, b, x[6], 0xA3014314, 15);
    MD5StepI(b, c, d, a, x[13], 0x4E0811A1, 21);
    MD5StepI(a, b, c, d, x[4], 0xF7537E82, 6);
    MD5StepI(d, a, b, c, x[11], 0xBD3AF235, 10);
    MD5StepI(c, d, a, b, x[2], 0x2AD7D2BB, 15);
    MD5StepI(b, c, d, a, x[9], 0xEB86D391, 21);

    registers[0] = LongAdd(registers[0], a);
    registers[1] = LongAdd(registers[1], b);
    registers[2] = LongAdd(registers[2], c);
    registers[3] = LongAdd(registers[3], d);
}

}  // namespace md5z
