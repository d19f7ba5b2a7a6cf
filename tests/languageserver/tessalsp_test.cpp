#include "testsupport.h"

#include <gmock/gmock.h>

#include <QFileInfo>

using testing::HasSubstr;

namespace {

const QByteArray source = "int main()\n{\n    return 0;\n}\n";

class TessaLspTest : public TempDirTest
{
protected:
    void SetUp() override { write("a.cpp", source); }

    // The scripted server with its own arguments; "DIR" stands for the temporary directory.
    QStringList fake(const QStringList &script) const
    {
        QStringList arguments{"-server", LSP_FAKE_SERVER, "-arg", "-log", "-arg", path("wire.log")};
        for (const QString &argument : script)
            arguments << "-arg" << QString(argument).replace("DIR", dir());
        return arguments;
    }

    ToolResult run(const QStringList &arguments) { return runTool("tessalsp", arguments, dir()); }

    QByteArray expand(QByteArray text) const { return text.replace("DIR", dir().toUtf8()); }

    int wireCount(const QByteArray &method) const
    {
        return read("wire.log").count(R"("method":")" + method + '"');
    }
};

const char hoverEcho[] =
    R"({"method":"textDocument/hover","params":{"position":{"character":4,"line":2},)"
    R"("textDocument":{"uri":"file://DIR/a.cpp"}}})" "\n";

struct ToolRun
{
    const char *name;
    QStringList script;    // the fake server's arguments
    QStringList commands;  // options, FILE and COMMANDs
    QByteArray out;
    int exitCode;
};

class TessaLspRun : public TessaLspTest, public testing::WithParamInterface<ToolRun> {};

} // namespace

TEST_P(TessaLspRun, PrintsOneLinePerCommand)
{
    const ToolRun &row = GetParam();
    const ToolResult result =
        run(fake(row.script) + row.commands);
    EXPECT_EQ(result.out, expand(row.out));
    EXPECT_EQ(result.err, QByteArray());
    EXPECT_EQ(result.exitCode, row.exitCode);
    EXPECT_EQ(wireCount("shutdown"), 1);
    EXPECT_EQ(wireCount("exit"), 1);
}

