// The user's reference of the ZOZU statements stays true: every example program in it parses
// without error, and every statement of the grammar has its section.
#include <fstream>
#include <sstream>

#include "tests/procedure/zozu_fixture.h"

namespace {

std::string reference() {
    std::ifstream in(std::string(QOR_SOURCE_DIR) + "/docs/zozu-statements.md");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(ZozuReference, EveryExampleParses) {
    std::string doc = reference();
    ASSERT_FALSE(doc.empty());
    ZozuParse p;
    int examples = 0;
    for (size_t at = doc.find("```qor\n"); at != std::string::npos; at = doc.find("```qor\n", at)) {
        at += 7;
        size_t end = doc.find("```", at);
        ASSERT_NE(end, std::string::npos);
        std::string program = doc.substr(at, end - at);
        SCOPED_TRACE(program);
        ParsedStep r = p.parse(program);
        EXPECT_EQ(r.code, 0) << r.log;
        EXPECT_GE(r.nodes.size(), 1u);
        ++examples;
        at = end + 3;
    }
    EXPECT_GT(examples, zozu::kStatementCount);
}

TEST(ZozuReference, EveryStatementHasASection) {
    std::string doc = reference();
    for (int i = 0; i < zozu::kStatementCount; ++i) {
        std::string first = zozu::kStatements[i].names;
        first = first.substr(0, first.find(' '));
        EXPECT_NE(doc.find("### `" + first + "`"), std::string::npos) << first;
    }
}

}  // namespace
