#include "app/ExportRun.h"

int RunExport(const CExportCmdLine&) { return 0; }
