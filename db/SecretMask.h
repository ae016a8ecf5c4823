#ifndef QUILLET_DB_SECRETMASK_H
#define QUILLET_DB_SECRETMASK_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "text/Str.h"

// Hides the secrets of a connection string in a text that may quote it (a
// rejected command-line element, the diagnostics of the driver manager or a
// driver), each hidden value written as "***":
// - the value after a credential key found anywhere in the text: a name of
//   letters, digits and "_" right before "=" that holds PWD, PASS, SECRET,
//   TOKEN or CREDENTIAL or ends in KEY, in any letter case. The value runs to
//   the next ";", quote or line end; a value in braces, blanks before the
//   brace allowed, runs to its closing brace first ("}}" is one brace);
// - the whole braced value of any key when the braces hold a credential key;
// - a secret of the connection string standing as a value of its own (not
//   inside a longer name), as written or without its braces, so a password
//   that a driver quotes back is hidden too.
// Copyable: it holds only the secrets' texts.
class CSecretMask {
public:
    explicit CSecretMask(const char* connectionString);

    CStr Apply(const char* text) const;

private:
    void IndexSecrets();
    size_t SecretLengthAt(std::string_view text, size_t at) const;

    std::vector<std::string> secrets_;
    // Where the secrets that start with a byte begin in secrets_; past the end when none does.
    size_t firstWithByte_[256];
};

#endif
