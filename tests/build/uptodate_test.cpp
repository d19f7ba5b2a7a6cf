#include "build/builder.h"
#include "build/projectjob.h"
#include "build/uptodate.h"

#include "projectsystem/projectelement.h"
#include "projectsystem/projectsystem.h"
#include "projectsystem/solution.h"

#include "testsupport.h"

#include <QDateTime>
#include <QFile>

namespace {

// Keeps the information messages of the rule.
class MessageBuilder : public NullBuilder
{
public:
    void information(const QString &text) override { messages.append(text); }
    QStringList messages;
};

// A source, a header and an object with a dependency file, the object written a minute
// after its inputs, so that whole-second comparisons are unambiguous.
class UpToDateTest : public TempDirTest
{
protected:
    void SetUp() override
    {
        write("s.hzp", "<!DOCTYPE TessaStudio_Project_File>\n<solution Name=\"S\">\n"
                       "  <configuration Name=\"Debug\" inherited_configurations=\"Base\" />\n"
                       "  <project Name=\"P\">\n    <file file_name=\"a.c\" />\n"
                       "  </project>\n</solution>\n");
        m_projects.loadSolution(path("s.hzp"));
        m_project = m_projects.findProject("P");
        m_file = m_project->firstChildNode();
        write("a.c", "#include \"a.h\"\n");
        write("inc/a.h", "int a;\n");
        write("a.o", "object");
        write("a.d", "a.o: a.c inc/a.h \\\n  /usr/include/stdio.h\n\ninc/a.h:\n");
        setAge("a.c", 120);
        setAge("inc/a.h", 120);
        setAge("a.d", 60);
        setAge("a.o", 60);
        m_check.output = path("a.o");
        m_check.inputs = QStringList{path("a.c")};
        m_check.dependencyFile = path("a.d");
        m_check.baseDirectory = dir();
    }

    void setAge(const QString &name, int seconds)
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-seconds),
                                     QFileDevice::FileModificationTime));
    }

    bool isCurrent(quint32 options = 0)
    {
        m_builder.messages.clear();
        UpToDateChecker checker(&m_projects);
        return checker.isCurrent(m_file, "Debug", options, m_check, m_builder);
    }

    ProjectSystem m_projects;
    ProjectElement *m_project = nullptr;
    ProjectElement *m_file = nullptr;
    OutputCheck m_check;
    MessageBuilder m_builder;
};

TEST_F(UpToDateTest, CurrentWhenEverythingIsOlder)
{
    EXPECT_TRUE(isCurrent());
    EXPECT_TRUE(m_builder.messages.isEmpty());
}

TEST_F(UpToDateTest, SameSecondIsNotLater)
{
    // Whole seconds decide: a source written in the object's second is not newer.
    const QDateTime second = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch() - 30);
    for (const char *name : {"a.c", "a.o"}) {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        const QDateTime time = second.addMSecs(QByteArray(name) == "a.c" ? 900 : 100);
        ASSERT_TRUE(file.setFileTime(time, QFileDevice::FileModificationTime));
    }
    EXPECT_TRUE(isCurrent());
}

TEST_F(UpToDateTest, TouchedSourceIsLater)
{
    setAge("a.c", 0);
    EXPECT_FALSE(isCurrent());
    ASSERT_EQ(m_builder.messages.size(), 1);
    EXPECT_TRUE(m_builder.messages[0].startsWith(path("a.c") + " ("));
    EXPECT_TRUE(m_builder.messages[0].contains(") is later than " + path("a.o") + " ("));
    EXPECT_TRUE(m_builder.messages[0].endsWith(")."));
}

TEST_F(UpToDateTest, HeaderFromTheDependencyFileCounts)
{
    setAge("inc/a.h", 0);
    EXPECT_FALSE(isCurrent());
    EXPECT_TRUE(m_builder.messages.value(0).startsWith(path("inc/a.h") + " ("));
}

TEST_F(UpToDateTest, MissingHeaderIsNamedAbsolutely)
{
    QFile::remove(path("inc/a.h"));
    EXPECT_FALSE(isCurrent());
    EXPECT_EQ(m_builder.messages, QStringList{path("inc/a.h") + " does not exist."});
}

TEST_F(UpToDateTest, EmptyDependencyFileStandsForItself)
{
    write("a.d", "");
    setAge("a.d", 0);
    EXPECT_FALSE(isCurrent());
    QFile::remove(path("a.d"));
    EXPECT_FALSE(isCurrent());
    EXPECT_EQ(m_builder.messages, QStringList{path("a.d") + " does not exist."});
}

