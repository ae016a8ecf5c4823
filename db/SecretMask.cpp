#include "db/SecretMask.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <iterator>

#include "text/TextBuffer.h"

namespace {

using std::string_view;

const char* const CREDENTIAL_WORDS[] = {"PWD", "PASS", "SECRET", "TOKEN", "CREDENTIAL"};
const char KEY_ENDING[] = "KEY";
// A value in a text ends at a quote as well: diagnostics quote what they cite.
const char TEXT_VALUE_STOPS[] = ";'\"\r\n";
const char CONNECTION_VALUE_STOPS[] = ";";

bool IsKeyChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

bool HasWord(string_view key, string_view word) {
    for (size_t i = 0; i + word.size() <= key.size(); ++i) {
        if (strncasecmp(key.data() + i, word.data(), word.size()) == 0) return true;
    }
    return false;
}

bool IsCredentialKey(string_view key) {
    for (const char* word : CREDENTIAL_WORDS) {
        if (HasWord(key, word)) return true;
    }
    const size_t ending = sizeof KEY_ENDING - 1;
    return key.size() >= ending && HasWord(key.substr(key.size() - ending), KEY_ENDING);
}

// The key that starts at `at` when a whole name stands there right before "=", else empty.
string_view KeyAt(string_view text, size_t at) {
    if (at > 0 && IsKeyChar(text[at - 1])) return {};
    size_t end = at;
    while (end < text.size() && IsKeyChar(text[end])) ++end;
    if (end == at || end == text.size() || text[end] != '=') return {};
    return text.substr(at, end - at);
}

// A text with where each brace closes and where the next credential key
// starts, both found in one pass from its end: masking stays linear however
// many braces and keys a hostile element holds.
class CScannedText {
public:
    explicit CScannedText(string_view text)
        : text_(text), closeFrom_(text.size() + 1, text.size()), nextCredential_(text.size() + 1, text.size()) {
        size_t closingRun = 0;
        for (size_t i = text.size(); i-- > 0;) {
            closingRun = text[i] == '}' ? closingRun + 1 : 0;
            // "}}" stands for one brace, so an odd run of closing braces closes.
            closeFrom_[i] = closingRun == 0 ? closeFrom_[i + 1]
                            : closingRun % 2 == 1 ? i + closingRun
                                                  : closeFrom_[i + closingRun];
            nextCredential_[i] = IsCredentialKey(KeyAt(text, i)) ? i : nextCredential_[i + 1];
        }
    }

    // The braces of the value that starts at `at`, blanks before them
    // allowed; empty when it has none. An unclosed brace runs to the end.
    string_view BracedPart(size_t at) const {
        const size_t open = text_.find_first_not_of(" \t", at);
        if (open == string_view::npos || text_[open] != '{') return {};
        return text_.substr(open, closeFrom_[open + 1] - open);
    }

    // Whether the value of `key`, starting at `at`, is a secret.
    bool IsSecretValue(string_view key, size_t at) const {
        if (IsCredentialKey(key)) return true;
        const string_view braced = BracedPart(at);
        if (braced.empty()) return false;
        const size_t open = static_cast<size_t>(braced.data() - text_.data());
        return nextCredential_[open] < open + braced.size();
    }

    size_t ValueEnd(size_t at, const char* stops) const {
        const string_view braced = BracedPart(at);
        const size_t from = braced.empty() ? at : static_cast<size_t>(braced.data() - text_.data()) + braced.size();
        return std::min(text_.find_first_of(stops, from), text_.size());
    }

private:
    string_view text_;
    std::vector<size_t> closeFrom_;       // past the closing brace a scan from i finds
    std::vector<size_t> nextCredential_;  // the first credential key at or after i
};

// A braced value without its braces, "}}" read as one brace.
std::string Unbraced(string_view braced) {
    std::string inner;
    const size_t close = braced.size() > 1 && braced.back() == '}' ? braced.size() - 1 : braced.size();
    for (size_t i = 1; i < close; ++i) {
        inner += braced[i];
        if (braced[i] == '}') ++i;
    }
    return inner;
}

std::string WithoutTrailingBlanks(string_view value) {
    const size_t end = value.find_last_not_of(" \t");
    return std::string(value.substr(0, end == string_view::npos ? 0 : end + 1));
}

}  // namespace

