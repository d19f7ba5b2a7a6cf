#include "qtx/argparse.h"
#include "qtx/diagnosticsink.h"

#include <gtest/gtest.h>

#include "testsupport.h"

#include <QDir>

#include <sstream>

namespace {

// A parser with one option of each kind, logging what it is handed in order.
class RecordingParser : public QTx::ArgParse
{
public:
    explicit RecordingParser(DiagnosticSink *sink) : ArgParse(sink)
    {
        auto record = [this](const QString &name, const QString &value) {
            log << name + "=" + (value.isNull() ? "<null>" : value);
        };
        addOption("-v", Kind::NoArgument, nullptr, &verbose);
        addOption("-o", Kind::NextArgument, &output, nullptr);
        addOption("-I", Kind::AttachedArgument, record);
        addOption("-Ifoo", Kind::AttachedArgument, record);
        addOption("-late", Kind::NextArgument, record, QString(), 2);
        addOption("-n", Kind::NoArgument, record);
    }

    void handleArgument(const QString &argument) override { log << argument; }

    bool verbose = false;
    QString output;
    QStringList log;  // positional arguments and handler calls
};

// Runs in its temporary directory, so that indirect files are named as written.
class ArgParseTest : public TempDirTest
{
protected:
    ArgParseTest() : m_savedDirectory(QDir::currentPath()) { QDir::setCurrent(dir()); }
    ~ArgParseTest() override { QDir::setCurrent(m_savedDirectory); }

    QString m_savedDirectory;
    std::ostringstream m_errors;
    DiagnosticSink m_sink{"tool", m_errors};
    RecordingParser m_parser{&m_sink};
};

struct ParseRow
{
    const char *name;
    QStringList arguments;
    unsigned pass;
    QStringList log;     // then "-v" when the flag is set and "-o=VALUE" when the value is
    const char *errors;  // one line per counted error
};

class ArgParseScan : public ArgParseTest, public testing::WithParamInterface<ParseRow> {};

TEST_P(ArgParseScan, HandsOnArgumentsAndCountsErrors)
{
    write("args", "# only a comment\n-o \"my file\"\n# another\nx y\nw \"unterminated z\n");
    write("tokens", "a \"b c\" d\n\"ab\"cd\n  x\ty  \n");
    write("outer", "a @inner c\n");
    write("inner", "b\n");
    m_parser.parse(GetParam().arguments, GetParam().pass);
    QStringList log = m_parser.log;
    if (m_parser.verbose)
        log << "-v";
    if (!m_parser.output.isNull())
        log << "-o=" + m_parser.output;
    EXPECT_EQ(log, GetParam().log);
    EXPECT_EQ(m_errors.str(), GetParam().errors);
    EXPECT_EQ(m_sink.errorCount(), QString(GetParam().errors).count('\n'));
}

INSTANTIATE_TEST_SUITE_P(Table, ArgParseScan, testing::Values(
    ParseRow{"OptionKinds", {"a", "-v", "", "-o", "out.bin", "-Ipath", "-I", "-n", "b"}, 1,
             {"a", "-I=path", "-I=", "-n=<null>", "b", "-v", "-o=out.bin"}, ""},
    // "-I" sorts before "-Ifoo", so "-Ifoobar" belongs to "-I" with the value "foobar".
    ParseRow{"AttachedPrefixInKeyOrder", {"-Ifoobar", "-Ifoo"}, 1, {"-I=foobar", "-Ifoo="}, ""},
    ParseRow{"OtherPassConsumesSilently", {"-late", "x", "pos"}, 1, {"pos"}, ""},
    ParseRow{"PositionalsOnlyInPassOne", {"-late", "x", "pos", "-v"}, 2, {"-late=x"}, ""},
    // Line numbers count the lines that are not comments; what precedes an open quote
    // on its line is still scanned.
    ParseRow{"IndirectFile", {"@args"}, 1, {"x", "y", "w", "-o=my file"},
             "tool: error: unterminated string in indirect file args(3)\n"},
    ParseRow{"IndirectFileTokens", {"@tokens"}, 1, {"a", "b c", "d", "ab", "cd", "x\ty"}, ""},
    ParseRow{"IndirectFilesNest", {"@outer"}, 1, {"a", "b", "c"}, ""},
    ParseRow{"IndirectFileMissing", {"@none", "after"}, 1, {"after"},
             "tool: error: can't open indirect file none: No such file or directory\n"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ArgParseTest, TokenizeAnswersTheCountOrZeroAfterAnOpenQuote)
{
    QStringList out{"kept"};
    EXPECT_EQ(m_parser.tokenize("f.txt", 7, "\"\" z", out), 3);
    EXPECT_EQ(m_parser.tokenize("f.txt", 7, "a \"open", out), 0);
    EXPECT_EQ(out, QStringList({"kept", "", "z", "a"}));
    EXPECT_EQ(m_errors.str(), "tool: error: unterminated string in indirect file f.txt(7)\n");
}

TEST_F(ArgParseTest, SelfNamingIndirectFilesStop)
{
    write("self", "x\n@self\ny\n");
    m_parser.parse({"@self"}, 1);
    EXPECT_EQ(m_errors.str(), "tool: error: too many indirect files\n");
    EXPECT_EQ(m_parser.log.count("x"), 100);
    EXPECT_EQ(m_parser.log.count("y"), 100);  // the outer levels go on
    // Each level reads the file twice: without an overall bound, 2^100 reads.
    write("twice", "@twice @twice\n");
    m_parser.parse({"@twice"}, 1);
    EXPECT_TRUE(QString::fromStdString(m_errors.str()).endsWith("too many indirect files\n"));
}

} // namespace
