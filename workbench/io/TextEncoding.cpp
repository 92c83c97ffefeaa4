#include "workbench/io/TextEncoding.h"

#include <stdint.h>
#include <string.h>
#include <windows.h>

#include <vector>

namespace wb {
namespace detail {

namespace {

constexpr UINT kHostCodePage = 932;
// The longest run of UTF-8 handed to the conversion functions at once.
constexpr size_t kRunBytes = 1 << 20;

bool IsCp932Lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool IsCp932Trail(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }
bool IsCp932Single(unsigned char c) { return c < 0x80 || (c >= 0xA1 && c <= 0xDF); }

// The length of the code page 932 character at text[i] (1 or 2), or 0 when the bytes there form
// none.
size_t Cp932CharLength(const std::string& text, size_t i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (IsCp932Single(c)) return 1;
    if (IsCp932Lead(c) && i + 1 < text.size() && IsCp932Trail(static_cast<unsigned char>(text[i + 1]))) return 2;
    return 0;
}

// Appends the n bytes of UTF-8 at text (whole characters, none of them ASCII) to *out in code
// page 932; characters it lacks become "?". Returns how many did.
size_t AppendUtf8AsCp932(const char* text, int n, std::string* out) {
    const int wideLength = MultiByteToWideChar(CP_UTF8, 0, text, n, nullptr, 0);
    if (wideLength <= 0) {
        out->push_back('?');
        return 1;
    }
    std::vector<wchar_t> wide(static_cast<size_t>(wideLength));
    MultiByteToWideChar(CP_UTF8, 0, text, n, wide.data(), wideLength);
    const int length = WideCharToMultiByte(kHostCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, nullptr, 0,
                                           "?", nullptr);
    if (length <= 0) {
        out->push_back('?');
        return 1;
    }
    const size_t at = out->size();
    out->resize(at + static_cast<size_t>(length));
    WideCharToMultiByte(kHostCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, &(*out)[at], length, "?",
                        nullptr);
    // The input holds no ASCII and "?" is no trail byte: every "?" stands for a lost character.
    size_t lost = 0;
    for (size_t k = at; k < out->size(); ++k) lost += (*out)[k] == '?';
    return lost;
}

// The first position from i on (up to n) whose byte is not ASCII. Eight bytes at a time: scene
// files are mostly ASCII, and a byte at a time took longer than parsing them.
size_t PastAscii(const unsigned char* s, size_t i, size_t n) {
    for (uint64_t eight; i + 8 <= n; i += 8) {
        memcpy(&eight, s + i, 8);
        if (eight & 0x8080808080808080ull) break;
    }
    while (i < n && s[i] < 0x80) ++i;
    return i;
}

void AppendCodePoint(uint32_t cp, std::string* out) {
    if (cp < 0x80) {
        out->push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

}  // namespace

bool IsUtf8(const char* text, size_t n) {
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    for (size_t i = 0; i < n;) {
        i = PastAscii(s, i, n);
        if (i == n) break;
        const unsigned char c = s[i];
        size_t length;
        unsigned char lo = 0x80, hi = 0xBF;  // the allowed range of the second byte
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            if (c == 0xE0) lo = 0xA0;  // overlong
            if (c == 0xED) hi = 0x9F;  // surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            if (c == 0xF0) lo = 0x90;  // overlong
            if (c == 0xF4) hi = 0x8F;  // past U+10FFFF
        } else {
            return false;
        }
        if (n - i < length || s[i + 1] < lo || s[i + 1] > hi) return false;
        for (size_t k = 2; k < length; ++k)
            if (s[i + k] < 0x80 || s[i + k] > 0xBF) return false;
        i += length;
    }
    return true;
}

void SceneTextToHost(std::string* text, FileEncoding* encoding, size_t* lost) {
    *lost = 0;
    // A UTF-8 byte-order mark is never part of the text, whichever encoding the rest is taken in:
    // kept, it would hide line 1's first statement.
    if (text->size() >= 3 && text->compare(0, 3, "\xEF\xBB\xBF") == 0) text->erase(0, 3);
    if (!IsUtf8(text->data(), text->size())) {
        *encoding = FileEncoding::Cp932;
        return;
    }
    *encoding = FileEncoding::Utf8;
    size_t first = 0;  // the first byte that is not ASCII
    while (first < text->size() && static_cast<unsigned char>((*text)[first]) < 0x80) ++first;
    if (first == text->size()) return;
    // ASCII is the same in both; each run of other characters is converted as a whole.
    std::string out(*text, 0, first);
    out.reserve(text->size());
    for (size_t i = first; i < text->size();) {
        // A run of at most a megabyte at a time, cut before a character's first byte, so that its
        // length fits the conversion functions' int however large the file.
        const size_t limit = text->size() - i > kRunBytes ? i + kRunBytes : text->size();
        size_t end = i;
        while (end < limit && static_cast<unsigned char>((*text)[end]) >= 0x80) ++end;
        if (end == limit && end < text->size())
            while (end > i + 1 && (static_cast<unsigned char>((*text)[end]) & 0xC0) == 0x80) --end;
        *lost += AppendUtf8AsCp932(text->data() + i, static_cast<int>(end - i), &out);
        i = end;
        while (end < text->size() && static_cast<unsigned char>((*text)[end]) < 0x80) ++end;
        out.append(*text, i, end - i);
        i = end;
    }
    text->swap(out);
}

void SceneTextToUtf8(std::string* text, FileEncoding* encoding, size_t* lost) {
    *lost = 0;
    const bool bom = text->size() >= 3 && text->compare(0, 3, "\xEF\xBB\xBF") == 0;
    const size_t start = bom ? 3 : 0;
    if (!IsUtf8(text->data() + start, text->size() - start)) {
        *encoding = FileEncoding::Cp932;
        *text = HostToUtf8(*text);
        return;
    }
    *encoding = FileEncoding::Utf8;
    if (bom) text->erase(0, 3);
    // Only counted: each run of characters other than ASCII converted on its own, at most a
    // megabyte at a time, cut before a character's first byte.
    std::string scratch;
    const size_t n = text->size();
    auto byte = [&](size_t i) { return static_cast<unsigned char>((*text)[i]); };
    for (size_t i = 0; i < n;) {
        i = PastAscii(reinterpret_cast<const unsigned char*>(text->data()), i, n);
        if (i == n) break;
        size_t end = i;
        while (end < n && byte(end) >= 0x80 && end - i < kRunBytes) ++end;
        if (end < n && byte(end) >= 0x80)
            while (end > i + 1 && (byte(end) & 0xC0) == 0x80) --end;
        scratch.clear();
        *lost += AppendUtf8AsCp932(text->data() + i, static_cast<int>(end - i), &scratch);
        i = end;
    }
}

std::string Utf8ToHost(const std::string& text, size_t* lost) {
    std::string host = text;
    FileEncoding encoding;
    size_t count = 0;
    if (IsUtf8(text.data(), text.size())) SceneTextToHost(&host, &encoding, &count);
    if (lost) *lost = count;
    return host;
}

std::string HostToUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        const size_t length = Cp932CharLength(text, i);
        wchar_t wide[2] = {0, 0};
        const int n = length ? MultiByteToWideChar(kHostCodePage, MB_ERR_INVALID_CHARS, text.data() + i,
                                                   static_cast<int>(length), wide, 2)
                             : 0;
        if (n == 1 && (wide[0] < 0xD800 || wide[0] > 0xDFFF)) {
            AppendCodePoint(wide[0], &out);
        } else {
            AppendCodePoint(0xFFFD, &out);
        }
        i += length ? length : 1;
    }
    return out;
}

std::string HostToFile(const std::string& text, FileEncoding encoding) {
    return encoding == FileEncoding::Utf8 ? HostToUtf8(text) : text;
}

std::string Utf8ToFile(const std::string& text, FileEncoding encoding) {
    return encoding == FileEncoding::Utf8 ? text : Utf8ToHost(text);
}

}  // namespace detail
}  // namespace wb
