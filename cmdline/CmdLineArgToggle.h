#ifndef QUILLET_CMDLINE_CMDLINEARGTOGGLE_H
#define QUILLET_CMDLINE_CMDLINEARGTOGGLE_H

#include "cmdline/CmdLineArg.h"

// An on/off switch: given alone or with "+" it is on, with "-" it is off.
class CCmdLineArgToggle : public CCmdLineArg {
public:
    // showStates only adds "{+|-}" to the synopsis; "+" and "-" parse either way.
    CCmdLineArgToggle(const char* name, const char* description, bool defaultState,
                      bool showStates, int32_t flags);

    const char* GetValueHint() const override;
    bool TakesValue() const override;
    const char* GetChoicesText() override;
    // Exactly the empty text, "+" or "-".
    bool IsValidValue(const char* text) const override;
    // Looks at the first character only, so "+x" counts as "+".
    bool SetValue(const char* text) override;

    bool GetState() const { return IsGiven() ? state_ : defaultState_; }

private:
    bool defaultState_;
    bool showStates_;
    bool state_;
};

#endif
