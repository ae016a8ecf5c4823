#include "csv/CsvField.h"

#include <cstdint>
#include <cstring>
#include <utility>

namespace {

bool IsSeparatorChar(char c, const char* separator, size_t separatorLength) {
    return separatorLength != 0 &&
           (c == separator[0] ||
            (separatorLength > 1 && std::memchr(separator + 1, c, separatorLength - 1) != nullptr));
}

bool IsSpecial(char c, const char* separator, size_t separatorLength) {
    return c == '"' || c == '\r' || c == '\n' || IsSeparatorChar(c, separator, separatorLength);
}

constexpr uint64_t ONES = 0x0101010101010101ULL;
constexpr uint64_t HIGHS = 0x8080808080808080ULL;

// Non-zero when some byte of the word equals c.
inline uint64_t HasByte(uint64_t word, char c) {
    const uint64_t x = word ^ (ONES * static_cast<unsigned char>(c));
    return (x - ONES) & ~x & HIGHS;
}

inline uint64_t HasSpecialByte(uint64_t word, char separator) {
    return HasByte(word, '"') | HasByte(word, '\r') | HasByte(word, '\n') | HasByte(word, separator);
}

inline uint64_t LoadWord(const char* text) {
    uint64_t word;
    std::memcpy(&word, text, sizeof word);
    return word;
}

// Four to eight bytes as one word, the two halves overlapping when n < 8.
inline uint64_t LoadShortWord(const char* text, size_t n) {
    uint32_t low;
    uint32_t high;
    std::memcpy(&low, text, sizeof low);
    std::memcpy(&high, text + n - sizeof high, sizeof high);
    return low | (uint64_t{high} << 32);
}

// Every value of the export passes through here, so with a one-character
// separator (the usual case) the bytes are looked at eight at a time, the
// last word overlapping the one before it.
bool NeedsQuotes(const char* text, size_t n, const char* separator, size_t separatorLength) {
    if (separatorLength != 1 || n < sizeof(uint32_t)) {
        for (size_t i = 0; i < n; ++i) {
            if (IsSpecial(text[i], separator, separatorLength)) return true;
        }
        return false;
    }
    const char c = separator[0];
    if (n < sizeof(uint64_t)) return HasSpecialByte(LoadShortWord(text, n), c) != 0;
    for (size_t i = 0; i + sizeof(uint64_t) < n; i += sizeof(uint64_t)) {
        if (HasSpecialByte(LoadWord(text + i), c) != 0) return true;
    }
    return HasSpecialByte(LoadWord(text + n - sizeof(uint64_t)), c) != 0;
}

// Values are mostly short: up to sixteen bytes move in two overlapping words
// rather than through a call of memcpy.
inline char* PutBytes(char* out, const char* text, size_t n) {
    if (n >= sizeof(uint64_t) && n <= 2 * sizeof(uint64_t)) {
        const uint64_t head = LoadWord(text);
        const uint64_t tail = LoadWord(text + n - sizeof(uint64_t));
        std::memcpy(out, &head, sizeof head);
        std::memcpy(out + n - sizeof(uint64_t), &tail, sizeof tail);
    } else {
        std::memcpy(out, text, n);
    }
    return out + n;
}

// Every double quote is written twice.
char* PutQuoted(char* out, const char* text, size_t n) {
    *out++ = '"';
    const char* end = text + n;
    while (text < end) {
        const char* quote = static_cast<const char*>(std::memchr(text, '"', static_cast<size_t>(end - text)));
        const char* stop = quote == nullptr ? end : quote + 1;
        out = PutBytes(out, text, static_cast<size_t>(stop - text));
        if (quote == nullptr) break;
        *out++ = '"';
        text = stop;
    }
    *out++ = '"';
    return out;
}

}  // namespace

bool IsLineBreakOrEnd(char c) { return c == '\0' || c == '\n' || c == '\r'; }


char* PutEscapedField(char* out, const char* text, size_t n, const char* separator, size_t separatorLength) {
    return NeedsQuotes(text, n, separator, separatorLength) ? PutQuoted(out, text, n) : PutBytes(out, text, n);
}

void AppendEscapedField(CTextBuffer& out, const char* text, size_t n, const char* separator) {
    char* start = out.AppendRoom(EscapedFieldBound(n));
    out.Extend(static_cast<size_t>(PutEscapedField(start, text, n, separator, std::strlen(separator)) - start));
}

void EscapeField(CStr& text, const char* separator) {
    const size_t n = text.Length();
    if (!NeedsQuotes(text.Text(), n, separator, std::strlen(separator))) return;
    CTextBuffer quoted;
    AppendEscapedField(quoted, text.Text(), n, separator);
    text.Assign(quoted.Text());
}

void UnescapeField(CStr& text) {
    const char* source = text.Text();
    size_t end = text.Length();
    if (std::memchr(source, '"', end) == nullptr) return;
    size_t begin = source[0] == '"' ? 1 : 0;
    if (end > begin && source[end - 1] == '"') --end;

    CStr result;
    char* out = result.Reserve(end - begin);
    size_t written = 0;
    for (size_t i = begin; i < end; ++i) {
        out[written++] = source[i];
        if (source[i] == '"' && i + 1 < end && source[i + 1] == '"') ++i;
    }
    out[written] = '\0';
    text = std::move(result);
}

void SplitField(const char*& cursor, CStr& result, const char* separator) {
    const size_t separatorLength = std::strlen(separator);
    const char* position = cursor;
    bool insideQuotes = false;
    bool atSeparator = false;
    while (!IsLineBreakOrEnd(*position)) {
        if (!insideQuotes && separatorLength != 0 &&
            std::strncmp(position, separator, separatorLength) == 0) {
            atSeparator = true;
            break;
        }
        if (*position == '"') insideQuotes = !insideQuotes;
        ++position;
    }
    result.AssignPrefix(cursor, static_cast<size_t>(position - cursor));
    if (atSeparator) {
        cursor = position + separatorLength;
    } else {
        cursor = *position == '\0' ? position : position + 1;
    }
}
