#include "qtx/argparse.h"
#include "qtx/diagnosticsink.h"

#include <gtest/gtest.h>

#include "testsupport.h"

#include <sstream>

namespace {

// A parser with one option of each kind, recording what it is handed.
class RecordingParser : public QTx::ArgParse
{
public:
    explicit RecordingParser(DiagnosticSink *sink) : ArgParse(sink)
    {
        auto record = [this](const QString &name, const QString &value) {
            calls << name + "=" + (value.isNull() ? "<null>" : value);
        };
        addOption("-v", Kind::NoArgument, nullptr, &verbose);
        addOption("-o", Kind::NextArgument, &output, nullptr);
        addOption("-I", Kind::AttachedArgument, record);
        addOption("-Ifoo", Kind::AttachedArgument, record);
        addOption("-late", Kind::NextArgument, record, QString(), 2);
        addOption("-n", Kind::NoArgument, record);
    }

    void handleArgument(const QString &argument) override { positional << argument; }

    bool verbose = false;
    QString output;
    QStringList calls;
    QStringList positional;
};

} // namespace

class ArgParseTest : public TempDirTest
{
protected:
    QString errors() const { return QString::fromLocal8Bit(m_stream.str().c_str()); }
    QStringList tokens(const QString &line, int *count = nullptr)
    {
        QStringList out;
        const int n = m_parser.tokenize("f.txt", 7, line, out);
        if (count)
            *count = n;
        return out;
    }

    std::ostringstream m_stream;
    DiagnosticSink m_sink{"tool", m_stream};
    RecordingParser m_parser{&m_sink};
};

TEST_F(ArgParseTest, OptionKindsAndPositionals)
{
    m_parser.parse({"a", "-v", "", "-o", "out.bin", "-Ipath", "-I", "-n", "b"}, 1);
    EXPECT_TRUE(m_parser.verbose);
    EXPECT_EQ(m_parser.output, QString("out.bin"));
    EXPECT_EQ(m_parser.calls, QStringList({"-I=path", "-I=", "-n=<null>"}));
    EXPECT_EQ(m_parser.positional, QStringList({"a", "b"}));
    EXPECT_EQ(m_sink.errorCount(), 0);
}

TEST_F(ArgParseTest, AttachedPrefixTakenInKeyOrder)
{
    // "-I" sorts before "-Ifoo", so "-Ifoobar" belongs to "-I" with the value "foobar".
    m_parser.parse({"-Ifoobar", "-Ifoo"}, 1);
    EXPECT_EQ(m_parser.calls, QStringList({"-I=foobar", "-Ifoo="}));
}

TEST_F(ArgParseTest, NoArgumentOptionWithTrailingTextIsUnrecognised)
{
    m_parser.parse({"-vx", "-nofail"}, 1);
    EXPECT_FALSE(m_parser.verbose);
    EXPECT_EQ(errors(), QString("tool: error: unrecognised option -vx\n"
                                "tool: error: unrecognised option -nofail\n"));
    EXPECT_EQ(m_sink.errorCount(), 2);
}

TEST_F(ArgParseTest, MissingNextArgumentEndsTheScan)
{
    m_parser.parse({"-o"}, 1);
    EXPECT_EQ(errors(), QString("tool: error: expected argument for option -o\n"));
    EXPECT_EQ(m_sink.errorCount(), 1);
}

TEST_F(ArgParseTest, OtherPassConsumesSilently)
{
    m_parser.parse({"-late", "x", "pos"}, 1);
    EXPECT_TRUE(m_parser.calls.isEmpty());
    EXPECT_EQ(m_parser.positional, QStringList{"pos"});
    m_parser.parse({"-late", "x", "pos", "-v"}, 2);
    EXPECT_EQ(m_parser.calls, QStringList{"-late=x"});
    EXPECT_EQ(m_parser.positional, QStringList{"pos"});  // positionals only in pass 1
    EXPECT_FALSE(m_parser.verbose);
}

TEST_F(ArgParseTest, TokenizeQuotesAndBlanks)
{
    EXPECT_EQ(tokens("a \"b c\" d"), QStringList({"a", "b c", "d"}));
    EXPECT_EQ(tokens("\"ab\"cd"), QStringList({"ab", "cd"}));
    EXPECT_EQ(tokens("  x\ty  "), QStringList({"x\ty"}));  // a tab is no separator
    EXPECT_EQ(tokens("\"\" z"), QStringList({"", "z"}));
    int count = -1;
    EXPECT_EQ(tokens("a \"open", &count), QStringList({"a"}));
    EXPECT_EQ(count, 0);
    EXPECT_EQ(errors(), QString("tool: error: unterminated string in indirect file f.txt(7)\n"));
}

TEST_F(ArgParseTest, IndirectFileCommentsAndLineNumbers)
{
    write("args", "# only a comment\n-o \"my file\"\n# another\nx y\n\"unterminated z\n");
    m_parser.parse({"@" + path("args")}, 1);
    EXPECT_EQ(m_parser.output, QString("my file"));
    EXPECT_EQ(m_parser.positional, QStringList({"x", "y"}));
    // The third non-comment line is the faulty one.
    EXPECT_EQ(errors(), "tool: error: unterminated string in indirect file " + path("args")
                            + "(3)\n");
}

TEST_F(ArgParseTest, IndirectFilesNest)
{
    write("outer", "a @" + path("inner").toUtf8() + " c\n");
    write("inner", "b\n");
    m_parser.parse({"@" + path("outer")}, 1);
    EXPECT_EQ(m_parser.positional, QStringList({"a", "b", "c"}));
}

TEST_F(ArgParseTest, MissingIndirectFileNamesSystemError)
{
    m_parser.parse({"@" + path("none"), "after"}, 1);
    EXPECT_EQ(errors(), "tool: error: can't open indirect file " + path("none")
                            + ": No such file or directory\n");
    EXPECT_EQ(m_parser.positional, QStringList{"after"});
}

TEST_F(ArgParseTest, SelfNamingIndirectFileStopsAtDepthLimit)
{
    write("self", "x\n@" + path("self").toUtf8() + "\ny\n");
    m_parser.parse({"@" + path("self")}, 1);
    EXPECT_EQ(errors(), QString("tool: error: too many indirect files\n"));
    EXPECT_EQ(m_parser.positional.count("x"), 100);
    EXPECT_EQ(m_parser.positional.count("y"), 100);  // the outer levels go on
}

TEST_F(ArgParseTest, IndirectFileNamingItselfTwiceStillEnds)
{
    // Each level would read the file twice: without an overall bound 2^100 reads.
    write("twice", "@" + path("twice").toUtf8() + " @" + path("twice").toUtf8() + "\n");
    m_parser.parse({"@" + path("twice")}, 1);
    EXPECT_GE(m_sink.errorCount(), 1);
    EXPECT_TRUE(errors().endsWith("tool: error: too many indirect files\n"));
}
