#include "app/TerminalText.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

TEST(TerminalText, ControlCharactersButLineFeedAndTabAreEscaped) {
    const std::pair<const char*, const char*> cases[] = {
        {"a\tb\nc", "a\tb\nc"},
        {"\x1b]2;pwned\x07\x1b[2J", "\\x1b]2;pwned\\x07\\x1b[2J"},
        {"\x01\r\x1f \x7f~", "\\x01\\x0d\\x1f \\x7f~"},
        {"\xc2\x9b" "1m \xc2\x80\xc2\x9f", "\\xc2\\x9b1m \\xc2\\x80\\xc2\\x9f"},
        {"\xc3\xa9\xe2\x82\xac\xc2\xa0\xc2", "\xc3\xa9\xe2\x82\xac\xc2\xa0\xc2"},
    };
    for (const auto& c : cases) EXPECT_EQ(std::string(EscapeControlCharacters(c.first).Text()), c.second);
}

}  // namespace
