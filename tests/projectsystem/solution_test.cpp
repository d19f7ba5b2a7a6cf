#include "projectsystem/projectelement.h"
#include "projectsystem/projectsystem.h"
#include "projectsystem/solution.h"
#include "qtx/hexception.h"

#include "testsupport.h"

#include <QDir>
#include <QFile>

namespace {

const QByteArray header = "<!DOCTYPE TessaStudio_Project_File>\n";

class SolutionTest : public TempDirTest
{
protected:
    // Loads `text` written to `name`, returning the error the load raised.
    SolutionLoadError loadError(const QString &name, const QByteArray &text)
    {
        write(name, text);
        try {
            m_system.loadSolution(path(name));
        } catch (const SolutionLoadError &error) {
            return error;
        }
        ADD_FAILURE() << "no SolutionLoadError for " << text.constData();
        return SolutionLoadError(QString(), QString());
    }

    Solution *load(const QString &name, const QByteArray &text)
    {
        write(name, text);
        return m_system.loadSolution(path(name));
    }

    StandardProjectSystem m_system;
};

} // namespace

TEST_F(SolutionTest, MissingFileDoesNotExist)
{
    const QString missing = path("missing.hzp");
    try {
        m_system.loadSolution(missing);
        FAIL();
    } catch (const SolutionLoadError &error) {
        EXPECT_EQ(error.message(), missing + " does not exist");
        EXPECT_EQ(error.fileName(), missing);
        EXPECT_EQ(error.line(), 0);
        EXPECT_EQ(error.column(), -1);
    }
}

TEST_F(SolutionTest, DirectoriesAndDevicesCannotAccess)
{
    QDir().mkpath(path("dir.hzp"));
    for (const QString &name : {path("dir.hzp"), QString("/dev/zero")}) {
        try {
            m_system.loadSolution(name);
            FAIL();
        } catch (const SolutionLoadError &error) {
            EXPECT_EQ(error.message(), name + " cannot access");
        }
    }
}

TEST_F(SolutionTest, OtherDocumentTypesAreNotSolutionFiles)
{
    const QByteArray texts[] = {
        "<!DOCTYPE TessaStudio_Settings_File>\n<solution Name=\"S\"/>\n",
        "<solution Name=\"S\"/>\n",
        QByteArray("\x7f" "ELF\x02\x01\x01\x00\x00\x00", 10),
        "",
        "<!DOCTYPE TessaStudio_Settings_File>\n<a><b></a>",
    };
    for (const QByteArray &text : texts) {
        const SolutionLoadError error = loadError("x.hzp", text);
        EXPECT_EQ(error.message(), path("x.hzp") + " not a solution file");
    }
}

TEST_F(SolutionTest, MalformedXmlNamesLineAndFault)
{
    const SolutionLoadError error =
        loadError("bad.hzp", header + "<solution>\n  <project Name=\"P\">\n  </folder>\n"
                                      "</solution>\n");
    EXPECT_EQ(error.message(), path("bad.hzp") + " is a malformed solution file (bad XML)");
    EXPECT_EQ(error.line(), 4);
    EXPECT_EQ(error.column(), 3);
    EXPECT_EQ(error.detail(), QString("tagName mismatch"));
    EXPECT_EQ(error.text(), path("bad.hzp") + " is a malformed solution file (bad XML): "
                                              "line 4, column 3: tagName mismatch");
}

TEST_F(SolutionTest, MalformedInputNeverCrashes)
{
    QByteArray deep = header;
    for (int i = 0; i < 10000; ++i)
        deep += "<solution>";
    const QByteArray texts[] = {
        deep,
        header + "<solution Name=\"" + QByteArray(1 << 20, 'n'),
        header + "<solution><project Name=\"P\"></solution>",
        header + "<solution>\x01\x02\x03<<<&&&;</solution>",
        header + "<solution><",
    };
    for (const QByteArray &text : texts) {
        const SolutionLoadError error = loadError("m.hzp", text);
        EXPECT_EQ(error.message(), path("m.hzp") + " is a malformed solution file (bad XML)");
        EXPECT_FALSE(error.detail().isEmpty());
    }
    EXPECT_TRUE(m_system.solutions().empty());
}

TEST_F(SolutionTest, RootMustBeSolution)
{
    const SolutionLoadError error = loadError("p.hzp", header + "<project Name=\"P\"/>\n");
    EXPECT_EQ(error.message(), path("p.hzp") + " is a malformed solution file (bad XML)");
}

TEST_F(SolutionTest, SecondLoadOfSameFileIsRefused)
{
    load("s.hzp", header + "<solution Name=\"S\"/>\n");
    const QString relative = QDir::current().relativeFilePath(path("s.hzp"));
    try {
        m_system.loadSolution(relative);
        FAIL();
    } catch (const SolutionLoadError &error) {
        EXPECT_EQ(error.message(), relative + " solution already loaded");
    }
    EXPECT_EQ(m_system.solutions().size(), 1u);
}

