#ifndef QUILLET_CMDLINE_CMDLINE_H
#define QUILLET_CMDLINE_CMDLINE_H

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "cmdline/CmdLineArg.h"
#include "text/Str.h"
#include "text/TextBuffer.h"

// A program's set of arguments: parses one command line, checks it and
// describes the first failure and the usage. A program derives its option
// set from this class and registers its argument members in the constructor.
// The set refers to the arguments without owning them, so it is not copyable.
class CCmdLine {
public:
    CCmdLine();
    CCmdLine(const CCmdLine&) = delete;
    CCmdLine& operator=(const CCmdLine&) = delete;
    virtual ~CCmdLine() = default;

    // Registration order is the order of the usage text, of the search for
    // a matching name and of the positional elements. No check for repeats.
    void AddArg(CCmdLineArg& arg);
    void AddExample(const char* example);
    // At most one member of the group may be given.
    void AddExclusiveGroup(std::initializer_list<CCmdLineArg*> members);
    // dependent may be given only when prerequisite is given too.
    void AddDependency(CCmdLineArg& prerequisite, CCmdLineArg& dependent);

    // Element 0 is the program name. The array must outlive every later
    // GetErrorText call. A set parses once: a second call only answers
    // whether the first one accepted every element.
    bool Parse(int elementCount, const char* const* elementArray);
    // The first failure's message ending in "\n\n", or the empty text.
    const char* GetErrorText();
    // The synopsis line; with details also the examples and the argument list.
    const char* GetUsage(bool details);
    // Null past the last element or before Parse.
    const char* GetArgText(uint32_t index) const;

protected:
    // How the error text shows a rejected element: as typed, unless a
    // program whose elements may hold secrets hides them here.
    virtual CStr ShowRejected(const char* element) const;

private:
    struct Dependency {
        CCmdLineArg* prerequisite;
        std::vector<CCmdLineArg*> dependents;
    };

    bool ParseNamed(const char* element);
    bool ParsePositional(const char* element);
    bool CheckExclusive();
    bool CheckDependencies();
    bool CheckRequired();
    void AppendSynopsis();
    void AppendExamples();
    void AppendArgList();

    std::vector<CCmdLineArg*> args_;
    std::vector<CStr> examples_;
    std::vector<std::vector<CCmdLineArg*>> exclusiveGroups_;
    // In the order the prerequisites were first declared.
    std::vector<Dependency> dependencies_;
    CTextBuffer usageText_;
    CStr errorText_;
    uint32_t count_;
    const char* const* elements_;
    CCmdLineArg* missingArg_;
    CCmdLineArg* exclusiveFirst_;
    CCmdLineArg* exclusiveSecond_;
    CCmdLineArg* dependencyPrerequisite_;
    CCmdLineArg* dependencyDependent_;
    uint32_t invalidIndex_;
};

#endif
