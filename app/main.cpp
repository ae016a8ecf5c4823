#include <cstdio>
#include <new>

#include "app/ExitStatus.h"
#include "app/ExportCmdLine.h"
#include "app/ExportRun.h"
#include "app/LibraryCrashReport.h"
#include "app/StandardStreams.h"
#include "app/TerminalText.h"

#ifdef _WIN32
#include "app/ConsoleCodePages.h"
#include "app/Utf8Arguments.h"
#endif

namespace {

void PrintBanner() {
    std::fputs("Quillet - November 2008\n", stderr);
    std::fprintf(stderr, "%s\n", "Copyright (c) 2026 The Quillet authors");
    std::fprintf(stderr, "%s\n", "https://quillet.example.org");
    std::fprintf(stderr, "%s\n\n", "quillet@example.org");
}

// Texts from the option set may hold "%" typed by the user: never a format.
void PrintUsage(CExportCmdLine& options) {
    std::fputs(ForStandardError(options.GetErrorText()).Text(), stderr);
    std::fputs("\nUsage:\n", stderr);
    std::fputs(options.GetUsage(true), stderr);
}

// Help wins over any fault of the command line, so -? alone succeeds.
int Run(int argc, char* argv[]) {
    PrintBanner();
    CExportCmdLine options;
    const bool parsed = options.Parse(argc, argv);
    const bool help = options.argHelp.GetState();
    if (parsed && !help && (options.argSelect.IsGiven() || options.argTable.IsGiven())) {
        InstallLibraryCrashReport();
        return RunExport(options);
    }
    PrintUsage(options);
    return help ? EXIT_STATUS_OK : EXIT_STATUS_USAGE;
}

int ReportOutOfMemory() {
    std::fputs("Out of memory.\n\n", stderr);
    return EXIT_STATUS_FAILURE;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t* argv[]) {
    const CConsoleCodePages consoleCodePages;
    try {
        CUtf8Arguments arguments(argc, argv);
        return Run(arguments.GetCount(), arguments.GetValues());
    } catch (const std::bad_alloc&) {
        return ReportOutOfMemory();
    }
}
#else
int main(int argc, char* argv[]) {
    OccupyClosedStandardStreams();
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        return ReportOutOfMemory();
    }
}
#endif
