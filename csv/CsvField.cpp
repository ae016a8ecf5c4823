#include "csv/CsvField.h"

#include <cstdint>
#include <cstring>
#include <utility>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define QUILLET_AVX2_SCAN 1
#endif

namespace {

bool IsSeparatorChar(char c, const char* separator, size_t separatorLength) {
    return separatorLength != 0 &&
           (c == separator[0] ||
            (separatorLength > 1 && std::memchr(separator + 1, c, separatorLength - 1) != nullptr));
}

bool IsSpecial(char c, const char* separator, size_t separatorLength) {
    return c == '"' || c == '\r' || c == '\n' || IsSeparatorChar(c, separator, separatorLength);
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

// Up to three bytes as one word: the first, the middle and the last byte
// cover them all.
inline uint64_t LoadTinyWord(const char* text, size_t n) {
    return uint64_t{static_cast<unsigned char>(text[0])} | uint64_t{static_cast<unsigned char>(text[n / 2])} << 8 |
           uint64_t{static_cast<unsigned char>(text[n - 1])} << 16;
}

// Up to eight bytes as one word.
inline uint64_t LoadUpToWord(const char* text, size_t n) {
    if (n < sizeof(uint32_t)) return LoadTinyWord(text, n);
    return n < sizeof(uint64_t) ? LoadShortWord(text, n) : LoadWord(text);
}

#ifdef __SSE2__
// All ones in each byte that is a double quote, a CR, an LF or the separator.
inline __m128i SpecialMask(__m128i bytes, __m128i separator) {
    const __m128i quote = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('"'));
    const __m128i cr = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r'));
    const __m128i lf = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n'));
    const __m128i other = _mm_cmpeq_epi8(bytes, separator);
    return _mm_or_si128(_mm_or_si128(quote, cr), _mm_or_si128(lf, other));
}

inline bool HasSpecialBytes(__m128i mask) { return _mm_movemask_epi8(mask) != 0; }

inline __m128i LoadBlock(const char* text) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(text)); }

#ifdef QUILLET_AVX2_SCAN
// All ones in each of 32 bytes that is a double quote, a CR, an LF or the separator.
__attribute__((target("avx2"))) inline __m256i WideSpecialMask(const char* text, __m256i separator) {
    const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text));
    const __m256i quote = _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('"'));
    const __m256i cr = _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('\r'));
    const __m256i lf = _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('\n'));
    const __m256i other = _mm256_cmpeq_epi8(bytes, separator);
    return _mm256_or_si256(_mm256_or_si256(quote, cr), _mm256_or_si256(lf, other));
}

// Thirty-two bytes at a time where the processor can, the last block
// overlapping the one before it. REQUIRES: n >= 32.
__attribute__((target("avx2"))) bool HasSpecialByteInWide(const char* text, size_t n, char separator) {
    const __m256i wanted = _mm256_set1_epi8(separator);
    __m256i found = WideSpecialMask(text + n - 32, wanted);
    for (size_t i = 0; i + 32 < n; i += 32) found = _mm256_or_si256(found, WideSpecialMask(text + i, wanted));
    return _mm256_movemask_epi8(found) != 0;
}

// Set up before main; a check made earlier by another static object's
// constructor finds it false and takes the narrower path.
const bool HAS_AVX2 = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
#endif

// Sixteen bytes at a time, the last block overlapping the one before it; a
// shorter text is one block of two words, overlapping or repeated.
bool HasSpecialByteIn(const char* text, size_t n, char separator) {
#ifdef QUILLET_AVX2_SCAN
    if (n >= 32 && HAS_AVX2) return HasSpecialByteInWide(text, n, separator);
#endif
    const __m128i wanted = _mm_set1_epi8(separator);
    if (n < 2 * sizeof(uint64_t)) {
        const uint64_t low = LoadUpToWord(text, n);
        const uint64_t high = n < sizeof(uint64_t) ? low : LoadWord(text + n - sizeof(uint64_t));
        return HasSpecialBytes(
            SpecialMask(_mm_set_epi64x(static_cast<long long>(high), static_cast<long long>(low)), wanted));
    }
    // A whole row's values are looked at in one call and seldom need quotes,
    // so the blocks' marks are gathered and tested once.
    __m128i found = SpecialMask(LoadBlock(text + n - 16), wanted);
    for (size_t i = 0; i + 16 < n; i += 16) found = _mm_or_si128(found, SpecialMask(LoadBlock(text + i), wanted));
    return HasSpecialBytes(found);
}
#else
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

// Eight bytes at a time, the last word overlapping the one before it.
bool HasSpecialByteIn(const char* text, size_t n, char separator) {
    if (n <= sizeof(uint64_t)) return HasSpecialByte(LoadUpToWord(text, n), separator) != 0;
    for (size_t i = 0; i + sizeof(uint64_t) < n; i += sizeof(uint64_t)) {
        if (HasSpecialByte(LoadWord(text + i), separator) != 0) return true;
    }
    return HasSpecialByte(LoadWord(text + n - sizeof(uint64_t)), separator) != 0;
}
#endif

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

// Every value of the export passes through here, so with a one-character
// separator (the usual case) the bytes are looked at many at a time.
bool NeedsQuotes(const char* text, size_t n, const char* separator, size_t separatorLength) {
    if (n == 0) return false;
    if (separatorLength == 1) return HasSpecialByteIn(text, n, separator[0]);
    for (size_t i = 0; i < n; ++i) {
        if (IsSpecial(text[i], separator, separatorLength)) return true;
    }
    return false;
}

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
