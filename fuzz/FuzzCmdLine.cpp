// Parses arbitrary command lines with the program's option set: elements are
// the input split at NUL bytes. The error text is empty exactly when the parse
// succeeded and otherwise ends with an empty line; the usage never changes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/ExportCmdLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> elements{"quillet"};
    std::string current;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            elements.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    if (size > 0) elements.push_back(current);
    std::vector<const char*> argv;
    for (const std::string& e : elements) argv.push_back(e.c_str());

    CExportCmdLine options;
    const std::string usageBefore = options.GetUsage(true);
    const bool parsed = options.Parse(static_cast<int>(argv.size()), argv.data());
    const std::string error = options.GetErrorText();
    if (parsed != error.empty()) std::abort();
    if (!parsed && error.compare(error.size() - 2, 2, "\n\n") != 0) std::abort();
    if (usageBefore != options.GetUsage(true)) std::abort();
    if (options.GetArgText(static_cast<uint32_t>(argv.size())) != nullptr) std::abort();
    return 0;
}
