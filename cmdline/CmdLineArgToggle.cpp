#include "cmdline/CmdLineArgToggle.h"

CCmdLineArgToggle::CCmdLineArgToggle(const char* name, const char* description, bool defaultState,
                                     bool showStates, int32_t flags)
    : CCmdLineArg(name, description, flags),
      defaultState_(defaultState),
      showStates_(showStates),
      state_(false) {}

const char* CCmdLineArgToggle::GetValueHint() const { return ""; }

bool CCmdLineArgToggle::TakesValue() const { return false; }

const char* CCmdLineArgToggle::GetChoicesText() { return showStates_ ? "{+|-}" : ""; }

bool CCmdLineArgToggle::IsValidValue(const char* text) const {
    return text[0] == '\0' || ((text[0] == '+' || text[0] == '-') && text[1] == '\0');
}

bool CCmdLineArgToggle::SetValue(const char* text) {
    CCmdLineArg::SetValue(text);
    switch (text[0]) {
        case '\0':
        case '+':
            state_ = true;
            return true;
        case '-':
            state_ = false;
            return true;
        default:
            return false;
    }
}
