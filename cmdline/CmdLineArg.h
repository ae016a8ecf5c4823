#ifndef QUILLET_CMDLINE_CMDLINEARG_H
#define QUILLET_CMDLINE_CMDLINEARG_H

#include <cstdint>

#include "text/Str.h"

// Bits of an argument's flags word; all other bits are ignored.
constexpr int32_t ARG_POSITIONAL = 2;  // taken by position, written without a prefix
constexpr int32_t ARG_REQUIRED = 4;    // the parse fails when it is not given

// One argument a program accepts: its name, help line, flags and whether the
// command line gave it. Not copyable: an argument set refers to it by identity.
class CCmdLineArg {
public:
    CCmdLineArg(const char* name, const char* description, int32_t flags);
    CCmdLineArg(const CCmdLineArg&) = delete;
    CCmdLineArg& operator=(const CCmdLineArg&) = delete;
    virtual ~CCmdLineArg();

    // Placeholder shown after "=" in the synopsis; empty for none.
    virtual const char* GetValueHint() const = 0;
    virtual bool TakesValue() const;
    // Shown after the name or placeholder in the synopsis; empty for none.
    // The text stays valid until the next call or the argument's end.
    virtual const char* GetChoicesText() = 0;
    virtual bool IsValidValue(const char* text) const = 0;
    // Marks the argument given, even when a derived class then rejects the text.
    virtual bool SetValue(const char* text);

    const char* GetName() const { return name_.Text(); }
    const char* GetDescription() const { return description_.Text(); }
    bool IsRequired() const { return (flags_ & ARG_REQUIRED) != 0; }
    bool IsPositional() const { return (flags_ & ARG_POSITIONAL) != 0; }
    bool IsNamed() const { return !IsPositional(); }
    bool IsGiven() const { return given_; }

private:
    CStr name_;
    CStr description_;
    int32_t flags_;
    bool given_;
};

#endif
