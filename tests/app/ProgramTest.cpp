#include <gtest/gtest.h>

#include <string>

#include "tests/app/ProgramRunner.h"

namespace {

const std::string kBanner =
    "Quillet - November 2008\n"
    "Copyright (c) 2026 The Quillet authors\n"
    "https://quillet.example.org\n"
    "quillet@example.org\n"
    "\n";

const std::string kUsage =
    "\nUsage:\n"
    "<connect> [-t=<string>] [-s=<string>] [-f] [-o=<string>] [-p=<string>] [-i=<string>] [-?] \n"
    "\n"
    "Quillet \"DSN=MyDatabase;UID=MyUser\" -t=MyTable\n"
    "Quillet \"DSN=MyDatabase;UID=MyUser\" -d=MyDatabase -t=MyTable\n"
    "Quillet \"DSN=MyDatabase;UID=MyUser\" -s=\"select * from MyTable\" -f\n"
    "\n"
    "connect  connection string\n"
    "-t       table name to output\n"
    "-s       select statement (by default all records will be printed)\n"
    "-f       output fields name\n"
    "-o       output filename\n"
    "-p       parameter identifier (default is ?\?)\n"
    "-i       input file for parameters (one parameter per row)\n"
    "-?       help\n";

// A driver name no driver manager knows, so a run that starts fails at once.
const char* const kConnect = "Driver=No Such Quillet Driver";

ProgramResult RunQuillet(std::vector<std::string> args) { return CProgramRunner(std::move(args)).Run(); }

}  // namespace

TEST(Program, NoArgumentsReportsTheMissingConnectionString) {
    const ProgramResult r = RunQuillet({});
    EXPECT_EQ(r.err, kBanner + "Missing required argument: connect\n\n" + kUsage);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.status, 2);
}

TEST(Program, HelpPrintsOnlyTheUsageAndSucceeds) {
    for (const char* help : {"-?", "/?"}) {
        const ProgramResult r = RunQuillet({kConnect, "-t=MyTable", help});
        EXPECT_EQ(r.err, kBanner + kUsage) << help;
        EXPECT_EQ(r.out, "") << help;
        EXPECT_EQ(r.status, 0) << help;
    }
}

TEST(Program, HelpAloneStillReportsTheMissingConnectionButSucceeds) {
    const ProgramResult r = RunQuillet({"-?"});
    EXPECT_EQ(r.err, kBanner + "Missing required argument: connect\n\n" + kUsage);
    EXPECT_EQ(r.status, 0);
}

TEST(Program, ConnectionWithoutTableOrStatementShowsUsageWithEmptyReport) {
    const ProgramResult r = RunQuillet({kConnect, "-f"});
    EXPECT_EQ(r.err, kBanner + kUsage);
    EXPECT_EQ(r.status, 2);
}

TEST(Program, RejectedElementIsPrintedVerbatimNotAsFormat) {
    const ProgramResult r = RunQuillet({kConnect, "-d=%s%n%d%%"});
    EXPECT_EQ(r.err, kBanner + "Invalid argument: -d=%s%n%d%%\n\n" + kUsage);
    EXPECT_EQ(r.status, 2);
}

TEST(Program, TableOrStatementEvenEmptyStartsTheExport) {
    const std::vector<std::vector<std::string>> lines = {
        {kConnect, "-t=MyTable"}, {kConnect, "-s="}, {kConnect, "-s=select 1", "-T=x"}};
    for (const std::vector<std::string>& line : lines) {
        const ProgramResult r = RunQuillet(line);
        EXPECT_EQ(r.err.compare(0, kBanner.size(), kBanner), 0) << line[1];
        EXPECT_EQ(r.err.find("Usage:"), std::string::npos) << line[1];
        EXPECT_NE(r.status, 2) << line[1];
    }
}

TEST(Program, UsageNeedsNeitherStandardInputNorOutput) {
    const ProgramResult r = CProgramRunner({kConnect}).CloseStdin().CloseStdout().Run();
    EXPECT_EQ(r.err, kBanner + kUsage);
    EXPECT_EQ(r.status, 2);
}
