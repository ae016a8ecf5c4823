// Substitutes parameter values into a statement. Input: the identifier, a
// LF, the statement, a NUL, then the parameter input. Without an error the
// statement holds every value in order and the text between the markers.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/ParameterSource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t lf = input.find('\n');
    const size_t nul = input.find('\0', lf == std::string::npos ? 0 : lf);
    if (lf == std::string::npos || nul == std::string::npos) return 0;
    const std::string identifier = input.substr(0, lf);
    const std::string statement = input.substr(lf + 1, nul - lf - 1);
    if (identifier.find('\0') != std::string::npos) return 0;
    const std::string params = input.substr(nul + 1);

    FILE* stream = std::tmpfile();
    if (stream == nullptr) return 0;
    std::fwrite(params.data(), 1, params.size(), stream);
    std::rewind(stream);
    CStr text(statement.c_str());
    unsigned failed = 0;
    CParameterSource::EResult result;
    {
        CParameterSource source(stream, false);
        result = SubstituteParameters(text, identifier.c_str(), source, failed);
    }
    std::fclose(stream);
    const bool hasMarker = !identifier.empty() && statement.find(identifier) != std::string::npos;
    if (result != CParameterSource::VALUE && (!hasMarker || failed == 0)) std::abort();
    if ((result != CParameterSource::VALUE || !hasMarker) && statement != text.Text()) std::abort();
    return 0;
}
