#include "cmdline/CmdLineArgString.h"

#include <strings.h>

CCmdLineArgString::CCmdLineArgString(const char* name, const char* description, const char* defaultValue,
                                     int32_t flags)
    : CCmdLineArg(name, description, flags), defaultValue_(defaultValue) {}

void CCmdLineArgString::AddChoice(const char* choice) { choices.emplace_back(choice); }

const char* CCmdLineArgString::GetValueHint() const { return "<string>"; }

const char* CCmdLineArgString::GetChoicesText() {
    if (choices.empty()) return "";
    choicesText.Assign("{");
    for (size_t i = 0; i < choices.size(); ++i) {
        if (i != 0) choicesText.Append("|");
        choicesText.Append(choices[i].Text());
    }
    choicesText.Append("}");
    return choicesText.Text();
}

bool CCmdLineArgString::IsValidValue(const char* text) const {
    if (choices.empty()) return true;
    for (const CStr& choice : choices) {
        if (strcasecmp(choice.Text(), text) == 0) return true;
    }
    return false;
}

bool CCmdLineArgString::SetValue(const char* text) {
    CCmdLineArg::SetValue(text);
    value.Assign(text);
    return true;
}
