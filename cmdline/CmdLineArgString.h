#ifndef QUILLET_CMDLINE_CMDLINEARGSTRING_H
#define QUILLET_CMDLINE_CMDLINEARGSTRING_H

#include <vector>

#include "cmdline/CmdLineArg.h"
#include "text/Str.h"

// A text value, optionally limited to a list of allowed values.
class CCmdLineArgString : public CCmdLineArg {
public:
    CCmdLineArgString(const char* name, const char* description, const char* defaultValue,
                      int32_t flags);

    // Allowed values are kept, shown and compared in the order added;
    // with none, any text is allowed.
    void AddChoice(const char* choice);

    const char* GetValueHint() const override;
    // "{a|b}" for the allowed values a and b, the empty text without any.
    const char* GetChoicesText() override;
    // Whole text against each allowed value, ignoring ASCII letter case.
    bool IsValidValue(const char* text) const override;
    // Stores any text; the allowed values are the parser's business.
    bool SetValue(const char* text) override;

    // The given value, even when empty; the default while not given.
    const char* GetValue() const { return IsGiven() ? value_.Text() : defaultValue_.Text(); }

private:
    CStr defaultValue_;
    CStr value_;
    std::vector<CStr> choices_;
    CStr choicesText_;
};

#endif
