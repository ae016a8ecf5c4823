#include "cmdline/CmdLineArg.h"

CCmdLineArg::CCmdLineArg(const char* name, const char* description, int32_t flags)
    : name_(name), description_(description), flags_(flags), given_(false) {}

CCmdLineArg::~CCmdLineArg() = default;

bool CCmdLineArg::TakesValue() const { return true; }

bool CCmdLineArg::SetValue(const char*) {
    given_ = true;
    return true;
}
