#include "workbench/io/SceneTextChecks.h"

#include <windows.h>

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <map>

#include "workbench/io/SceneFile.h"

namespace wb {
namespace detail {

namespace {

// The end of the statement on the line text[start, end): the reader ends it at "\r" too. Looked
// for in the line only: a search to the end of the text from every line would take time
// quadratic in a file without one.
size_t StatementEnd(const std::string& text, size_t start, size_t end) {
    const void* cr = start < end ? memchr(text.data() + start, '\r', end - start) : nullptr;
    return cr ? static_cast<size_t>(static_cast<const char*>(cr) - text.data()) : end;
}

// Calls line(number, start, end) for each line of text, start past its leading blanks, end at
// its line break (excluded).
template <class Line>
void ForEachLine(const std::string& text, Line line) {
    size_t number = 0;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        ++number;
        const size_t p = text.find_first_not_of(" \t", start);
        line(number, p == std::string::npos || p > end ? end : p, end);
        start = end + 1;
    }
}

// The blank-separated words of text[start, end).
void Words(const std::string& text, size_t start, size_t end, std::vector<std::string>* words) {
    words->clear();
    for (size_t q = start; q < end;) {
        q = text.find_first_not_of(" \t\r", q);
        if (q == std::string::npos || q >= end) break;
        size_t stop = text.find_first_of(" \t\r", q);
        if (stop == std::string::npos || stop > end) stop = end;
        words->emplace_back(text, q, stop - q);
        q = stop;
    }
}

// True when word is a number whose value a float holds finitely.
bool FiniteNumber(const std::string& word, double* value) {
    char* stop = nullptr;
    *value = strtod(word.c_str(), &stop);
    return stop != word.c_str() && *stop == '\0' && isfinite(*value) && fabs(*value) <= 3.4e38;
}

bool Statement(const std::vector<std::string>& words, const char* name) {
    return !words.empty() && words[0] == name;
}

// True when text[start, end) begins with the statement name followed by a blank; *rest gets the
// position past the name.
bool StartsStatement(const std::string& text, size_t start, size_t end, const char* name,
                     size_t* rest) {
    const size_t n = strlen(name);
    if (end - start <= n || text.compare(start, n, name) != 0) return false;
    if (text[start + n] != ' ' && text[start + n] != '\t') return false;
    *rest = start + n;
    return true;
}

// True when text[at, stop) is a face index the OBJ reader takes: an integer other than 0 that
// int holds.
bool FaceIndex(const std::string& text, size_t at, size_t stop) {
    if (at < stop && (text[at] == '-' || text[at] == '+')) ++at;
    if (at == stop || stop - at > 10) return false;
    long long value = 0;
    for (; at < stop; ++at) {
        if (text[at] < '0' || text[at] > '9') return false;
        value = value * 10 + (text[at] - '0');
    }
    return value != 0 && value <= 2147483647LL;
}

// True when every corner of the face whose corners are text[start, end) is v, v/t, v//n or
// v/t/n, each index one FaceIndex takes.
bool FaceCornersReadable(const std::string& text, size_t start, size_t end) {
    for (size_t q = start; q < end;) {
        q = text.find_first_not_of(" \t\r", q);
        if (q == std::string::npos || q >= end) break;
        size_t stop = text.find_first_of(" \t\r", q);
        if (stop == std::string::npos || stop > end) stop = end;
        size_t field = q;
        for (int k = 0; field <= stop; ++k) {
            // Looked for in this field only: "f 1 2 3" has no "/" before the end of the file.
            const void* found = field < stop ? memchr(text.data() + field, '/', stop - field) : nullptr;
            const size_t slash = found ? static_cast<size_t>(static_cast<const char*>(found) - text.data()) : stop;
            // The texture index of "v//n" may be empty; no other.
            const bool emptyTexture = k == 1 && slash == field && slash < stop;
            if (k > 2 || (!emptyTexture && !FaceIndex(text, field, slash))) return false;
            field = slash + 1;
        }
        q = stop;
    }
    return true;
}

}  // namespace

void ScanObjText(const std::string& text, ObjTextTrouble* trouble) {
    std::vector<std::string> words;
    std::map<std::string, size_t> uses;
    size_t vertex = 0;
    ForEachLine(text, [&](size_t number, size_t start, size_t end) {
        if (end - start < 2 || (text[start] != 'v' && text[start] != 'f' && text[start] != 'u'))
            return;
        Words(text, start, end, &words);
        if (Statement(words, "v")) {
            bool bad = false;
            double value;
            for (size_t k = 1; k < words.size() && k <= 3; ++k)
                bad = bad || !FiniteNumber(words[k], &value);
            if (bad) {
                trouble->badCoordinates.add(number);
                trouble->badVertices.push_back(vertex);
            } else if (words.size() < 4) {
                trouble->fewCoordinates.add(number);
            }
            // A colour, when the line gives one (the reader takes three values more, not one).
            bool badColor = false;
            for (size_t k = 4; words.size() >= 7 && k <= 6; ++k)
                badColor = badColor || !FiniteNumber(words[k], &value);
            if (badColor) {
                trouble->badColors.add(number);
                trouble->badColorVertices.push_back(vertex);
            }
            ++vertex;
        } else if (Statement(words, "f")) {
            if (words.size() < 4) trouble->shortFaces.add(number);
        } else if (Statement(words, "usemtl") && words.size() > 1) {
            const size_t stop = StatementEnd(text, start, end);
            const std::string name = ObjName(text, start + 6, stop);
            if (uses.emplace(name, number).second) trouble->materialUses.emplace_back(name, number);
        }
    });
}

std::string ObjName(const std::string& text, size_t start, size_t end) {
    const size_t first = text.find_first_not_of(" \t\r", start);
    if (first == std::string::npos || first >= end) return "";
    size_t last = text.find_last_not_of(" \t\r", end - 1);
    return text.substr(first, last + 1 - first);
}

std::string MaterialKey(const std::string& name) {
    std::string key = ObjName(name, 0, name.size());
    for (char& ch : key)
        if (ch == ' ' || ch == '\t') ch = kNameBlank;
    return key;
}

void RewriteObjStatements(std::string* text,
                          const std::function<bool(const std::string&)>& libraryExists,
                          TextTrouble* badFaces) {
    std::string out;
    size_t copied = 0;  // text before this is in out
    auto replace = [&](size_t start, size_t end, const std::string& with) {
        out.append(*text, copied, start - copied);
        out += with;
        copied = end;
    };
    ForEachLine(*text, [&](size_t number, size_t start, size_t end) {
        end = StatementEnd(*text, start, end);
        size_t rest = 0;
        if (StartsStatement(*text, start, end, "f", &rest)) {
            if (FaceCornersReadable(*text, rest, end)) return;
            badFaces->add(number);
            replace(start, start + 1, "#");
        } else if (StartsStatement(*text, start, end, "usemtl", &rest)) {
            const std::string key = MaterialKey(ObjName(*text, rest, end));
            if (key.find(kNameBlank) != std::string::npos) replace(rest, end, " " + key);
        } else if (StartsStatement(*text, start, end, "mtllib", &rest)) {
            const std::string name = ObjName(*text, rest, end);
            if (name.find_first_of(" \t\\") == std::string::npos || !libraryExists(name)) return;
            std::string escaped = " ";
            for (const char ch : name) {
                if (ch == ' ' || ch == '\t' || ch == '\\') escaped += '\\';
                escaped += ch;
            }
            replace(rest, end, escaped);
        }
    });
    if (copied == 0) return;
    out.append(*text, copied, std::string::npos);
    text->swap(out);
}

size_t DropSkinWeights(std::string* text) {
    std::string& t = *text;
    size_t dropped = 0;
    bool lineStart = true;
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i] == '\n' || t[i] == '\r') {
            lineStart = true;
        } else if (lineStart && t[i] != ' ' && t[i] != '\t') {
            lineStart = false;
            if (t[i] == 'v' && i + 2 < t.size() && t[i + 1] == 'w' &&
                (t[i + 2] == ' ' || t[i + 2] == '\t')) {
                t[i] = '#';
                ++dropped;
            }
        }
    }
    return dropped;
}

