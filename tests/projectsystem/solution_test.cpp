#include "projectsystem/projectelement.h"
#include "projectsystem/projectsystem.h"
#include "projectsystem/solution.h"

#include "testsupport.h"

#include <QDir>

namespace {

const QByteArray header = "<!DOCTYPE TessaStudio_Project_File>\n";

class SolutionTest : public TempDirTest
{
protected:
    Solution *load(const QString &name, const QByteArray &text)
    {
        write(name, text);
        return m_system.loadSolution(path(name));
    }

    SolutionLoadError loadError(const QString &file)
    {
        try {
            m_system.loadSolution(file);
        } catch (const SolutionLoadError &error) {
            return error;
        }
        ADD_FAILURE() << "no SolutionLoadError for " << file.toStdString();
        return SolutionLoadError(QString(), QString());
    }

    // "@" stands for the test's directory.
    QString inDir(const char *text) const { return QString(text).replace("@", dir()); }

    QStringList children(const ProjectElement *node) const
    {
        QStringList descriptions;
        for (ProjectElement *child = node->firstChildNode(); child;
             child = child->nextSiblingNode()) {
            descriptions.append(child->description());
        }
        return descriptions;
    }

    StandardProjectSystem m_system;
};

// --- Load errors --------------------------------------------------------------------------

struct LoadErrorCase
{
    const char *name;
    QByteArray main;   // loaded as main.hzp; "-" for none
    QByteArray other;  // written as other.hzp unless empty
    const char *message;
    const char *fileName;
    const char *detail;  // contained in the error's detail
};

class SolutionLoadErrorTest : public SolutionTest,
                              public testing::WithParamInterface<LoadErrorCase> {};

TEST_P(SolutionLoadErrorTest, RefusesNamingTheFile)
{
    if (GetParam().main != "-")
        write("main.hzp", GetParam().main);
    if (!GetParam().other.isEmpty())
        write("other.hzp", GetParam().other);
    const SolutionLoadError error = loadError(path("main.hzp"));
    EXPECT_EQ(error.message(), inDir(GetParam().message));
    EXPECT_EQ(error.fileName(), inDir(GetParam().fileName));
    EXPECT_TRUE(error.detail().contains(inDir(GetParam().detail))) << error.text().toStdString();
    EXPECT_TRUE(m_system.solutions().empty());
}

const char *const notOurs = "@/main.hzp not a solution file";
const char *const malformed = "@/main.hzp is a malformed solution file (bad XML)";
const QByteArray linkOther = header + "<solution>\n\n  <solution file_name=\"other.hzp\" />\n"
                                      "</solution>\n";
const QByteArray command = header + "<solution load_command=";

INSTANTIATE_TEST_SUITE_P(All, SolutionLoadErrorTest, testing::Values(
    LoadErrorCase{"Missing", "-", "", "@/main.hzp does not exist", "@/main.hzp", ""},
    LoadErrorCase{"Empty", "", "", notOurs, "@/main.hzp", ""},
    LoadErrorCase{"OtherTypeAndBroken", "<!DOCTYPE Other>\n<a><b></a>", "", notOurs,
                  "@/main.hzp", ""},
    LoadErrorCase{"RootNotSolution", header + "<project/>", "", malformed, "@/main.hzp",
                  "the root element is not a solution element"},
    LoadErrorCase{"Unclosed", header + "<solution><project>", "", malformed, "@/main.hzp",
                  "element 'project' not closed"},
    LoadErrorCase{"CommandCrashing", command + "\"kill -SEGV $$$$\" />", "",
                  "solution load command failed (crashed): kill -SEGV $$", "@/main.hzp", ""},
    LoadErrorCase{"CommandNotFound", command + "\"true &amp;&amp; no-such-command x\" />", "",
                  "solution load command \"no-such-command x\" not found", "@/main.hzp", ""},
    LoadErrorCase{"CommandFailing", command + "\"sh -c 'exit 3'\" />", "",
                  "solution load command failed (exit status 3): sh -c 'exit 3'", "@/main.hzp",
                  ""},
    LoadErrorCase{"LinkedFileMissing", linkOther, "", "@/other.hzp does not exist",
                  "@/other.hzp", "linked from @/main.hzp, line 4"},
    LoadErrorCase{"LinkedFileNotOurs", linkOther, "<solution/>",
                  "@/other.hzp not a solution file", "@/other.hzp", ""},
    LoadErrorCase{"LinkedFileMalformed", linkOther, header + "<solution>\n</project>",
                  "@/other.hzp is a malformed solution file (bad XML)", "@/other.hzp",
                  "tagName mismatch"},
    LoadErrorCase{"LinkedCommandFailing", linkOther, command + "\"exit 4\" />",
                  "solution load command failed (exit status 4): exit 4", "@/other.hzp", ""},
    LoadErrorCase{"LinksItself", header + "<solution>\n<solution file_name=\"./main.hzp\"/>"
                                          "</solution>", "",
                  "@/main.hzp is linked in a cycle (main.hzp -> main.hzp)", "@/main.hzp",
                  "linked from @/main.hzp, line 3"},
    LoadErrorCase{"LinksInACycle", linkOther,
                  header + "<solution><project><solution file_name=\"sub/../main.hzp\"/>"
                           "</project></solution>",
                  "@/main.hzp is linked in a cycle (main.hzp -> other.hzp -> main.hzp)",
                  "@/main.hzp", "linked from @/other.hzp, line 2"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(SolutionTest, DirectoriesAndDevicesCannotAccess)
{
    QDir().mkpath(path("dir.hzp"));
    for (const QString &name : {path("dir.hzp"), QString("/dev/zero")}) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(loadError(name).message(), name + " cannot access");
    }
}

TEST_F(SolutionTest, SecondLoadOfSameFileIsRefused)
{
    load("s.hzp", header + "<solution Name=\"S\"/>\n");
    const QString relative = QDir::current().relativeFilePath(path("s.hzp"));
    EXPECT_EQ(loadError(relative).message(), relative + " solution already loaded");
    EXPECT_EQ(m_system.solutions().size(), 1u);
}

// A chain of 18 files goes one past the depth limit; ten levels of files that each link
// the next one twice (a file may be linked more than once) pass the limit on the number
// of linked files.
TEST_F(SolutionTest, LinkingIsBoundedInDepthAndCount)
{
    const auto solution = [](const char *name, int i, int links) {
        const QByteArray link = "<solution file_name=\"" + QByteArray(name)
                                + QByteArray::number(i + 1) + ".hzp\"/>";
        return header + "<solution>" + link.repeated(links) + "</solution>";
    };
    for (int i = 0; i <= Solution::maxLinkDepth + 1; ++i) {
        write(QString("chain%1.hzp").arg(i), solution("chain", i, 1));
        write(QString("fan%1.hzp").arg(i), solution("fan", i, i < 9 ? 2 : 0));
    }
    EXPECT_EQ(loadError(path("chain0.hzp")).message(),
              path("chain17.hzp") + " is linked more than 16 files deep");
    const QString fanMessage = loadError(path("fan0.hzp")).message();
    EXPECT_TRUE(fanMessage.endsWith(" is more than 256 linked files in one load"))
        << fanMessage.toStdString();
}

// --- Nested solutions ---------------------------------------------------------------------

class NestedSolutionTest : public SolutionTest
{
protected:
    void SetUp() override
    {
        write("main.hzp",
              header + "<solution Name=\"Main\">\n"
                       "  <configuration Name=\"Common\" c_preprocessor_definitions=\"MAIN\" />\n"
                       "  <project Name=\"App\" />\n"
                       "  <solution file_name=\"sub/lib.hzp\" />\n"
                       "</solution>\n");
        write("sub/lib.hzp", m_lib);
    }

    Solution *loadMain()
    {
        Solution *solution = m_system.loadSolution(path("main.hzp"));
        m_nested = m_system.findProject("LibProject")->parentNode();
        return solution;
    }

    const QByteArray m_lib = header
        + "<solution Name=\"Lib\" load_command=\"touch $(SolutionName).made\" target=\"8\">\n"
          "  <configuration Name=\"Release\" inherited_configurations=\"Fast\" />\n"
          "  <configuration Name=\"Common\" c_preprocessor_definitions=\"LIB\" />\n"
          "  <project Name=\"LibProject\" bogus=\"1\">\n"
          "    <configuration Name=\"Fast\" gcc_optimization_level=\"Level 3\" />\n"
          "    <file file_name=\"src/lib.c\" />\n"
          "  </project>\n"
          "</solution>\n";
    ProjectElement *m_nested = nullptr;
};

TEST_F(NestedSolutionTest, LinkedTreeIsPartOfTheTree)
{
    Solution *solution = loadMain();
    EXPECT_FALSE(read("sub/Lib.made").isNull());  // its load command ran in its directory
    EXPECT_EQ(children(solution->root()),
              QStringList({"configuration 'Common' of solution 'Main'", "project 'App'",
                           "solution 'Lib'"}));
    EXPECT_EQ(children(m_nested),
              QStringList({"configuration 'Release' of solution 'Lib'",
                           "configuration 'Common' of solution 'Lib'", "project 'LibProject'"}));
    ASSERT_EQ(solution->warnings().size(), 1);
    EXPECT_EQ(solution->warnings().at(0).message,
              "Can't find property for attribute 'bogus' of project 'LibProject' in "
                  + path("sub/lib.hzp"));
    EXPECT_EQ(solution->warnings().at(0).line, 5);
}

TEST_F(NestedSolutionTest, ValuesResolveThroughTheNestedSolution)
{
    loadMain();
    const ProjectElement *project = m_system.findProject("LibProject");
    const ProjectElement *file = project->firstChildNode()->nextSiblingNode();
    EXPECT_EQ(m_system.value(file, "c_preprocessor_definitions", "Debug"), "MAIN;LIB;");
    EXPECT_EQ(m_system.value(file, "gcc_optimization_level", "Release"), "Level 3");
    // Names in the linked file count from its directory, and its macros name it.
    EXPECT_EQ(m_system.absoluteFileName(file, "Debug"), path("sub/src/lib.c"));
    EXPECT_EQ(m_system.macros(file, "Debug").value("SolutionName"), "Lib");
    EXPECT_EQ(m_system.macros(file, "Debug").value("SolutionDir"), path("sub"));
    EXPECT_EQ(m_system.macros(m_system.findProject("App"), "Debug").value("SolutionName"),
              "Main");
}

TEST_F(NestedSolutionTest, SavingWritesTheLinkedSolutionInline)
{
    Solution *solution = loadMain();
    ASSERT_TRUE(solution->save());
    EXPECT_FALSE(m_nested->isLinked());
    EXPECT_EQ(read("main.hzp"),
              header + "<solution Name=\"Main\" target=\"8\">\n"
                       "  <configuration Name=\"Common\" c_preprocessor_definitions=\"MAIN\" />\n"
                       "  <project Name=\"App\" />\n"
                       "  <solution Name=\"Lib\">\n"
                       "    <configuration Name=\"Release\" inherited_configurations=\"Fast\" />\n"
                       "    <configuration Name=\"Common\" c_preprocessor_definitions=\"LIB\" />\n"
                       "    <project Name=\"LibProject\" bogus=\"1\">\n"
                       "      <configuration Name=\"Fast\" gcc_optimization_level=\"Level 3\" />\n"
                       "      <file file_name=\"src/lib.c\" />\n"
                       "    </project>\n"
                       "  </solution>\n"
                       "</solution>\n");
    EXPECT_EQ(read("sub/lib.hzp"), m_lib);
}

// --- Load commands ------------------------------------------------------------------------

TEST_F(SolutionTest, LoadCommandsRunWithEnvironmentAndMacrosUnlessOff)
{
    const QByteArray text = header + "<solution Name=\"Macro\" load_command=\"sh -c 'echo "
                                     "$A-$B &gt; one' &amp;&amp; touch $(SolutionName).txt\" "
                                     "load_command_environment=\"A=x;;B=y\" />\n";
    m_system.closeSolution(load("s.hzp", text));
    EXPECT_EQ(read("one"), QByteArray("x-y\n"));
    EXPECT_FALSE(read("Macro.txt").isNull());
    QFile::remove(path("one"));
    m_system.setRunLoadCommands(false);
    load("s.hzp", text);
    EXPECT_TRUE(read("one").isNull());
    EXPECT_NO_THROW(load("f.hzp", header + "<solution load_command=\"exit 1\" />"));
}

// --- Saving -------------------------------------------------------------------------------

TEST_F(SolutionTest, SaveWritesTheCanonicalFile)
{
    struct Row { const char *name; QByteArray text; int target; bool linked; QByteArray saved; };
    const Row rows[] = {
        {"KeepsTheTarget", header + "<solution Name=\"A\" target=\"3\"/>", 12, false,
         header + "<solution Name=\"A\" target=\"3\" />\n"},
        {"AddsTheSystemTargetInNameOrder", header + "<solution z=\"1\" Name=\"B\"/>", 12, false,
         header + "<solution Name=\"B\" target=\"12\" z=\"1\" />\n"},
        {"DropsTheFileNameOfALinkedRoot", header + "<solution Name=\"K\" file_name=\"k\"/>", 8,
         true, header + "<solution Name=\"K\" target=\"8\" />\n"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        m_system.setTargetNumber(row.target);
        Solution *solution = load(QString(row.name) + ".hzp", row.text);
        solution->root()->setLinked(row.linked);
        ASSERT_TRUE(solution->save());
        EXPECT_EQ(read(QString(row.name) + ".hzp"), row.saved);
    }
}

TEST_F(SolutionTest, FailedSaveLeavesMessageAndPath)
{
    Solution *solution = load("f.hzp", header + "<solution Name=\"F\"/>");
    EXPECT_FALSE(solution->saveAs(path("no/such/dir/f.hzp")));
    EXPECT_EQ(solution->errorText(), "Can't open " + path("no/such/dir/f.hzp") + " for writing");
    EXPECT_EQ(solution->path(), path("f.hzp"));
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

// --- Edits --------------------------------------------------------------------------------

TEST_F(SolutionTest, EditsMarkModifiedAndRecordChanges)
{
    Solution *solution = load("e.hzp", header + "<solution Name=\"S\"><project Name=\"P\">"
                                                "<configuration Name=\"Common\"/><folder/>"
                                                "<file file_name=\"a.c\"/></project></solution>");
    ProjectElement *project = m_system.findProject("P");
    ProjectElement *file = project->firstChildNode()->nextSiblingNode()->nextSiblingNode();
    EXPECT_FALSE(solution->isModified());
    file->setPropertyValue("Debug", "c_preprocessor_definitions", "X=1");
    project->setPropertyValue("Debug", "project_type", "Library");
    EXPECT_TRUE(file->isModified());
    EXPECT_TRUE(solution->isModified());
    // A new configuration goes after the existing ones.
    EXPECT_EQ(children(project), QStringList({"configuration 'Common' of project 'P'",
                                              "configuration 'Debug' of project 'P'",
                                              "folder ''", "file 'a.c'"}));
    EXPECT_EQ(m_system.changes().size(), 2u);
    ASSERT_TRUE(solution->save());
    EXPECT_FALSE(solution->isModified());

    EXPECT_TRUE(file->removePropertyValue("Debug", "c_preprocessor_definitions"));
    EXPECT_FALSE(file->removePropertyValue("Debug", "c_preprocessor_definitions"));
    EXPECT_FALSE(file->removePropertyValue("Release", "c_preprocessor_definitions"));
    EXPECT_EQ(m_system.changes().size(), 3u);
    m_system.setActiveProject(project);
    m_system.closeSolution(solution);
    EXPECT_TRUE(m_system.changes().empty());
    EXPECT_EQ(m_system.activeProject(), nullptr);
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

} // namespace
