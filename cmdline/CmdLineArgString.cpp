#include "cmdline/CmdLineArgString.h"

#include <strings.h>

CCmdLineArgString::CCmdLineArgString(const char* name, const char* description, const char* defaultValue,
                                     int32_t flags)
    : CCmdLineArg(name, description, flags), defaultValue_(defaultValue) {}

void CCmdLineArgString::AddChoice(const char* choice) { choices_.emplace_back(choice); }

const char* CCmdLineArgString::GetValueHint() const { return "<string>"; }

const char* CCmdLineArgString::GetChoicesText() {
    if (choices_.empty()) return "";
    choicesText_.Assign("{");
    for (size_t i = 0; i < choices_.size(); ++i) {
        if (i != 0) choicesText_.Append("|");
        choicesText_.Append(choices_[i].Text());
    }
    choicesText_.Append("}");
    return choicesText_.Text();
}

bool CCmdLineArgString::IsValidValue(const char* text) const {
    if (choices_.empty()) return true;
    for (const CStr& choice : choices_) {
        if (strcasecmp(choice.Text(), text) == 0) return true;
    }
    return false;
}

bool CCmdLineArgString::SetValue(const char* text) {
    CCmdLineArg::SetValue(text);
    value_.Assign(text);
    return true;
}
