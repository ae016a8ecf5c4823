#include "app/ExportCmdLine.h"

#include "db/SecretMask.h"

CExportCmdLine::CExportCmdLine()
    : argHelp("?", "help", false, false, 0),
      argConnect("connect", "connection string", "", ARG_POSITIONAL | ARG_REQUIRED),
      argTable("t", "table name to output", "", 0),
      argSelect("s", "select statement (by default all records will be printed)", "", 0),
      argFieldNames("f", "output fields name", false, false, 0),
      argOutputFile("o", "output filename", "", 0),
      // "?\?" is "??": the escape keeps the compiler's trigraph warning quiet.
      argParamId("p", "parameter identifier (default is ?\?)", "??", 0),
      argInputFile("i", "input file for parameters (one parameter per row)", "", 0) {
    // Help comes last in the usage text although it is declared first.
    AddArg(argConnect);
    AddArg(argTable);
    AddArg(argSelect);
    AddArg(argFieldNames);
    AddArg(argOutputFile);
    AddArg(argParamId);
    AddArg(argInputFile);
    AddArg(argHelp);
    // Example 2 names an option "d" that the set does not have; examples are
    // help text only and are never checked.
    AddExample("Quillet \"DSN=MyDatabase;UID=MyUser\" -t=MyTable");
    AddExample("Quillet \"DSN=MyDatabase;UID=MyUser\" -d=MyDatabase -t=MyTable");
    AddExample("Quillet \"DSN=MyDatabase;UID=MyUser\" -s=\"select * from MyTable\" -f");
}

// A rejected element may also be a password typed apart from its connection
// string, before or after it, so the secrets of every element hide it too.
CStr CExportCmdLine::ShowRejected(const char* element) const {
    CStr shown = CSecretMask(element).Apply(element);
    for (uint32_t i = 0; const char* other = GetArgText(i); ++i) shown = CSecretMask(other).Apply(shown.Text());
    return shown;
}