TEST_F(SolutionTest, UnknownAttributesAreWarningsNotErrors)
{
    Solution *solution = load("w.hzp", header + "<solution Name=\"S\" bogus=\"1\">\n"
                                                "  <configuration Name=\"Debug\" nope=\"x\" "
                                                "c_preprocessor_definitions=\"D\" />\n"
                                                "  <import with_source=\"Yes\" />\n"
                                                "</solution>\n");
    ASSERT_EQ(solution->warnings().size(), 2);
    EXPECT_EQ(solution->warnings().at(0).message,
              QString("Can't find property for attribute 'bogus' of solution 'S'"));
    EXPECT_EQ(solution->warnings().at(0).line, 2);
    EXPECT_EQ(solution->warnings().at(1).message,
              QString("Can't find property for attribute 'nope' of configuration 'Debug' "
                      "of solution 'S'"));
    EXPECT_EQ(solution->warnings().at(1).line, 3);
}

TEST_F(SolutionTest, LoadCommandsRunWithEnvironmentInSolutionDirectory)
{
    load("l.hzp", header + "<solution Name=\"S\" load_command=\"sh -c 'echo $A-$B &gt; one' "
                           "&amp;&amp; touch two\" load_command_environment=\"A=x;;B=y\" />\n");
    EXPECT_EQ(read("one"), QByteArray("x-y\n"));
    EXPECT_FALSE(read("two").isNull());
}

TEST_F(SolutionTest, LoadCommandsSeeSolutionMacros)
{
    load("m.hzp", header + "<solution Name=\"Macro\" load_command=\"touch $(SolutionName).txt\" />");
    EXPECT_FALSE(read("Macro.txt").isNull());
}

TEST_F(SolutionTest, LoadCommandCrashing)
{
    const SolutionLoadError error =
        loadError("l.hzp", header + "<solution load_command=\"kill -SEGV $$$$\" />\n");
    EXPECT_EQ(error.message(), QString("solution load command failed (crashed): kill -SEGV $$"));
}

TEST_F(SolutionTest, LoadCommandNotFound)
{
    const SolutionLoadError error =
        loadError("l.hzp", header + "<solution load_command=\"true &amp;&amp; "
                                    "no-such-command-here x\" />\n");
    EXPECT_EQ(error.message(),
              QString("solution load command \"no-such-command-here x\" not found"));
}

TEST_F(SolutionTest, LoadCommandFailing)
{
    const SolutionLoadError error =
        loadError("l.hzp", header + "<solution load_command=\"sh -c 'exit 3'\" />\n");
    EXPECT_EQ(error.message(),
              QString("solution load command failed (exit status 3): sh -c 'exit 3'"));
    EXPECT_TRUE(m_system.solutions().empty());
}

TEST_F(SolutionTest, SaveAddsTargetAndDocumentTypeAndSortsAttributes)
{
    Solution *solution = load("s.hzp", "<?xml version=\"1.0\"?>\n<!DOCTYPE TessaStudio_Project_File>"
                                       "<solution z_last=\"1\" Name=\"S\"><project "
                                       "Name=\"P\"/></solution>");
    EXPECT_TRUE(solution->save());
    EXPECT_EQ(read("s.hzp"), QByteArray("<?xml  version=\"1.0\" ?>\n"
                                        "<!DOCTYPE TessaStudio_Project_File>\n"
                                        "<solution Name=\"S\" target=\"8\" z_last=\"1\">\n"
                                        "  <project Name=\"P\" />\n"
                                        "</solution>\n"));
}

TEST_F(SolutionTest, SaveKeepsExistingTargetAndUsesSystemTarget)
{
    Solution *kept = load("a.hzp", header + "<solution Name=\"A\" target=\"3\"/>");
    m_system.setTargetNumber(12);
    ASSERT_TRUE(kept->save());
    EXPECT_EQ(read("a.hzp"), header + "<solution Name=\"A\" target=\"3\" />\n");
    Solution *set = load("b.hzp", header + "<solution Name=\"B\"/>");
    ASSERT_TRUE(set->save());
    EXPECT_EQ(read("b.hzp"), header + "<solution Name=\"B\" target=\"12\" />\n");
}

TEST_F(SolutionTest, SaveDropsFileNameOfLinkedSolution)
{
    Solution *solution = load("k.hzp", header + "<solution Name=\"K\" file_name=\"k.hzp\" "
                                                "target=\"8\"/>");
    solution->root()->setLinked(true);
    ASSERT_TRUE(solution->save());
    EXPECT_FALSE(solution->root()->isLinked());
    EXPECT_EQ(read("k.hzp"), header + "<solution Name=\"K\" target=\"8\" />\n");
}