// Keys are looked for inside every other value too: a missing ";" leaves a
// password inside another key's value, and drivers take it from there.
CSecretMask::CSecretMask(const char* connectionString) {
    const CScannedText scanned(connectionString);
    const string_view text(connectionString);
    for (size_t i = 0; i < text.size(); ++i) {
        const string_view key = KeyAt(text, i);
        const size_t value = i + key.size() + 1;
        if (key.empty() || !scanned.IsSecretValue(key, value)) continue;
        const size_t start = text.find_first_not_of(" \t", value);
        const size_t end = scanned.ValueEnd(value, CONNECTION_VALUE_STOPS);
        if (start < end) secrets_.push_back(WithoutTrailingBlanks(text.substr(start, end - start)));
        const string_view braced = scanned.BracedPart(value);
        if (!braced.empty()) secrets_.push_back(Unbraced(braced));
        i = end;
    }
    IndexSecrets();
}

// By first byte, and longest first, so that a secret holding another is hidden whole.
void CSecretMask::IndexSecrets() {
    secrets_.erase(std::remove(secrets_.begin(), secrets_.end(), std::string()), secrets_.end());
    std::sort(secrets_.begin(), secrets_.end(), [](const std::string& a, const std::string& b) {
        return a[0] != b[0] ? a[0] < b[0] : a.size() != b.size() ? a.size() > b.size() : a < b;
    });
    secrets_.erase(std::unique(secrets_.begin(), secrets_.end()), secrets_.end());
    std::fill(std::begin(firstWithByte_), std::end(firstWithByte_), secrets_.size());
    for (size_t i = secrets_.size(); i-- > 0;) firstWithByte_[static_cast<unsigned char>(secrets_[i][0])] = i;
}

// A secret counts only as a whole value, not as a piece of a longer name.
size_t CSecretMask::SecretLengthAt(string_view text, size_t at) const {
    if (at == text.size()) return 0;
    for (size_t s = firstWithByte_[static_cast<unsigned char>(text[at])]; s < secrets_.size(); ++s) {
        const std::string& secret = secrets_[s];
        if (secret[0] != text[at]) break;
        if (text.compare(at, secret.size(), secret) != 0) continue;
        const size_t end = at + secret.size();
        const bool joinsBefore = at > 0 && IsKeyChar(text[at - 1]) && IsKeyChar(secret.front());
        const bool joinsAfter = end < text.size() && IsKeyChar(text[end]) && IsKeyChar(secret.back());
        if (!joinsBefore && !joinsAfter) return secret.size();
    }
    return 0;
}

CStr CSecretMask::Apply(const char* text) const {
    const string_view all(text);
    const CScannedText scanned(all);
    CTextBuffer shown;
    size_t i = 0;
    while (i < all.size()) {
        const size_t secret = SecretLengthAt(all, i);
        const string_view key = KeyAt(all, i);
        const size_t value = i + key.size() + 1;
        if (secret != 0) {
            shown.AppendText("***");
            i += secret;
        } else if (!key.empty() && scanned.IsSecretValue(key, value)) {
            shown.AppendText(text + i, value - i).AppendText("***");
            const size_t start = std::min(all.find_first_not_of(" \t", value), all.size());
            i = std::max(scanned.ValueEnd(value, TEXT_VALUE_STOPS), start + SecretLengthAt(all, start));
        } else {
            const size_t plain = std::max<size_t>(key.size(), 1);
            shown.AppendText(text + i, plain);
            i += plain;
        }
    }
    return CStr(shown.Text());
}
