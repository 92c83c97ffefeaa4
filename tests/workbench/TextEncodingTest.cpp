// Names between UTF-8 files and the host's code page 932: the Windows builds convert with the
// system's conversion calls, the native build with iconv. Both run this table, so both must give
// these bytes, including for the characters whose mapping tables disagree (the wave dash and its
// fullwidth tilde, dashes, the double vertical line, minus signs, the not sign, the IBM and NEC
// extensions) and for input that is no character at all.
#include <gtest/gtest.h>

#include <string>

#include "workbench/io/TextEncoding.h"

using wb::detail::FileEncoding;

namespace {

struct Pair {
    const char* utf8;
    const char* cp932;
};

// Both ways: each UTF-8 name becomes these code page 932 bytes, and back.
const Pair kBothWays[] = {
    {u8"ひらがな", "\x82\xD0\x82\xE7\x82\xAA\x82\xC8"},
    {u8"カタカナ・ソ", "\x83\x4A\x83\x5E\x83\x4A\x83\x69\x81\x45\x83\x5C"},
    {u8"表示_能力", "\x95\x5C\x8E\xA6_\x94\x5C\x97\xCD"},     // trail bytes 0x5C
    {u8"ｶﾗｰ吸出し", "\xB6\xD7\xB0\x8B\x7A\x8F\x6F\x82\xB5"},  // half-width kana
    {u8"～―∥－￢", "\x81\x60\x81\x5C\x81\x61\x81\x7C\x81\xCA"},
    {u8"①㈱≒∵", "\x87\x40\x87\x8A\x81\xE0\x81\xE6"},
    {u8"ⅰ￤纊＼￠￡", "\xFA\x40\xFA\x55\xFA\x5C\x81\x5F\x81\x91\x81\x92"},
    {u8"a b.obj", "a b.obj"},
};

// Characters that code page 932 has only as another character's "best fit", and one it lacks:
// each is lost and becomes "?".
const Pair kLost[] = {
    {u8"〜", "?"},         // wave dash (its fullwidth tilde is kept above)
    {u8"—", "?"},          // em dash
    {u8"‖", "?"},          // double vertical line
    {u8"−", "?"},          // minus sign
    {u8"¬¢£¥‾", "?????"},  // not, cent, pound, yen, overline
    {u8"✓", "?"},          // no character of code page 932 at all
};

// Host bytes that form no character, or an unassigned one, become U+FFFD.
const Pair kNoCharacter[] = {
    {u8"\uFFFD", "\x85\x40"},  // an unassigned double byte
    {u8"\uFFFD", "\xA0"},      // neither a single byte nor a lead byte
    {u8"a\uFFFD", "a\x81"},    // a lead byte at the end
    {u8"\uFFFD ", "\x81 "},    // a lead byte before a byte that is no trail byte
    {u8"纊", "\xED\x40"},      // the NEC-selected twin of FA5C reads as the same character
};

std::string ToHost(const std::string& utf8, size_t* lost) {
    std::string text = utf8;
    FileEncoding encoding = FileEncoding::Cp932;
    wb::detail::SceneTextToHost(&text, &encoding, lost);
    EXPECT_EQ(encoding, FileEncoding::Utf8) << utf8;
    return text;
}

}  // namespace

TEST(TextEncoding, NamesConvertToTheSameBytesWithEveryConverter) {
    size_t lost = 0;
    for (const Pair& p : kBothWays) {
        EXPECT_EQ(ToHost(p.utf8, &lost), p.cp932) << p.utf8;
        EXPECT_EQ(lost, 0u) << p.utf8;
        EXPECT_EQ(wb::detail::HostToUtf8(p.cp932), p.utf8) << p.utf8;
    }
    for (const Pair& p : kLost) {
        EXPECT_EQ(ToHost(p.utf8, &lost), p.cp932) << p.utf8;
        EXPECT_EQ(lost, std::string(p.cp932).size()) << p.utf8;
    }
    for (const Pair& p : kNoCharacter)
        EXPECT_EQ(wb::detail::HostToUtf8(p.cp932), p.utf8) << p.cp932;
}
