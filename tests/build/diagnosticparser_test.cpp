#include "build/buildlog.h"
#include "build/diagnosticparser.h"
#include "build/logbuilder.h"
#include "build/sarifreader.h"

#include "testsupport.h"

#include <QProcess>
#include <QStandardPaths>

namespace {

struct ParsedLine
{
    const char *name;
    const char *line;
    bool recognised;
    const char *file;  // relative to the test's directory, "" for none
    int line_;
    int column;
    int severity;
    const char *message;
};

// Lines are parsed with the temporary directory as base directory, in which main.c and
// inc/x.h exist.
class StandardParserTest : public TempDirTest, public testing::WithParamInterface<ParsedLine>
{
};

TEST_P(StandardParserTest, ExtractsLocationSeverityAndMessage)
{
    const ParsedLine &row = GetParam();
    write("main.c", "");
    write("inc/x.h", "");
    StandardDiagnosticParser parser;
    parser.setDirectory(dir());
    parser.setGenerator(4);
    Diagnostic diagnostic;
    QString line = QString::fromUtf8(row.line);
    line.replace("$DIR", dir());
    EXPECT_EQ(parser.parse(line, &diagnostic), row.recognised);
    EXPECT_EQ(diagnostic.file, *row.file ? path(row.file) : QString());
    EXPECT_EQ(diagnostic.line, row.line_);
    EXPECT_EQ(diagnostic.column, row.column);
    EXPECT_EQ(diagnostic.severity, row.severity);
    EXPECT_EQ(diagnostic.message, QString::fromUtf8(row.message));
    EXPECT_EQ(diagnostic.generator, 4);
}

INSTANTIATE_TEST_SUITE_P(
    All, StandardParserTest,
    testing::Values(
        ParsedLine{"RelativeWithColumn", "main.c:12:5: error: expected ';'", true, "main.c", 12,
                   5, 4, "expected ';'"},
        ParsedLine{"AbsoluteWarning", "$DIR/inc/x.h:3: warning: unused", true, "inc/x.h", 3, -1,
                   3, "unused"},
        ParsedLine{"PathAfterAWord", "In file included from $DIR/inc/x.h:7:2,", true, "inc/x.h",
                   7, 2, 0, ""},
        ParsedLine{"NoteKeyword", "main.c:4:1: note: declared here", true, "main.c", 4, 1, 2,
                   "declared here"},
        ParsedLine{"MissingFileKeepsLine", "gone.c:9:1: error: x", true, "", 9, 1, 4, "x"},
        ParsedLine{"LinkerWithoutLocation", "ld: cannot find -lfoo", false, "", -1, -1, 0, ""},
        ParsedLine{"CapitalisedError", "Error: out of memory", true, "", -1, -1, 4,
                   "out of memory"},
        ParsedLine{"InfoIsANote", "Info: done", true, "", -1, -1, 2, "done"},
        ParsedLine{"ErrorBeatsWarning", "x: warning: a error: b", true, "", -1, -1, 4, "b"},
        ParsedLine{"LocationWithoutText", "main.c:12", true, "main.c", 12, -1, 0, ""},
        ParsedLine{"PlainOutput", "collect2: ld returned 1 exit status", false, "", -1, -1, 0,
                   ""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(DiagnosticGeneratorTest, NamesTheTool)
{
    const std::pair<const char *, int> rows[] = {
        {"cc1", 1},   {"cc1plus", 2}, {"as", 3},   {"arm-none-eabi-gcc", 4}, {"gcc", 4},
        {"g++", 5},   {"ld", 6},      {"clang", 7}, {"iccarm", 9},           {"ltollvm", 11},
        {"GCC", 0},   {"cc1x", 0},    {"arm-none-eabi-as", 0},
    };
    for (const auto &[name, generator] : rows)
        EXPECT_EQ(diagnosticGenerator(name), generator) << name;
}

TEST(RegexpParserTest, FirstMatchingPatternWins)
{
    RegexpDiagnosticParser parser;
    EXPECT_FALSE(parser.isConfigured());
    EXPECT_FALSE(parser.setPattern(0, "(unbalanced"));
    EXPECT_TRUE(parser.setPattern(2, "^\"(.+)\", line (\\w+): (.*)$"));
    EXPECT_TRUE(parser.setPattern(4, "^(\\S+)\\((\\d+)\\) : (.*)$"));
    EXPECT_TRUE(parser.isConfigured());
    Diagnostic diagnostic;
    ASSERT_TRUE(parser.parse("\"a.c\", line x17: bad thing", &diagnostic));
    EXPECT_EQ(diagnostic.file, "a.c");
    EXPECT_EQ(diagnostic.line, 0);  // "x17" is no number
    EXPECT_EQ(diagnostic.message, "bad thing");
    ASSERT_TRUE(parser.parse("b.s(4) : odd", &diagnostic));
    EXPECT_EQ(diagnostic.line, 4);
    EXPECT_EQ(diagnostic.column, -1);
    EXPECT_EQ(diagnostic.severity, Diagnostic::Note);
    EXPECT_FALSE(parser.parse("nothing here", &diagnostic));
}

TEST(SarifReaderTest, ReadsResultsOfTheFirstRun)
{
    const QByteArray log = R"({"version":"2.1.0","runs":[{"results":[
        {"ruleId":"-Wunused-variable","level":"warning","message":{"text":"unused 'x'"},
         "locations":[{"physicalLocation":{"artifactLocation":{"uri":"file:///p/a.c"},
                       "region":{"startLine":3,"startColumn":9,"endColumn":10}}}]},
        {"level":"error","message":{"text":"boom"},"locations":[]}]}]})";
    QList<Diagnostic> diagnostics;
    QString error;
    ASSERT_TRUE(readSarifLog(log, 1, &diagnostics, &error)) << error.toStdString();
    ASSERT_EQ(diagnostics.size(), 2);
    EXPECT_EQ(diagnostics[0].file, "/p/a.c");
    EXPECT_EQ(diagnostics[0].line, 3);
    EXPECT_EQ(diagnostics[0].column, 9);
    EXPECT_EQ(diagnostics[0].severity, Diagnostic::Warning);
    EXPECT_EQ(diagnostics[0].message, "unused 'x' [-Wunused-variable]");
    EXPECT_EQ(diagnostics[1].severity, Diagnostic::Error);
    EXPECT_EQ(diagnostics[1].line, -1);
    EXPECT_FALSE(readSarifLog("{\"runs\": 3}", 1, &diagnostics, &error));
    EXPECT_FALSE(readSarifLog("{\"runs\": [", 1, &diagnostics, &error));
}