TextTrouble RepairMtlNumbers(std::string* text) {
    TextTrouble trouble;
    std::string out;
    std::vector<std::string> words;
    size_t copied = 0;  // text before this is in out
    ForEachLine(*text, [&](size_t number, size_t start, size_t end) {
        if (end - start < 2) return;
        Words(*text, start, end, &words);
        if (words.empty()) return;
        const std::string& s = words[0];
        const bool color = s == "Kd" || s == "Ka" || s == "Ks" || s == "Ke" || s == "Tf";
        const bool alpha = s == "d" || s == "Tr";
        if (!color && !alpha) return;
        // Values only: "Tf spectral ...", "Tf xyz ..." and "d -halo 0.5" are left as they are.
        if (words.size() > 1 &&
            (words[1] == "spectral" || words[1] == "xyz" || words[1] == "-halo"))
            return;
        bool changed = false;
        for (size_t k = 1; k < words.size() && k <= (color ? 3u : 1u); ++k) {
            double value;
            std::string fixed;
            if (!FiniteNumber(words[k], &value)) {
                // A huge number stands at its end of the range; anything else has no value.
                char* stop = nullptr;
                const double v = strtod(words[k].c_str(), &stop);
                const bool number = stop != words[k].c_str() && *stop == '\0' && !isnan(v);
                fixed = number ? (v > 0 ? "1" : "0") : (s == "d" ? "1" : "0");
            } else if (value < 0.0 || value > 1.0) {
                fixed = value < 0.0 ? "0" : "1";
            } else {
                continue;
            }
            words[k] = fixed;
            changed = true;
        }
        if (!changed) return;
        trouble.add(number);
        out.append(*text, copied, start - copied);
        for (size_t k = 0; k < words.size(); ++k) out += (k ? " " : "") + words[k];
        copied = end;
    });
    if (trouble.count) {
        out.append(*text, copied, std::string::npos);
        text->swap(out);
    }
    return trouble;
}

