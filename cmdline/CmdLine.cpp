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
    : count_(0),
      elements_(nullptr),
      missingArg_(nullptr),
      exclusiveFirst_(nullptr),
      exclusiveSecond_(nullptr),
      dependencyPrerequisite_(nullptr),
      dependencyDependent_(nullptr),
      invalidIndex_(0) {}

void CCmdLine::AddArg(CCmdLineArg& arg) { args_.push_back(&arg); }

void CCmdLine::AddExample(const char* example) { examples_.emplace_back(example); }

void CCmdLine::AddExclusiveGroup(std::initializer_list<CCmdLineArg*> members) {
    exclusiveGroups_.emplace_back(members);
}

void CCmdLine::AddDependency(CCmdLineArg& prerequisite, CCmdLineArg& dependent) {
    for (Dependency& entry : dependencies_) {
        if (entry.prerequisite == &prerequisite) {
            entry.dependents.push_back(&dependent);
            return;
        }
    }
    dependencies_.push_back(Dependency{&prerequisite, {&dependent}});
}

bool CCmdLine::Parse(int elementCount, const char* const* elementArray) {
    if (elements_ != nullptr) return invalidIndex_ == 0;
    count_ = elementCount > 0 ? static_cast<uint32_t>(elementCount - 1) : 0;
    elements_ = elementArray;
    for (uint32_t i = 1; i <= count_; ++i) {
        const char* element = elements_[i];
        const bool accepted = (element[0] == '-' || element[0] == '/')
                                  ? ParseNamed(element)
                                  : ParsePositional(element);
        if (!accepted) {
            invalidIndex_ = i;
            return false;
        }
    }
    return CheckExclusive() && CheckDependencies() && CheckRequired();
}

bool CCmdLine::ParseNamed(const char* element) {
    const char* rest = element + 1;
    for (CCmdLineArg* arg : args_) {
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
    for (CCmdLineArg* arg : args_) {
        if (!arg->IsPositional() || arg->IsGiven()) continue;
        // A rejected element is not offered to a later positional argument.
        return arg->IsValidValue(element) && arg->SetValue(element);
    }
    return false;
}

bool CCmdLine::CheckExclusive() {
    for (const std::vector<CCmdLineArg*>& group : exclusiveGroups_) {
        CCmdLineArg* first = nullptr;
        for (CCmdLineArg* member : group) {
            if (!member->IsGiven()) continue;
            if (first == nullptr) {
                first = member;
            } else if (member != first) {
                exclusiveFirst_ = first;
                exclusiveSecond_ = member;
                return false;
            }
        }
    }
    return true;
}

bool CCmdLine::CheckDependencies() {
    for (const Dependency& entry : dependencies_) {
        if (entry.prerequisite->IsGiven()) continue;
        for (CCmdLineArg* dependent : entry.dependents) {
            if (!dependent->IsGiven()) continue;
            dependencyPrerequisite_ = entry.prerequisite;
            dependencyDependent_ = dependent;
            return false;
        }
    }
    return true;
}

bool CCmdLine::CheckRequired() {
    for (CCmdLineArg* arg : args_) {
        if (arg->IsRequired() && !arg->IsGiven()) {
            missingArg_ = arg;
            return false;
        }
    }
    return true;
}

const char* CCmdLine::GetErrorText() {
    errorText_.Assign("");
    if (invalidIndex_ != 0) {
        errorText_.Assign("Invalid argument: ").Append(ShowRejected(GetArgText(invalidIndex_)).Text()).Append("\n\n");
    } else if (exclusiveFirst_ != nullptr) {
        errorText_.Assign("Exclusive arguments: ")
            .Append(exclusiveFirst_->GetName())
            .Append(" and ")
            .Append(exclusiveSecond_->GetName())
            .Append("\n\n");
    } else if (dependencyPrerequisite_ != nullptr) {
        errorText_.Assign(dependencyDependent_->GetName())
            .Append(" is invalid without ")
            .Append(dependencyPrerequisite_->GetName())
            .Append("\n\n");
    } else if (missingArg_ != nullptr) {
        errorText_.Assign("Missing required argument: ").Append(missingArg_->GetName()).Append("\n\n");
    }
    return errorText_.Text();
}

CStr CCmdLine::ShowRejected(const char* element) const { return CStr(element); }

const char* CCmdLine::GetArgText(uint32_t index) const {
    if (elements_ == nullptr || index > count_) return nullptr;
    return elements_[index];
}

const char* CCmdLine::GetUsage(bool details) {
    usageText_.SetText("");
    AppendSynopsis();
    if (details) {
        AppendExamples();
        AppendArgList();
    }
    return usageText_.Text();
}

void CCmdLine::AppendSynopsis() {
    for (CCmdLineArg* arg : args_) {
        if (!arg->IsRequired()) usageText_.AppendChar('[');
        if (arg->IsNamed()) {
            usageText_.AppendChar('-').AppendText(arg->GetName());
            if (arg->GetValueHint()[0] != '\0') {
                usageText_.AppendChar('=').AppendText(arg->GetValueHint());
            }
        } else {
            usageText_.AppendChar('<').AppendText(arg->GetName()).AppendChar('>');
        }
        usageText_.AppendText(arg->GetChoicesText());
        if (!arg->IsRequired()) usageText_.AppendChar(']');
        usageText_.AppendChar(' ');
    }
    usageText_.AppendChar('\n');
}

void CCmdLine::AppendExamples() {
    if (examples_.empty()) return;
    usageText_.AppendChar('\n');
    for (const CStr& example : examples_) {
        usageText_.AppendText(example.Text()).AppendChar('\n');
    }
}

// Names, then descriptions aligned two columns past the longest name.
void CCmdLine::AppendArgList() {
    if (args_.empty()) return;
    size_t width = 0;
    for (const CCmdLineArg* arg : args_) {
        if (EntryLength(*arg) > width) width = EntryLength(*arg);
    }
    const size_t column = width + 2;
    usageText_.AppendChar('\n');
    for (CCmdLineArg* arg : args_) {
        if (arg->IsNamed()) usageText_.AppendChar('-');
        usageText_.AppendText(arg->GetName());
        for (size_t pad = EntryLength(*arg); pad < column; ++pad) usageText_.AppendChar(' ');
        usageText_.AppendText(arg->GetDescription()).AppendChar('\n');
    }
}
