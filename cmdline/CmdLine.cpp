#include "cmdline/CmdLine.h"

#include <cstring>
#include <strings.h>

namespace {

// Length of an argument's entry in the argument list: "-" and name, or the bare name.
size_t EntryLength(const CCmdLineArg& arg) {
    return std::strlen(arg.GetName()) + (arg.IsNamed() ? 1 : 0);
}

}  // namespace

CCmdLine::CCmdLine()
    : count(0),
      elements(nullptr),
      missingArg(nullptr),
      exclusiveFirst(nullptr),
      exclusiveSecond(nullptr),
      dependencyPrerequisite(nullptr),
      dependencyDependent(nullptr),
      invalidIndex(0) {}

void CCmdLine::AddArg(CCmdLineArg& arg) { args.push_back(&arg); }

void CCmdLine::AddExample(const char* example) { examples.emplace_back(example); }

void CCmdLine::AddExclusiveGroup(std::initializer_list<CCmdLineArg*> members) {
    exclusiveGroups.emplace_back(members);
}

void CCmdLine::AddDependency(CCmdLineArg& prerequisite, CCmdLineArg& dependent) {
    for (Dependency& entry : dependencies) {
        if (entry.prerequisite == &prerequisite) {
            entry.dependents.push_back(&dependent);
            return;
        }
    }
    dependencies.push_back(Dependency{&prerequisite, {&dependent}});
}

bool CCmdLine::Parse(int elementCount, const char* const* elementArray) {
    if (elements != nullptr) return invalidIndex == 0;
    count = elementCount > 0 ? static_cast<uint32_t>(elementCount - 1) : 0;
    elements = elementArray;
    for (uint32_t i = 1; i <= count; ++i) {
        const char* element = elements[i];
        const bool accepted = (element[0] == '-' || element[0] == '/')
                                  ? ParseNamed(element)
                                  : ParsePositional(element);
        if (!accepted) {
            invalidIndex = i;
            return false;
        }
    }
    return CheckExclusive() && CheckDependencies() && CheckRequired();
}

bool CCmdLine::ParseNamed(const char* element) {
    const char* rest = element + 1;
    for (CCmdLineArg* arg : args) {
        if (arg->IsPositional() || arg->IsGiven()) continue;
        const size_t nameLength = std::strlen(arg->GetName());
        if (strncasecmp(arg->GetName(), rest, nameLength) != 0) continue;
        const char* value = rest + nameLength;
        if (value[0] == '=' || value[0] == ':') ++value;
        return arg->SetValue(value);
    }
    return false;
}

bool CCmdLine::ParsePositional(const char* element) {
    for (CCmdLineArg* arg : args) {
        if (!arg->IsPositional() || arg->IsGiven()) continue;
        // A rejected element is not offered to a later positional argument.
        return arg->IsValidValue(element) && arg->SetValue(element);
    }
    return false;
}

bool CCmdLine::CheckExclusive() {
    for (const std::vector<CCmdLineArg*>& group : exclusiveGroups) {
        CCmdLineArg* first = nullptr;
        for (CCmdLineArg* member : group) {
            if (!member->IsGiven()) continue;
            if (first == nullptr) {
                first = member;
            } else if (member != first) {
                exclusiveFirst = first;
                exclusiveSecond = member;
                return false;
            }
        }
    }
    return true;
}

bool CCmdLine::CheckDependencies() {
    for (const Dependency& entry : dependencies) {
        if (entry.prerequisite->IsGiven()) continue;
        for (CCmdLineArg* dependent : entry.dependents) {
            if (!dependent->IsGiven()) continue;
            dependencyPrerequisite = entry.prerequisite;
            dependencyDependent = dependent;
            return false;
        }
    }
    return true;
}

bool CCmdLine::CheckRequired() {
    for (CCmdLineArg* arg : args) {
        if (arg->IsRequired() && !arg->IsGiven()) {
            missingArg = arg;
            return false;
        }
    }
    return true;
}

const char* CCmdLine::GetErrorText() {
    errorText.Assign("");
    if (invalidIndex != 0) {
        errorText.Assign("Invalid argument: ").Append(ShowRejected(GetArgText(invalidIndex)).Text()).Append("\n\n");
    } else if (exclusiveFirst != nullptr) {
        errorText.Assign("Exclusive arguments: ")
            .Append(exclusiveFirst->GetName())
            .Append(" and ")
            .Append(exclusiveSecond->GetName())
            .Append("\n\n");
    } else if (dependencyPrerequisite != nullptr) {
        errorText.Assign(dependencyDependent->GetName())
            .Append(" is invalid without ")
            .Append(dependencyPrerequisite->GetName())
            .Append("\n\n");
    } else if (missingArg != nullptr) {
        errorText.Assign("Missing required argument: ").Append(missingArg->GetName()).Append("\n\n");
    }
    return errorText.Text();
}

CStr CCmdLine::ShowRejected(const char* element) const { return CStr(element); }

const char* CCmdLine::GetArgText(uint32_t index) const {
    if (elements == nullptr || index > count) return nullptr;
    return elements[index];
}

const char* CCmdLine::GetUsage(bool details) {
    usageText.SetText("");
    AppendSynopsis();
    if (details) {
        AppendExamples();
        AppendArgList();
    }
    return usageText.Text();
}

void CCmdLine::AppendSynopsis() {
    for (CCmdLineArg* arg : args) {
        if (!arg->IsRequired()) usageText.AppendChar('[');
        if (arg->IsNamed()) {
            usageText.AppendChar('-').AppendText(arg->GetName());
            if (arg->GetValueHint()[0] != '\0') {
                usageText.AppendChar('=').AppendText(arg->GetValueHint());
            }
        } else {
            usageText.AppendChar('<').AppendText(arg->GetName()).AppendChar('>');
        }
        usageText.AppendText(arg->GetChoicesText());
        if (!arg->IsRequired()) usageText.AppendChar(']');
        usageText.AppendChar(' ');
    }
    usageText.AppendChar('\n');
}

void CCmdLine::AppendExamples() {
    if (examples.empty()) return;
    usageText.AppendChar('\n');
    for (const CStr& example : examples) {
        usageText.AppendText(example.Text()).AppendChar('\n');
    }
}

// Names, then descriptions aligned two columns past the longest name.
void CCmdLine::AppendArgList() {
    if (args.empty()) return;
    size_t width = 0;
    for (const CCmdLineArg* arg : args) {
        if (EntryLength(*arg) > width) width = EntryLength(*arg);
    }
    const size_t column = width + 2;
    usageText.AppendChar('\n');
    for (CCmdLineArg* arg : args) {
        if (arg->IsNamed()) usageText.AppendChar('-');
        usageText.AppendText(arg->GetName());
        for (size_t pad = EntryLength(*arg); pad < column; ++pad) usageText.AppendChar(' ');
        usageText.AppendText(arg->GetDescription()).AppendChar('\n');
    }
}