TEST_F(SolutionTest, SaveFailureLeavesMessage)
{
    Solution *solution = load("f.hzp", header + "<solution Name=\"F\"/>");
    EXPECT_FALSE(solution->saveAs(path("no/such/dir/f.hzp")));
    EXPECT_EQ(solution->errorText(),
              "Can't open " + QDir::cleanPath(path("no/such/dir/f.hzp")) + " for writing");
    EXPECT_EQ(solution->path(), QDir::cleanPath(path("f.hzp")));
}

TEST_F(SolutionTest, ExampleSolutionRoundTripsByteForByte)
{
    const QByteArray original = readFile(sourcePath("examples/blinky/blinky.hzp"));
    ASSERT_FALSE(original.isEmpty());
    Solution *solution = load("blinky.hzp", original);
    EXPECT_TRUE(solution->warnings().isEmpty());
    ASSERT_TRUE(solution->save());
    EXPECT_EQ(read("blinky.hzp"), original);
}

TEST_F(SolutionTest, EditsMarkModifiedAndRecordChanges)
{
    Solution *solution = load("e.hzp", header + "<solution Name=\"S\"><project Name=\"P\">"
                                                "<file file_name=\"a.c\"/></project></solution>");
    EXPECT_FALSE(solution->isModified());
    ProjectElement *file = m_system.findProject("P")->firstChildNode();
    ASSERT_EQ(file->kind(), NodeKind::File);
    file->setPropertyValue("Debug", "c_preprocessor_definitions", "X=1");
    EXPECT_TRUE(file->isModified());
    EXPECT_TRUE(solution->isModified());
    ProjectElement *debug = file->configuration("Debug");
    ASSERT_TRUE(debug);
    EXPECT_EQ(debug->attribute("c_preprocessor_definitions"), QByteArray("X=1"));
    ASSERT_EQ(m_system.changes().size(), 1u);
    EXPECT_EQ(m_system.changes().front().node, file);
    EXPECT_EQ(m_system.changes().front().configuration, QString("Debug"));
    EXPECT_EQ(m_system.changes().front().propertyName, QString("c_preprocessor_definitions"));
    EXPECT_GT(m_system.changes().front().time, 0);

    ASSERT_TRUE(solution->save());
    EXPECT_FALSE(solution->isModified());
    EXPECT_EQ(read("e.hzp"), header + "<solution Name=\"S\" target=\"8\">\n"
                                      "  <project Name=\"P\">\n"
                                      "    <file file_name=\"a.c\">\n"
                                      "      <configuration Name=\"Debug\" "
                                      "c_preprocessor_definitions=\"X=1\" />\n"
                                      "    </file>\n"
                                      "  </project>\n"
                                      "</solution>\n");

    EXPECT_TRUE(file->removePropertyValue("Debug", "c_preprocessor_definitions"));
    EXPECT_FALSE(file->removePropertyValue("Debug", "c_preprocessor_definitions"));
    EXPECT_FALSE(file->removePropertyValue("Release", "c_preprocessor_definitions"));
    EXPECT_EQ(m_system.changes().size(), 2u);
}

TEST_F(SolutionTest, UntrackedEditsAreNotRecorded)
{
    load("u.hzp", header + "<solution Name=\"S\"><project Name=\"P\"/></solution>");
    ProjectElement *project = m_system.findProject("P");
    m_system.setTracking(false);
    project->setAttribute("Name", QString("Q"));
    EXPECT_FALSE(project->isModified());
    project->setPropertyValue("Common", "project_type", "Library");
    EXPECT_TRUE(project->isModified());  // a property edit always marks its node
    EXPECT_TRUE(m_system.changes().empty());
}

TEST_F(SolutionTest, NewConfigurationGoesAfterExistingOnes)
{
    load("c.hzp", header + "<solution Name=\"S\"><project Name=\"P\">"
                           "<configuration Name=\"Common\"/><folder Name=\"F\"/>"
                           "</project></solution>");
    ProjectElement *project = m_system.findProject("P");
    project->setPropertyValue("Debug", "project_type", "Library");
    QStringList order;
    for (ProjectElement *child = project->firstChildNode(); child;
         child = child->nextSiblingNode()) {
        order.append(child->description());
    }
    EXPECT_EQ(order, QStringList({"configuration 'Common' of project 'P'",
                                  "configuration 'Debug' of project 'P'", "folder 'F'"}));
}

TEST_F(SolutionTest, ClosingForgetsRecordedChanges)
{
    Solution *solution = load("x.hzp", header + "<solution Name=\"S\"><project Name=\"P\"/>"
                                                "</solution>");
    m_system.findProject("P")->setPropertyValue("Common", "project_type", "Library");
    m_system.setActiveProject(m_system.findProject("P"));
    m_system.closeSolution(solution);
    EXPECT_TRUE(m_system.changes().empty());
    EXPECT_EQ(m_system.activeProject(), nullptr);
    EXPECT_EQ(m_system.findProject("P"), nullptr);
}