bool Utf16ToUtf8(std::string* bytes) {
    const std::string& b = *bytes;
    const bool littleMark =
        b.size() >= 2 && static_cast<uint8_t>(b[0]) == 0xFF && static_cast<uint8_t>(b[1]) == 0xFE;
    const bool bigMark =
        b.size() >= 2 && static_cast<uint8_t>(b[0]) == 0xFE && static_cast<uint8_t>(b[1]) == 0xFF;
    bool little = littleMark, big = bigMark;
    if (!little && !big && b.size() >= 4) {
        // Without a mark: ASCII text in UTF-16 has a zero byte beside every character.
        size_t n = std::min<size_t>(b.size() & ~static_cast<size_t>(1), 64), zeroOdd = 0,
               zeroEven = 0;
        for (size_t i = 0; i < n; ++i) (i & 1 ? zeroOdd : zeroEven) += b[i] == '\0';
        little = zeroOdd == n / 2 && zeroEven == 0;
        big = zeroEven == n / 2 && zeroOdd == 0;
    }
    if (!little && !big) return false;
    const size_t from = littleMark || bigMark ? 2 : 0;
    std::wstring wide((b.size() - from) / 2, L'\0');
    for (size_t i = 0; i < wide.size(); ++i) {
        const uint8_t lo = static_cast<uint8_t>(b[from + 2 * i + (big ? 1 : 0)]);
        const uint8_t hi = static_cast<uint8_t>(b[from + 2 * i + (big ? 0 : 1)]);
        wide[i] = static_cast<wchar_t>(lo | (hi << 8));
    }
    // A megabyte of characters at a time, so that no length overflows the conversion's int; a
    // piece never ends between the two halves of a surrogate pair.
    std::string utf8;
    for (size_t at = 0; at < wide.size();) {
        size_t n = std::min<size_t>(wide.size() - at, 1 << 20);
        if (at + n < wide.size() && wide[at + n - 1] >= 0xD800 && wide[at + n - 1] < 0xDC00) --n;
        const int need = WideCharToMultiByte(CP_UTF8, 0, wide.data() + at, static_cast<int>(n),
                                             nullptr, 0, nullptr, nullptr);
        const size_t old = utf8.size();
        utf8.resize(old + (need > 0 ? static_cast<size_t>(need) : 0));
        if (need > 0)
            WideCharToMultiByte(CP_UTF8, 0, wide.data() + at, static_cast<int>(n), &utf8[old], need,
                                nullptr, nullptr);
        at += n;
    }
    bytes->swap(utf8);
    return true;
}

std::string TroubleWarning(const std::string& path, const TextTrouble& trouble,
                           const std::string& what) {
    if (!trouble.count) return "";
    return path + ": line " + std::to_string(trouble.firstLine) + ": " + what +
           (trouble.count > 1 ? " (" + std::to_string(trouble.count) + " lines)" : "");
}

}  // namespace detail
}  // namespace wb
