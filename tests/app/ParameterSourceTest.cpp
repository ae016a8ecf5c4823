#include "app/ParameterSource.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

struct SSubstitution {
    CParameterSource::EResult result;
    std::string statement;
    unsigned failedIndex;
    long consumed;  // bytes of input read
};

SSubstitution Substitute(const std::string& statement, const std::string& input,
                         const char* identifier = "?\?") {
    FILE* stream = std::tmpfile();
    std::fwrite(input.data(), 1, input.size(), stream);
    std::rewind(stream);
    SSubstitution out{};
    CStr text(statement.c_str());
    {
        CParameterSource source(stream, false);
        out.result = SubstituteParameters(text, identifier, source, out.failedIndex);
    }
    out.statement = text.Text();
    out.consumed = std::ftell(stream);
    std::fclose(stream);
    return out;
}

}  // namespace

TEST(ParameterSource, ReplacesMarkersLeftToRightEvenInsideLiterals) {
    const auto s = Substitute("select * from T where a = ?\? and b = '?\?'", "1\nx\n");
    EXPECT_EQ(s.result, CParameterSource::VALUE);
    EXPECT_EQ(s.statement, "select * from T where a = 1 and b = 'x'");
}

TEST(ParameterSource, MarkersDoNotOverlapAndValuesAreNotSearchedAgain) {
    EXPECT_EQ(Substitute("v = ?\??", "7\n").statement, "v = 7?");
    EXPECT_EQ(Substitute("v = ?\?", "a?\?b\n").statement, "v = a?\?b");
    EXPECT_EQ(Substitute("[$1][$1]", "p\nq\n", "$1").statement, "[p][q]");
}

TEST(ParameterSource, LineEndsAreStrippedAndEmptyLinesGiveEmptyValues) {
    EXPECT_EQ(Substitute("(?\?)(?\?)(?\?)", "a\r\n\nlast").statement, "(a)()(last)");
    EXPECT_EQ(Substitute("(?\?)", "x\r\r\n\n").statement, "(x)");
    // Lines end at LF only: a CR inside a line stays part of the value.
    EXPECT_EQ(Substitute("(?\?)", "a\rb\r").statement, "(a\rb)");
}

TEST(ParameterSource, StatementWithoutMarkersReadsNothing) {
    const auto s = Substitute("select 1", "unused\n");
    EXPECT_EQ(s.statement, "select 1");
    EXPECT_EQ(s.consumed, 0);
}

TEST(ParameterSource, EmptyIdentifierTurnsSubstitutionOff) {
    const auto s = Substitute("select '?\?'", "unused\n", "");
    EXPECT_EQ(s.result, CParameterSource::VALUE);
    EXPECT_EQ(s.statement, "select '?\?'");
    EXPECT_EQ(s.consumed, 0);
}

TEST(ParameterSource, InputEndingEarlyNamesTheMarkerAndKeepsTheStatement) {
    const auto s = Substitute("a = ?\? and b = ?\? and c = ?\?", "1\n");
    EXPECT_EQ(s.result, CParameterSource::END_OF_INPUT);
    EXPECT_EQ(s.failedIndex, 2u);
    EXPECT_EQ(s.statement, "a = ?\? and b = ?\? and c = ?\?");
    EXPECT_EQ(Substitute("?\?", "").failedIndex, 1u);
}

TEST(ParameterSource, ValueWithNulByteIsRefused) {
    const auto s = Substitute("a = ?\? and b = ?\?", std::string("1\nx\0y\n", 6));
    EXPECT_EQ(s.result, CParameterSource::NUL_BYTE);
    EXPECT_EQ(s.failedIndex, 2u);
    EXPECT_EQ(s.consumed, 4) << "the rest of the line is left unread";
}

TEST(ParameterSource, ByteOrderMarkIsDroppedAtTheStartOfTheInputOnly) {
    const std::string bom = "\xEF\xBB\xBF";
    const struct {
        std::string input, statement;
    } cases[] = {
        {bom + "a\n" + bom + "b\n", "(a)(" + bom + "b)"},
        {bom + bom + "a\nb", "(" + bom + "a)(b)"},
        {bom + "\nb", "()(b)"},
        {"\xEF\xBB\na\n", "(\xEF\xBB)(a)"},
    };
    for (const auto& c : cases) EXPECT_EQ(Substitute("(?\?)(?\?)", c.input).statement, c.statement);
    EXPECT_EQ(Substitute("(?\?)", bom).result, CParameterSource::END_OF_INPUT);
}

TEST(ParameterSource, LongLineIsOneValue) {
    const std::string value(40000, 'v');
    const auto s = Substitute("(?\?)(?\?)", value + "\nz\n");
    EXPECT_EQ(s.statement, "(" + value + ")(z)");
}
