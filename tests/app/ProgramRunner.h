#ifndef QUILLET_TESTS_APP_PROGRAMRUNNER_H
#define QUILLET_TESTS_APP_PROGRAMRUNNER_H

#include <string>
#include <vector>

// What one run of the program left behind.
struct ProgramResult {
    std::string out;
    std::string err;
    // The exit status, or 128 plus the signal number when a signal ended it.
    int status = -1;
};

// Runs the built quillet binary with the given elements after the program
// name. Standard output and error are read at the same time as the input is
// written, so a run with large output or input cannot stall on a full pipe.
class CProgramRunner {
public:
    explicit CProgramRunner(std::vector<std::string> args);

    // Text for standard input; without it the program reads an empty input.
    CProgramRunner& Input(std::string text);
    // The program starts with standard input or output not open at all.
    CProgramRunner& CloseStdin();
    CProgramRunner& CloseStdout();

    ProgramResult Run() const;

private:
    std::vector<std::string> args;
    std::string input;
    bool stdinClosed = false;
    bool stdoutClosed = false;
};

#endif