// Rows that expect an expiry shorten it to 300 ms.
INSTANTIATE_TEST_SUITE_P(All, TessaLspRun, testing::Values(
    ToolRun{"SameCommandTwice", {}, {"a.cpp", "hover", "3:5", "hover", "3:5"},
        QByteArray(hoverEcho) + hoverEcho, 0},
    ToolRun{"RenameAndDocumentRequests", {}, {"a.cpp", "rename", "1:2", "n\"ew", "tokens"},
        R"({"method":"textDocument/rename","params":{"newName":"n\"ew","position":)"
        R"({"character":1,"line":0},"textDocument":{"uri":"file://DIR/a.cpp"}}})" "\n"
        R"({"method":"textDocument/semanticTokens/full","params":)"
        R"({"textDocument":{"uri":"file://DIR/a.cpp"}}})" "\n", 0},
    ToolRun{"ErrorResponse", {"-on", "textDocument/definition", "error"},
        {"a.cpp", "definition", "1:1"}, "error -32601 no such method\n", 0},
    ToolRun{"NoAnswerExpires", {"-on", "textDocument/hover", "silent"},
        {"-timeout", "300", "a.cpp", "hover", "3:5", "hover", "3:5"},
        "error expired\nerror expired\n", 1},
    ToolRun{"LateAnswerIsDropped", {"-on", "textDocument/completion", "late"},
        {"-timeout", "300", "a.cpp", "complete", "1:1", "hover", "3:5"},
        "error expired\n" + QByteArray(hoverEcho), 1},
    ToolRun{"DiesAndIsRestarted", {"-on", "textDocument/hover", "die", "-once", "DIR/marker"},
        {"a.cpp", "hover", "3:5"}, hoverEcho, 0},
    ToolRun{"DiesMidMessage", {"-on", "textDocument/hover", "halfdie", "-once", "DIR/marker"},
        {"a.cpp", "hover", "3:5"}, hoverEcho, 0},
    ToolRun{"GarbageAndSplitAnswers", {"-on", "textDocument/hover", "garbage", "-on",
        "textDocument/documentSymbol", "split"}, {"a.cpp", "hover", "3:5", "symbols"},
        QByteArray(hoverEcho)
            + R"({"method":"textDocument/documentSymbol","params":)"
              R"({"textDocument":{"uri":"file://DIR/a.cpp"}}})" "\n", 0},
    ToolRun{"PublishedDiagnostics", {"-on", "textDocument/didOpen", "diagnose"},
        {"a.cpp", "diagnostics"}, R"({"diagnostics":[],"uri":"file://DIR/a.cpp"})" "\n", 0},
    ToolRun{"NoDiagnostics", {}, {"-timeout", "300", "a.cpp", "diagnostics"},
        "error expired\n", 1}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(TessaLspTest, ReopensTheFileAfterARestart)
{
    const ToolResult result = run(fake({"-on", "textDocument/hover", "die", "-once",
                                        "DIR/marker"}) + QStringList{"a.cpp", "hover", "3:5"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(wireCount("initialize"), 2);
    EXPECT_EQ(wireCount("textDocument/didOpen"), 2);
    EXPECT_EQ(wireCount("textDocument/hover"), 2);
}

TEST_F(TessaLspTest, GivesUpAfterTenRestarts)
{
    const ToolResult result = run(fake({"-on", "textDocument/hover", "die"})
                                  + QStringList{"-trace", "t.log", "a.cpp", "hover", "3:5"});
    EXPECT_EQ(result.out, "error server stopped\n");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(wireCount("textDocument/hover"), 11);
    EXPECT_EQ(read("t.log").count("Restarting server\n"), 10);
}

TEST_F(TessaLspTest, TraceHoldsTheProtocolLog)
{
    const ToolResult result = run(fake({}) + QStringList{"-trace", "t.log", "a.cpp", "hover",
                                                         "3:5"});
    EXPECT_EQ(result.exitCode, 0);
    const QByteArray trace = read("t.log");
    EXPECT_TRUE(trace.startsWith("Write:\n{\n    \"id\": 1,\n    \"jsonrpc\": \"2.0\",\n"
                                 "    \"method\": \"initialize\",\n"));
    EXPECT_THAT(trace.toStdString(),
                HasSubstr("Read:\n{\n    \"id\": 2,\n    \"jsonrpc\": \"2.0\",\n    \"result\": {\n"
                          "        \"method\": \"textDocument/hover\",\n"));
    EXPECT_TRUE(trace.endsWith("Write:\n{\n    \"jsonrpc\": \"2.0\",\n    \"method\": \"exit\",\n"
                               "    \"params\": {\n    }\n}\n"
                               "Language server process finished 0 0\n"));
}

TEST_F(TessaLspTest, RefusesBadCommandLines)
{
    struct Row { const char *name; QStringList arguments; const char *err; };
    const Row rows[] = {
        {"UnknownCommand", {"a.cpp", "hover", "1:1", "jump"}, "unknown command 'jump'"},
        {"LineZero", {"a.cpp", "hover", "0:1"}, "invalid line '0'"},
        {"NoColumn", {"a.cpp", "hover", "3"}, "invalid position '3' (use LINE:COLUMN)"},
        {"RenameWithoutName", {"a.cpp", "rename", "1:1"}, "missing arguments of 'rename'"},
        {"NoCommand", {"a.cpp"}, "no command given (try -help)"},
        {"UnknownLanguage", {"a.txt", "symbols"},
         "unknown language of 'a.txt' (use .c, .h, .cpp, .cc, .cxx or .hpp)"},
        {"MissingFile", {"b.cpp", "symbols"}, "cannot open 'b.cpp'"},
        {"NoSuchServer", {"-server", "/nonexistent/server", "a.cpp", "symbols"},
         "tessalsp: error: cannot start '/nonexistent/server': "},
        {"ClangdThroughTheMacro", {"-D", "CLANGD=/nonexistent/clangd", "a.cpp", "symbols"},
         "tessalsp: error: cannot start '/nonexistent/clangd': "},
    };
    write("a.txt", source);
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const ToolResult result = run(row.arguments);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.out, QByteArray());
        EXPECT_THAT(result.err.toStdString(), HasSubstr(row.err));
    }
}

// One clangd for all the services; the header is found only through -I.
TEST_F(TessaLspTest, AnswersFromClangd)
{
    if (!QFileInfo::exists("/usr/bin/clangd"))
        GTEST_SKIP() << "clangd is not installed at /usr/bin/clangd";
    write("inc/shape.h", "struct Shape { int width; int height; };\n");
    write("a.cpp", "#include \"shape.h\"\n"
                   "int area(const Shape &s)\n"
                   "{\n"
                   "    int total = s.width * s.height;\n"
                   "    return total;\n"
                   "}\n"
                   "int twice(int v) { return missing(v*2); }\n");
    // The diagnostics come first: they wait until the file is parsed, after which
    // completion knows the members.
    const ToolResult result = run({"-D", "CLANGD=/usr/bin/clangd", "-I", path("inc"), "a.cpp",
                                   "diagnostics", "complete", "4:19", "definition", "4:20",
                                   "hover", "2:5", "references", "4:9", "rename", "4:9", "sum",
                                   "symbols", "format"});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QList<QByteArray> lines = result.out.split('\n');
    ASSERT_EQ(lines.size(), 9) << result.out.toStdString();
    const char *expected[] = {
        R"("message":"Use of undeclared identifier 'missing'","range":{"end":{"character":33,)"
        R"("line":6},"start":{"character":26,"line":6}})",
        R"("filterText":"height","insertText":"height","insertTextFormat":1,"kind":5,)",
        R"({"range":{"end":{"character":24,"line":0},"start":{"character":19,"line":0}},)"
        R"("uri":"file://)" "DIR/inc/shape.h\"}]",
        "function area",
        R"({"range":{"end":{"character":16,"line":4},"start":{"character":11,"line":4}},)"
        R"("uri":"file://)" "DIR/a.cpp\"}]",
        R"({"newText":"sum","range":{"end":{"character":16,"line":4},)",
        R"("name":"twice")",
        R"({"newText":" ","range":{"end":{"character":35,"line":6},"start":{"character":35,)",
    };
    for (int i = 0; i < 8; ++i)
        EXPECT_THAT(lines.at(i).toStdString(), HasSubstr(expand(expected[i]).toStdString()));
}
