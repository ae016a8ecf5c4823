#include "csv/CsvDocument.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Table = std::vector<std::vector<std::string>>;

// Prints every record of the file as the hex bytes of its fields joined by "|".
const char* const kPythonReader =
    "import csv, sys\n"
    "with open(sys.argv[1], newline=\"\", encoding=\"latin-1\") as f:\n"
    "    for record in csv.reader(f):\n"
    "        print(\"|\".join(field.encode(\"latin-1\").hex() for field in record))\n";

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

std::string HexLines(const Table& table) {
    std::string lines;
    for (const auto& record : table) {
        for (size_t i = 0; i < record.size(); ++i) lines += (i ? "|" : "") + Hex(record[i]);
        lines += "\n";
    }
    return lines;
}

std::string ReadByPython(const std::string& path) {
    const std::string command = "python3 -c '" + std::string(kPythonReader) + "' " + path;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return "<python3 did not start>";
    std::string output;
    char chunk[4096];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) output.append(chunk, n);
    return pclose(pipe) == 0 ? output : output + "<python3 failed>";
}

}  // namespace

TEST(CsvDocument, IsReadBackByPythonsCsvModuleIntoTheValuesWritten) {
    const Table table = {
        {"id", "a,b", "say \"x\"", "line\nbreak", "\xc3\xa9t\xc3\xa9"},
        {"1", "x,y", "\"", "a\nb", "caf\xc3\xa9 \xe2\x82\xac"},
        {"2", "", "a\"\"b", "a\r\nb", "\xff\xfe\x80 raw"},
        {"3", "  blanks  ", "\"start", "a\rb", ""},
        {"4", ",", "end\"", "\n", "tab\tsemi;colon"},
        {"5", "", "", "trailing\r", " "},
    };
    char path[] = "/tmp/quillet-csv-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_NE(fd, -1);
    FILE* out = fdopen(fd, "w");
    {
        CCsvDocument doc(false, ",");
        const std::vector<std::string>& names = table[0];
        for (size_t r = 1; r < table.size(); ++r) {
            CCsvRow row = doc.NewRow();
            for (size_t c = 0; c < names.size(); ++c) {
                row.SetValue(names[c].c_str(), table[r][c].c_str());
            }
        }
        EXPECT_TRUE(doc.Write(out, true));
    }
    std::fclose(out);
    const std::string read = ReadByPython(path);
    unlink(path);
    EXPECT_EQ(read, HexLines(table));
}
