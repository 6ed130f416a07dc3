// The script's text alone, without a file: lines read from bytes in memory, parsed, and written
// from events.
#include <gtest/gtest.h>
#include <limits.h>

#include <string.h>

#include <string>
#include <vector>

#include "plako.h"
#include "script_format.h"

namespace {

// Bytes in memory as a source; fail_at: the position where reading fails (-1: never).
struct Bytes {
    std::string data;
    size_t at = 0;
    long fail_at = -1;
};

int next_byte(void *ctx) {
    Bytes &b = *static_cast<Bytes *>(ctx);
    if (b.fail_at >= 0 && (long)b.at == b.fail_at) return SCRIPT_SOURCE_FAILED;
    if (b.at == b.data.size()) return SCRIPT_SOURCE_END;
    return (unsigned char)b.data[b.at++];
}

class ScriptFormat : public ::testing::Test {
   protected:
    // Reads the lines of data until the first that is not a whole line; their texts in *lines.
    ScriptRead read_all(const std::string &data, std::vector<std::string> *lines, long fail_at = -1) {
        Bytes bytes;
        bytes.data = data;
        bytes.fail_at = fail_at;
        ScriptSource source = {next_byte, &bytes};
        char line[SCRIPT_LINE_SIZE];
        for (;;) {
            ScriptRead got = script_read_line(source, line);
            if (got != SCRIPT_READ_LINE) {
                last_ = line;
                return got;
            }
            lines->push_back(line);
        }
    }
    ScriptLine parse(const std::string &line, int too_long = 0) {
        ScriptLine parsed;
        script_parse_line(line.c_str(), too_long, &parsed);
        return parsed;
    }
    std::string last_;  // what the last read left in its line
};

TEST_F(ScriptFormat, ReadsWholeLinesOnly) {
    const std::string line510(510, 'x');
    struct Case {
        const char *name;
        std::string data;
        std::vector<std::string> lines;
        ScriptRead end;
    } cases[] = {
        {"two lines",
         "PLAKO_KBD(65);\nPLAKO_PERIODIC(3);\n",
         {"PLAKO_KBD(65);\n", "PLAKO_PERIODIC(3);\n"},
         SCRIPT_READ_AT_END},
        {"nothing", "", {}, SCRIPT_READ_AT_END},
        {"a last line without its line end is no line",
         "PLAKO_KBD(1);\nPLAKO_KBD(2);",
         {"PLAKO_KBD(1);\n"},
         SCRIPT_READ_AT_END},
        {"CR-LF kept as read", "\r\nPLAKO_KBD(1);\r\n", {"\r\n", "PLAKO_KBD(1);\r\n"}, SCRIPT_READ_AT_END},
        {"NUL reads as ?", std::string("PLAKO_KBD(6\0);\n", 16), {"PLAKO_KBD(6?);\n"}, SCRIPT_READ_AT_END},
        {"511 with its line end fits", line510 + "\n", {line510 + "\n"}, SCRIPT_READ_AT_END},
        {"512 with its line end does not", line510 + "y\nPLAKO_KBD(1);\n", {}, SCRIPT_READ_TOO_LONG},
    };
    for (const Case &c : cases) {
        std::vector<std::string> lines;
        EXPECT_EQ(read_all(c.data, &lines), c.end) << c.name;
        EXPECT_EQ(lines, c.lines) << c.name;
    }
    // A too-long line keeps its first 511 characters; the rest stays unread.
    std::vector<std::string> lines;
    read_all(line510 + "yz\n", &lines);
    EXPECT_EQ(last_, line510 + "y");
}

TEST_F(ScriptFormat, ReadErrorEndsTheLineBeingRead) {
    std::vector<std::string> lines;
    EXPECT_EQ(read_all("PLAKO_KBD(1);\nPLAKO_KBD(2);\n", &lines, 17), SCRIPT_READ_FAILED);
    EXPECT_EQ(lines, std::vector<std::string>{"PLAKO_KBD(1);\n"});
    EXPECT_EQ(last_, "PLA");
}

TEST_F(ScriptFormat, ParsesEventsAtTheEdgesOfTheirFields) {
    struct Case {
        const char *line;
        int kind, x, y;
        char key;
        int count;
    } cases[] = {
        {"PLAKO_MOUSE(10, -20);\n", EVENT_MOUSE, 10, -20, 0, 0},
        {"PLAKO_MOUSE(-2147483648, 2147483647);\n", EVENT_MOUSE, INT_MIN, INT_MAX, 0, 0},
        {"PLAKO_MOUSE(12-3, 4);\n", EVENT_MOUSE, 12, 4, 0,
         0},  // a field's value is the number it begins with
        {"PLAKO_MOUSE(-0000000001,5);\r\n", EVENT_MOUSE, -1, 5, 0, 0},  // 11 characters, the most
        {"PLAKO_KBD(65);\n", EVENT_KBD, 0, 0, 'A', 0},
        {"PLAKO_KBD(321);\n", EVENT_KBD, 0, 0, 'A', 0},  // the number's low byte
        {"PLAKO_KBD(-56);\n", EVENT_KBD, 0, 0, (char)200, 0},
        {"PLAKO_PERIODIC(0);\n", EVENT_PERIODIC, 0, 0, 0, 0},
        {"PLAKO_PERIODIC(2147483647);\n", EVENT_PERIODIC, 0, 0, 0, INT_MAX},
        {"PLAKO_PERIODIC(-5);\n", EVENT_PERIODIC, 0, 0, 0, 5},  // no sign for a count: the field is "5"
        {"PLAKO_PERIODIC(00000000007)\n", EVENT_PERIODIC, 0, 0, 0, 7},
        {"xxxxxxK 9\n", EVENT_KBD, 0, 0, 9, 0},  // only the seventh character names the kind
    };
    for (const auto &c : cases) {
        ScriptLine p = parse(c.line);
        ASSERT_EQ(p.status, SCRIPT_LINE_EVENT) << c.line;
        EXPECT_EQ(p.kind, c.kind) << c.line;
        EXPECT_EQ(p.x, c.x) << c.line;
        EXPECT_EQ(p.y, c.y) << c.line;
        EXPECT_EQ(p.key, c.key) << c.line;
        EXPECT_EQ(p.count, c.count) << c.line;
    }
}

TEST_F(ScriptFormat, NamesEmptyBadAndUnknownLines) {
    const std::string long_text = "PLAKO_KBD(65);" + std::string(100, ' ');
    struct Case {
        const char *name;
        std::string line;
        int too_long;
        ScriptLineStatus status;
        std::string why, shown;
    } cases[] = {
        {"empty", "\n", 0, SCRIPT_LINE_EMPTY, "", ""},
        {"empty, CR-LF", "\r\n", 0, SCRIPT_LINE_EMPTY, "", ""},
        {"two CRs are not empty", "\r\r\n", 0, SCRIPT_LINE_BAD, "", ""},
        {"shorter than seven", "PLAKO\n", 0, SCRIPT_LINE_BAD, "", "PLAKO"},
        {"no number", "PLAKO_KBD();\n", 0, SCRIPT_LINE_BAD, "", "PLAKO_KBD();"},
        {"a mouse line needs two", "PLAKO_MOUSE(5);\n", 0, SCRIPT_LINE_BAD, "", "PLAKO_MOUSE(5);"},
        {"12 characters", "PLAKO_PERIODIC(000000000001);\n", 0, SCRIPT_LINE_BAD, "",
         "PLAKO_PERIODIC(000000000001);"},
        {"above int32", "PLAKO_PERIODIC(2147483648);\n", 0, SCRIPT_LINE_BAD, "",
         "PLAKO_PERIODIC(2147483648);"},
        {"below int32", "PLAKO_MOUSE(-2147483649, 0);\n", 0, SCRIPT_LINE_BAD, "",
         "PLAKO_MOUSE(-2147483649, 0);"},
        {"control characters quoted as ?", "PLAKO_K\tB\x01\n", 0, SCRIPT_LINE_BAD, "", "PLAKO_K?B?"},
        {"too long, quoted to 60", long_text, 1, SCRIPT_LINE_BAD,
         " (more than 511 characters with its line end)", long_text.substr(0, 60) + "..."},
        {"a comment", "# recorded today\n", 0, SCRIPT_LINE_UNKNOWN, "", ""},
        {"lower case", "plako_periodic(160);\n", 0, SCRIPT_LINE_UNKNOWN, "", ""},
    };
    for (const Case &c : cases) {
        ScriptLine p = parse(c.line, c.too_long);
        EXPECT_EQ(p.status, c.status) << c.name;
        if (c.status != SCRIPT_LINE_BAD) continue;
        EXPECT_EQ(std::string(p.why), c.why) << c.name;
        EXPECT_EQ(std::string(p.shown), c.shown) << c.name;
    }
}

TEST_F(ScriptFormat, TellsWhetherAnEventWasReadExactlyAsWritten) {
    struct Case {
        const char *line;
        const char *inexact;  // "": read exactly as written
    } cases[] = {
        {"PLAKO_MOUSE(10, -20);\n", ""},
        {"PLAKO_MOUSE(10,-20);\r\n", ""},
        {"PLAKO_MOUSE( 10 \t-20 );  \n", ""},  // blanks around the numbers and after ");"
        {"PLAKO_MOUSE(10,,-20);\n", ""},
        {"PLAKO_KBD(-23);\n", ""},
        {"PLAKO_PERIODIC(00000000007);\n", ""},
        {"PLAKO_MOUSE(0x10, 5);\n", "0x10 read as 0 and 10"},
        {"PLAKO_MOUSE(5, 0x10);\n", "0x10 read as 0"},
        {"PLAKO_MOUSE(1.5, 2.5);\n", "1.5 read as 1 and 5"},
        {"PLAKO_MOUSE(12-3, 4);\n", "12-3 read as 12"},
        {"PLAKO_MOUSE(1, 2, 3);\n", "3 is not read"},
        {"PLAKO_KBD(a5);\n", "a5 read as 5"},
        {"PLAKO_KBD(x, 5);\n", "x is not a number"},
        {"PLAKO_KBD(+5);\n", "+5 read as 5"},
        {"PLAKO_PERIODIC(-5);\n", "-5 read as 5"},
        {"PLAKO_KBD(,5);\n", "a comma without a number beside it"},
        {"PLAKO_MOUSE(1);2\n", "PLAKO_MOUSE takes two numbers, the parentheses hold 1"},
        {"PLAKO_KBD(5;\n", "no ) after the numbers"},
        {"PLAKO_KBD(5)\n", "no ; after )"},
        {"PLAKO_KBD(5); and more\n", "text after );"},
        {"PLAKO_KBD(5);\rPLAKO_KBD(6);\n", "text after );"},
        {"PLAKO_KBD 5;\n", "no ( after PLAKO_KBD"},
        {"PLAKO_KEY(5);\n", "PLAKO_KEY read as PLAKO_KBD"},
        {"xxxxxxK(9);\n", "xxxxxxK read as PLAKO_KBD"},
        {"PLAKO_PERIODICAL(2);\n", "PLAKO_PERIODICAL read as PLAKO_PERIODIC"},
    };
    for (const auto &c : cases) {
        ScriptLine p = parse(c.line);
        ASSERT_EQ(p.status, SCRIPT_LINE_EVENT) << c.line;
        EXPECT_EQ(p.exact, c.inexact[0] == '\0') << c.line;
        EXPECT_STREQ(p.inexact, c.inexact) << c.line;
        bool quoted = p.shown[0] != '\0' && std::string(c.line).rfind(p.shown, 0) == 0;
        EXPECT_EQ(quoted, !p.exact) << "a line not read exactly is quoted: " << c.line;
    }
    // A stray field's quote is cut, so the reason fits whatever the line holds.
    ScriptLine p = parse("PLAKO_KBD(" + std::string(400, 'z') + "5);\n");
    EXPECT_STREQ(p.inexact, (std::string(20, 'z') + "... read as 5").c_str());
}

TEST_F(ScriptFormat, FindsACarriageReturnThatEndsNoLine) {
    struct Case {
        const char *line;
        int lone;
    } cases[] = {
        {"PLAKO_KBD(5);\r\n", 0},
        {"PLAKO_KBD(5);\n", 0},
        {"PLAKO_KBD(5);\rPLAKO_KBD(6);\r", 1},
        {"\r\r\n", 1},
        {"PLAKO_KBD(5);\r", 1},
        {"", 0},
    };
    for (const auto &c : cases) EXPECT_EQ(script_lone_cr(c.line), c.lone) << c.line;
}

TEST_F(ScriptFormat, WritesEventsThatParseBack) {
    struct Case {
        int kind, x, y;
        char key;
        int count;
        const char *text;
    } cases[] = {
        {EVENT_MOUSE, -2147483647 - 1, 2147483647, 0, 0, "PLAKO_MOUSE(-2147483648, 2147483647);\n"},
        {EVENT_KBD, 0, 0, (char)233, 0, "PLAKO_KBD(-23);\n"},
        {EVENT_KBD, 0, 0, 'x', 0, "PLAKO_KBD(120);\n"},
        {EVENT_PERIODIC, 0, 0, 0, 2147483647, "PLAKO_PERIODIC(2147483647);\n"},
    };
    for (const auto &c : cases) {
        char text[SCRIPT_EVENT_TEXT];
        EXPECT_EQ(script_format_event(text, c.kind, c.x, c.y, c.key, c.count), (int)strlen(c.text));
        EXPECT_STREQ(text, c.text);
        ScriptLine p = parse(text);
        ASSERT_EQ(p.status, SCRIPT_LINE_EVENT) << text;
        EXPECT_EQ(p.kind, c.kind) << text;
        EXPECT_EQ(p.x, c.x) << text;
        EXPECT_EQ(p.y, c.y) << text;
        EXPECT_EQ(p.key, c.key) << text;
        EXPECT_EQ(p.count, c.count) << text;
        EXPECT_TRUE(p.exact) << "what the writer writes reads exactly: " << text;
    }
    char text[SCRIPT_EVENT_TEXT] = "untouched";
    EXPECT_EQ(script_format_event(text, EVENT_NONE, 1, 2, 3, 4), 0);
    EXPECT_STREQ(text, "") << "only the three kinds a script holds have a line";
}

}  // namespace