TEST_F(UpToDateTest, MissingOrEmptyOutput)
{
    write("a.o", "");
    EXPECT_FALSE(isCurrent());
    EXPECT_EQ(m_builder.messages, QStringList{path("a.o") + " is empty."});
    m_check.mustNotBeEmpty = false;  // a copy may be empty
    EXPECT_TRUE(isCurrent());
    QFile::remove(path("a.o"));
    EXPECT_FALSE(isCurrent());
    EXPECT_EQ(m_builder.messages, QStringList{path("a.o") + " does not exist."});
}

TEST_F(UpToDateTest, QuietSaysNothing)
{
    QFile::remove(path("a.o"));
    EXPECT_FALSE(isCurrent(ProjectJob::Quiet));
    EXPECT_TRUE(m_builder.messages.isEmpty());
}

TEST_F(UpToDateTest, RebuildAndAlwaysRebuild)
{
    EXPECT_FALSE(isCurrent(ProjectJob::Rebuild));
    m_project->setPropertyValue("Common", "build_always_rebuild", "Yes");
    EXPECT_FALSE(isCurrent());
    m_project->setPropertyValue("Common", "build_always_rebuild", "No");
    m_file->setPropertyValue("Release", "build_always_rebuild", "Yes");  // another configuration
    // Both edits are later than the object, so only the property rule still objects.
    EXPECT_FALSE(isCurrent());
    EXPECT_EQ(m_builder.messages, QStringList{"build_always_rebuild property has changed."});
}

TEST_F(UpToDateTest, PropertyChangeAfterTheOutputCounts)
{
    m_projects.setTracking(true);
    m_project->setPropertyValue("Base", "c_preprocessor_definitions", "X");  // inherited
    EXPECT_FALSE(isCurrent());
    EXPECT_EQ(m_builder.messages, QStringList{"c_preprocessor_definitions property has changed."});
    write("a.o", "newer object");  // written after the change
    EXPECT_TRUE(isCurrent());
}

TEST_F(UpToDateTest, ChangeInAnUnrelatedConfigurationDoesNotCount)
{
    m_project->setPropertyValue("Release", "c_preprocessor_definitions", "X");
    EXPECT_TRUE(isCurrent());
}

TEST_F(UpToDateTest, ClockSkewIsReportedButCompared)
{
    QFile file(path("inc/a.h"));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(3600),
                                 QFileDevice::FileModificationTime));
    EXPECT_FALSE(isCurrent());
    ASSERT_EQ(m_builder.messages.size(), 2);
    EXPECT_EQ(m_builder.messages[0], "clock skew detected on " + path("inc/a.h") + ".");
    EXPECT_TRUE(m_builder.messages[1].contains(") is later than "));
}

TEST_F(UpToDateTest, AlternativeDirectoryIsTriedForAbsoluteNames)
{
    write("sysroot/usr/include/stdio.h", "");
    setAge("sysroot/usr/include/stdio.h", 120);
    write("a.d", "a.o: a.c /usr/include/missing-header.h\n");
    write("sysroot/usr/include/missing-header.h", "");
    setAge("sysroot/usr/include/missing-header.h", 120);
    setAge("a.d", 60);
    EXPECT_FALSE(isCurrent());
    m_check.alternativeDirectory = path("sysroot");
    EXPECT_TRUE(isCurrent());
}

struct DependencyText
{
    const char *name;
    const char *text;
    QStringList names;
};

class DependencyFileTest : public testing::TestWithParam<DependencyText>
{
};

TEST_P(DependencyFileTest, ListsThePrerequisites)
{
    EXPECT_EQ(UpToDateChecker::readDependencyFile(GetParam().text), GetParam().names);
}

INSTANTIATE_TEST_SUITE_P(
    All, DependencyFileTest,
    testing::Values(
        DependencyText{"OneLine", "x.o: x.c x.h\n", {"x.c", "x.h"}},
        DependencyText{"Continued", "x.o: x.c \\\n /a/b.h \\\r\n c.h\n", {"x.c", "/a/b.h", "c.h"}},
        DependencyText{"PhonyHeaderRules", "x.o: x.c x.h\n\nx.h:\n", {"x.c", "x.h"}},
        DependencyText{"EscapedBlank", "x.o: My\\ Files/x.c\n", {"My Files/x.c"}},
        DependencyText{"SeparateColon", "x.o : x.c\n", {"x.c"}},
        DependencyText{"TwoTargets", "x.o x.d: x.c\n", {"x.c"}},
        DependencyText{"Empty", "", {}}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
