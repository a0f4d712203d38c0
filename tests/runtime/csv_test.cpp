// The CSV reader and writer: quoting, embedded line ends, empty fields, CRLF rows, malformed
// quotes, and fields that survive writing and reading back unchanged.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "runtime/procs/csv.h"

using qor::runtime::append_csv_field;
using qor::runtime::append_csv_row;
using qor::runtime::CsvRow;
using qor::runtime::CsvRowReader;
using qor::runtime::CsvTable;
using qor::runtime::read_csv;

TEST(CsvReader, ReadsRowsAndFields) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<CsvRow> rows;
        std::vector<int> lines;
    };
    const Case cases[] = {
        {"plain LF", "a,b\n1,2\n", {{"a", "b"}, {"1", "2"}}, {1, 2}},
        {"CRLF and no final line end", "a,b\r\n1,2", {{"a", "b"}, {"1", "2"}}, {1, 2}},
        {"lone CR", "a,b\r1,2\r", {{"a", "b"}, {"1", "2"}}, {1, 2}},
        {"empty fields", "a,b,c\n,,\n1,,3\n", {{"a", "b", "c"}, {"", "", ""}, {"1", "", "3"}}, {1, 2, 3}},
        {"quoted comma and doubled quote", "x\n\"a, \"\"b\"\"\"\n", {{"x"}, {"a, \"b\""}}, {1, 2}},
        {"line ends inside quotes kept", "x,y\n\"one\r\ntwo\nthree\",3\n4,5\n",
         {{"x", "y"}, {"one\r\ntwo\nthree", "3"}, {"4", "5"}}, {1, 2, 5}},
        {"quoted empty field", "x,y\n\"\",\"\"\n", {{"x", "y"}, {"", ""}}, {1, 2}},
        {"empty lines skipped", "\n\na\n\n\nb\n", {{"a"}, {"b"}}, {3, 6}},
        {"byte order mark skipped", "\xEF\xBB\xBFid\n7\n", {{"id"}, {"7"}}, {1, 2}},
        {"quote inside a plain field is text", "a\nab\"c\n", {{"a"}, {"ab\"c"}}, {1, 2}},
        {"blanks kept", " a , b \n", {{" a ", " b "}}, {1}},
        {"empty text", "", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CsvTable table;
        EXPECT_EQ(read_csv(c.text, &table), "");
        EXPECT_EQ(table.rows, c.rows);
        EXPECT_EQ(table.lines, c.lines);
        // The same rows when the source hands out one byte at a time: a CRLF, a doubled quote
        // or the byte order mark split between two reads changes nothing.
        size_t at = 0;
        CsvRowReader reader(
            [&](char* buffer, size_t) -> long {
                if (at == c.text.size()) return 0;
                buffer[0] = c.text[at++];
                return 1;
            },
            1 << 20);
        std::vector<CsvRow> rows;
        std::vector<int> lines;
        CsvRow row;
        int line = 0;
        while (reader.next(&row, &line) == 1) {
            rows.push_back(row);
            lines.push_back(line);
        }
        EXPECT_EQ(reader.error(), "");
        EXPECT_EQ(rows, c.rows);
        EXPECT_EQ(lines, c.lines);
    }
}

TEST(CsvRowReader, ARowLongerThanTheBoundIsAnError) {
    // The bound counts every byte of the row, quotes, commas and line ends inside quotes
    // included, but not the line end that ends it.
    struct Case {
        std::string text;
        size_t longest;
        int rows_read;
        const char* error;
    };
    const Case cases[] = {
        {"abc,\"d\"\nx\n", 7, 2, ""},
        {"abc,\"d\"\nx\n", 6, 0, "The row that starts on line 1 is longer than 6 bytes"},
        {"a\n\"multi\nline\"\n", 11, 1, "The row that starts on line 2 is longer than 11 bytes"},
        {"a\n\"multi\nline\"\n", 12, 2, ""},
        {"\"a\r\nb\"\n", 5, 0, "The row that starts on line 1 is longer than 5 bytes"},
        {"\"a\r\nb\"\n", 6, 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text + " within " + std::to_string(c.longest));
        size_t at = 0;
        CsvRowReader reader(
            [&](char* buffer, size_t) -> long {   // a byte at a time: the buffer moves often
                if (at == c.text.size()) return 0;
                buffer[0] = c.text[at++];
                return 1;
            },
            c.longest);
        CsvRow row;
        int line = 0, read = 0, rc;
        while ((rc = reader.next(&row, &line)) == 1) ++read;
        EXPECT_EQ(read, c.rows_read);
        EXPECT_EQ(rc, *c.error ? -1 : 0);
        EXPECT_NE(reader.error().find(c.error), std::string::npos) << reader.error();
    }
}

TEST(CsvReader, MalformedQuotesNameTheirLine) {
    struct Case {
        std::string text;
        const char* message_part;
    };
    const Case cases[] = {
        {"a,b\n1,\"never closed\n2,3\n", "quoted field that starts on line 2 is not closed"},
        {"a\n\"", "starts on line 2 is not closed"},
        {"a,b\n\"x\"y,2\n", "closing quote of a field on line 2"},
        {"a\n\"multi\nline\" tail\n", "closing quote of a field on line 3"},
    };
    for (const Case& c : cases) {
        CsvTable table;
        std::string error = read_csv(c.text, &table);
        EXPECT_NE(error.find(c.message_part), std::string::npos) << c.text << " gave: " << error;
    }
}

TEST(CsvWriter, QuotesOnlyWhatNeedsIt) {
    struct Case {
        const char* field;
        const char* written;
    };
    const Case cases[] = {
        {"plain", "plain"},     {"", ""},
        {"a,b", "\"a,b\""},     {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"l1\nl2", "\"l1\nl2\""}, {"cr\r", "\"cr\r\""},
        {" lead", "\" lead\""}, {"trail ", "\"trail \""},
        {"in side", "in side"}, {"-1.5e-300", "-1.5e-300"},
        {"\xEF\xBB\xBFid", "\"\xEF\xBB\xBFid\""},
    };
    for (const Case& c : cases) {
        std::string out;
        append_csv_field(out, c.field);
        EXPECT_EQ(out, c.written) << c.field;
    }
}

TEST(CsvWriter, RowsReadBackAsWritten) {
    const std::vector<CsvRow> rows = {
        {"id", "text", "empty"},
        {"1", "comma, \"quote\" and\nnew line", ""},
        {"2", "  padded  ", "\r\n"},
        {"", "", ""},
    };
    std::string text;
    // A first field that starts with a byte order mark keeps it: read back, only a mark in front
    // of the text is dropped.
    const std::vector<CsvRow> marked = {{"\xEF\xBB\xBF", "x"}, {"\xEF\xBB\xBFy", "z"}};
    for (const CsvRow& r : marked) append_csv_row(text, r);
    CsvTable back;
    ASSERT_EQ(read_csv(text, &back), "");
    EXPECT_EQ(back.rows, marked);
    text.clear();
    for (const CsvRow& r : rows) append_csv_row(text, r);
    CsvTable table;
    ASSERT_EQ(read_csv(text, &table), "");
    EXPECT_EQ(table.rows, rows);
}
