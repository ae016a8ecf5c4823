#include "cmdline/CmdLineArgToggle.h"

CCmdLineArgToggle::CCmdLineArgToggle(const char* nameText, const char* descriptionText,
                                     bool defaultOn, bool showPlusMinus, int32_t flagsWord)
    : CCmdLineArg(nameText, descriptionText, flagsWord),
      defaultState(defaultOn),
      showStates(showPlusMinus),
      state(false) {}

const char* CCmdLineArgToggle::GetValueHint() const { return ""; }

bool CCmdLineArgToggle::TakesValue() const { return false; }

const char* CCmdLineArgToggle::GetChoicesText() { return showStates ? "{+|-}" : ""; }

bool CCmdLineArgToggle::IsValidValue(const char* text) const {
    return text[0] == '\0' || ((text[0] == '+' || text[0] == '-') && text[1] == '\0');
}

bool CCmdLineArgToggle::SetValue(const char* text) {
    CCmdLineArg::SetValue(text);
    switch (text[0]) {
        case '\0':
        case '+':
            state = true;
            return true;
        case '-':
            state = false;
            return true;
        default:
            return false;
    }
}
