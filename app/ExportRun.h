#ifndef QUILLET_APP_EXPORTRUN_H
#define QUILLET_APP_EXPORTRUN_H

class CExportCmdLine;

// Carries out one export with the parsed options and returns the process
// exit status: 0 after a successful export, 1 after any failure.
int RunExport(const CExportCmdLine& options);

#endif
