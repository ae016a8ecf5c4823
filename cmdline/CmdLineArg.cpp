#include "cmdline/CmdLineArg.h"

CCmdLineArg::CCmdLineArg(const char* nameText, const char* descriptionText, int32_t flagsWord)
    : name(nameText), description(descriptionText), flags(flagsWord), given(false) {}

CCmdLineArg::~CCmdLineArg() = default;

bool CCmdLineArg::TakesValue() const { return true; }

bool CCmdLineArg::SetValue(const char*) {
    given = true;
    return true;
}
