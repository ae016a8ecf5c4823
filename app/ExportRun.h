#ifndef QUILLET_APP_EXPORTRUN_H
#define QUILLET_APP_EXPORTRUN_H

class CExportCmdLine;

// Carries out one export with the parsed options and returns the process
// exit status: EXIT_STATUS_OK after a successful export,
// EXIT_STATUS_FAILURE after any failure (app/ExitStatus.h).
int RunExport(const CExportCmdLine& options);

#endif
