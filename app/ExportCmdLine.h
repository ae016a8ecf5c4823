#ifndef QUILLET_APP_EXPORTCMDLINE_H
#define QUILLET_APP_EXPORTCMDLINE_H

#include "cmdline/CmdLine.h"
#include "cmdline/CmdLineArgString.h"
#include "cmdline/CmdLineArgToggle.h"

// The program's options. The members are public so that the export run can
// read them after a successful parse.
class CExportCmdLine : public CCmdLine {
public:
    CExportCmdLine();

    CCmdLineArgToggle argHelp;
    CCmdLineArgString argConnect;
    CCmdLineArgString argTable;
    CCmdLineArgString argSelect;
    CCmdLineArgToggle argFieldNames;
    CCmdLineArgString argOutputFile;
    CCmdLineArgString argParamId;
    CCmdLineArgString argInputFile;

protected:
    // Any rejected element may be a connection string typed in the wrong place.
    CStr ShowRejected(const char* element) const override;
};

#endif
