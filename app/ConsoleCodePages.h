#ifndef QUILLET_APP_CONSOLECODEPAGES_H
#define QUILLET_APP_CONSOLECODEPAGES_H

// While one lives, the console that the program runs in (if any) reads and
// shows text as UTF-8: parameter values typed there arrive as UTF-8, and
// messages show what they hold. The console's code pages belong to the
// console, shared with the shell that started the program, so they are put
// back when the object ends and when Ctrl-C, Ctrl-Break or closing the window
// ends the program.
class CConsoleCodePages {
public:
    CConsoleCodePages();
    CConsoleCodePages(const CConsoleCodePages&) = delete;
    CConsoleCodePages& operator=(const CConsoleCodePages&) = delete;
    ~CConsoleCodePages();
};

#endif