// What the compilers really print for a file with an unused variable and an undeclared name, run
// through the builder that parses it.
class CompilerOutputTest : public TempDirTest, public testing::WithParamInterface<const char *>
{
};

TEST_P(CompilerOutputTest, ErrorsAndWarningsAreCountedWithTheirLocation)
{
    const QString compiler = GetParam();
    if (QStandardPaths::findExecutable(compiler).isEmpty())
        GTEST_SKIP() << compiler.toStdString() << " is not installed";
    write("bad.c", "int f(void)\n{\n    int unused;\n    return undeclared;\n}\n");
    BuildLog log;
    LogBuilder builder(&log, 0, false);
    builder.beginGroup(nullptr, "Compiling 'bad.c'", "Debug", 0);
    builder.runCommand(dir(), {compiler, "-c", "-Wall", "-fno-diagnostics-color", "bad.c",
                               "-o", path("bad.o")},
                       path("bad.o"));
    int status = 0;
    while (!builder.waitCommand(nullptr, "Debug", &status)) {
    }
    builder.endGroup(nullptr, "Debug");
    EXPECT_NE(status, 0);
    ASSERT_EQ(log.groups().size(), 1);
    const BuildLog::Group &group = log.groups()[0];
    EXPECT_EQ(group.errors, 1);
    EXPECT_EQ(group.warnings, 2);  // the unused variable and the missing return
    EXPECT_EQ(group.notes, 1);
    EXPECT_EQ(group.status, "Terminated");
    bool sawError = false;
    for (const BuildLog::Line &line : group.lines) {
        if (line.kind != BuildLog::ErrorLine)
            continue;
        sawError = true;
        EXPECT_EQ(line.diagnostic.file, path("bad.c"));
        EXPECT_EQ(line.diagnostic.line, 4);
        EXPECT_EQ(line.diagnostic.column, 12);
        EXPECT_TRUE(line.diagnostic.message.contains("undeclared")) << line.text.toStdString();
        EXPECT_EQ(line.diagnostic.generator, 4);
    }
    EXPECT_TRUE(sawError);
}

INSTANTIATE_TEST_SUITE_P(Compilers, CompilerOutputTest,
                         testing::Values("gcc", "arm-none-eabi-gcc"),
                         [](const auto &info) {
                             return std::string(info.index == 0 ? "Host" : "Arm");
                         });

} // namespace
