#include "projectsystem/macroservice.h"
#include "projectsystem/projectelement.h"
#include "projectsystem/projectsystem.h"
#include "projectsystem/propertyclass.h"
#include "projectsystem/solution.h"

#include "testsupport.h"

#include <QDateTime>
#include <QDir>

namespace {

const QByteArray tree = "<!DOCTYPE TessaStudio_Project_File>\n"
                        "<solution Name=\"S\">\n"
                        "  <configuration Name=\"Debug\" inherited_configurations=\";T;\" />\n"
                        "  <project Name=\"P\">\n"
                        "    <folder Name=\"F\">\n"
                        "      <file file_name=\"src/f.c\" />\n"
                        "      <file file_name=\"g.c\" />\n"
                        "    </folder>\n"
                        "  </project>\n"
                        "  <project Name=\"Q\" />\n"
                        "</solution>\n";

class ProjectSystemTest : public TempDirTest
{
protected:
    void SetUp() override { loadTree(tree); }

    void loadTree(const QByteArray &text)
    {
        write("s.hzp", text);
        m_solution = m_system->loadSolution(path("s.hzp"));
        m_root = m_solution->root();
        m_project = m_system->findProject("P");
        m_folder = m_project ? m_project->firstChildNode() : nullptr;
        m_file = m_folder ? m_folder->firstChildNode() : nullptr;
    }

    QString value(const ProjectElement *node, const QString &name,
                  const QString &configuration = "Debug", PropertyTrace *trace = nullptr)
    {
        return m_system->value(node, name, configuration, trace);
    }

    // Sets the same property on file, folder, project and solution in Debug, T and
    // Common, with values naming where they are ("fileD", "folderT", "solutionC", ...).
    void setEverywhere(const QString &name)
    {
        for (const auto &[node, prefix] : levels()) {
            node->setPropertyValue("Debug", name, prefix + "D");
            node->setPropertyValue("T", name, prefix + "T");
            node->setPropertyValue("Common", name, prefix + "C");
        }
    }

    std::vector<std::pair<ProjectElement *, QString>> levels() const
    {
        return {{m_file, "file"}, {m_folder, "folder"}, {m_project, "project"},
                {m_root, "solution"}};
    }

    MacroService m_macros;
    std::unique_ptr<ProjectSystem> m_system = std::make_unique<StandardProjectSystem>(&m_macros);
    Solution *m_solution = nullptr;
    ProjectElement *m_root = nullptr;
    ProjectElement *m_project = nullptr;
    ProjectElement *m_folder = nullptr;
    ProjectElement *m_file = nullptr;
};

} // namespace

TEST_F(ProjectSystemTest, NonAccumulatingLookupOrder)
{
    setEverywhere("gcc_optimization_level");
    const char *order[] = {"fileD",    "fileT",    "fileC",    "folderD",
                           "folderT",  "folderC",  "projectD", "projectT",
                           "projectC", "solutionD", "solutionT", "solutionC"};
    for (const char *expected : order) {
        ASSERT_EQ(value(m_file, "gcc_optimization_level"), QString(expected));
        // Remove the value just found so that the next one in the order shows.
        const QString found(expected);
        for (const auto &[node, prefix] : levels()) {
            if (found.startsWith(prefix)) {
                const QString configuration = found.endsWith('D')   ? "Debug"
                                              : found.endsWith('T') ? "T"
                                                                    : "Common";
                ASSERT_TRUE(node->removePropertyValue(configuration, "gcc_optimization_level"));
            }
        }
    }
    EXPECT_EQ(value(m_file, "gcc_optimization_level"), QString("None"));  // the default
}

TEST_F(ProjectSystemTest, AccumulatingJoinsEveryFindOutermostFirst)
{
    setEverywhere("c_preprocessor_definitions");
    EXPECT_EQ(value(m_file, "c_preprocessor_definitions"),
              QString("solutionC;solutionT;solutionD;projectC;projectT;projectD;"
                      "folderC;folderT;folderD;fileC;fileT;fileD;"));
}

// Cases beside the lookup order above, each on a property of its own; Debug and Common
// inherit T (which Common must not consult), Release inherits nothing.
TEST_F(ProjectSystemTest, ResolutionEdgeCases)
{
    m_root->setPropertyValue("Common", "inherited_configurations", "T");
    m_root->setPropertyValue("Debug", "c_user_include_directories", "S");
    m_project->setPropertyValue("Common", "build_always_rebuild", "Yes");
    m_file->setPropertyValue("T", "gcc_optimization_level", "Level 3");
    m_project->setPropertyValue("Debug", "file_type", "C");
    m_root->setPropertyValue("Debug", "build_output_file_name", "x.elf");
    m_project->setPropertyValue("Debug", "build_output_file_name", "");
    struct Row { const char *name, *property, *configuration, *expected; };
    const Row rows[] = {
        {"AccumulatingFoundNowhere", "c_user_include_directories", "Release", ""},
        {"ProjectCommonInRelease", "build_always_rebuild", "Release", "Yes"},
        {"CommonConsultsNoInherited", "gcc_optimization_level", "Common", "None"},
        {"OnlyDeclaredInheritance", "gcc_optimization_level", "Release", "None"},
        {"NodesWithoutConfigurationsSkipped", "file_type", "Debug", "C"},
        {"FoundEmptyValueStopsTheSearch", "build_output_file_name", "Debug", ""},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(value(m_file, row.property, row.configuration), QString(row.expected));
    }
}

TEST_F(ProjectSystemTest, FallbackIsAskedOnlyWhenNothingIsFound)
{
    class FallbackSystem : public ProjectSystem
    {
    public:
        using ProjectSystem::ProjectSystem;
        bool fallback(const ProjectElement *, const QString &configuration,
                      const PropertyClass &property, QString *value) const override
        {
            *value = "fallback-" + configuration + "-" + property.saveName();
            return true;
        }
    };
    m_system = std::make_unique<FallbackSystem>(&m_macros);
    loadTree(tree);
    EXPECT_EQ(value(m_file, "project_type"), QString("fallback-Debug-project_type"));
    m_project->setPropertyValue("Common", "project_type", "Library");
    EXPECT_EQ(value(m_file, "project_type"), QString("Library"));
}

TEST_F(ProjectSystemTest, InheritedConfigurationsComeFromNearestSolution)
{
    m_system = std::make_unique<StandardProjectSystem>(&m_macros);
    loadTree("<!DOCTYPE TessaStudio_Project_File>\n"
             "<solution Name=\"Outer\">\n"
             "  <configuration Name=\"Debug\" inherited_configurations=\"T\" />\n"
             "  <configuration Name=\"Release\" inherited_configurations=\"T\" />\n"
             "  <solution Name=\"Inner\">\n"
             "    <configuration Name=\"Release\" inherited_configurations=\"U\" />\n"
             "    <project Name=\"P\">\n"
             "      <configuration Name=\"T\" gcc_optimization_level=\"Level 1\" />\n"
             "      <configuration Name=\"U\" gcc_optimization_level=\"Level 2\" />\n"
             "    </project>\n"
             "  </solution>\n"
             "</solution>\n");
    ASSERT_TRUE(m_project);
    EXPECT_EQ(value(m_project, "gcc_optimization_level", "Debug"), QString("Level 1"));
    EXPECT_EQ(value(m_project, "gcc_optimization_level", "Release"), QString("Level 2"));
}

TEST_F(ProjectSystemTest, InheritedConfigurationsFollowEdits)
{
    m_project->setPropertyValue("U", "gcc_optimization_level", "Level 3");
    EXPECT_EQ(value(m_file, "gcc_optimization_level"), QString("None"));
    m_root->configuration("Debug")->setAttribute("inherited_configurations", QString("T;U"));
    EXPECT_EQ(value(m_file, "gcc_optimization_level"), QString("Level 3"));
}

TEST_F(ProjectSystemTest, ExpandedValueUsesNodeMacros)
{
    EXPECT_EQ(m_system->expandedValue(m_project, "build_output_file_name", "Release"),
              QString("Release/Exe/P.elf"));
    m_project->setPropertyValue("Common", "project_type", "Library");
    EXPECT_EQ(m_system->expandedValue(m_project, "build_output_file_name", "Release"),
              QString("Release/Exe/P.a"));
}

TEST_F(ProjectSystemTest, FileMacrosAndAbsoluteNames)
{
    const QString solutionDir = QDir::cleanPath(dir());
    const MacroTable macros = m_system->macros(m_file, "Debug");
    QStringList values;
    for (const char *name : {"InputPath", "InputDir", "InputFileName", "InputName", "InputExt",
                             "SolutionName", "SolutionDir", "ProjectName"}) {
        values.append(macros.value(name));
    }
    EXPECT_EQ(values, QStringList({solutionDir + "/src/f.c", solutionDir + "/src", "f.c", "f",
                                   ".c", "S", solutionDir, "P"}));
    m_project->setPropertyValue("Common", "project_directory", "$(ProjectName)dir");
    EXPECT_EQ(m_system->absoluteFileName(m_file, "Debug"), solutionDir + "/Pdir/src/f.c");
    EXPECT_EQ(m_system->absoluteFileName(m_project, "Debug"), solutionDir + "/Pdir");
}

TEST_F(ProjectSystemTest, MacrosReferringToFileNamesDoNotRecurse)
{
    m_file->setFileName("$(InputPath)/$(ProjectDir)");
    m_project->setPropertyValue("Common", "project_directory", "$(ProjectDir)");
    EXPECT_FALSE(m_system->absoluteFileName(m_file, "Debug").isEmpty());
    EXPECT_FALSE(m_system->expandedValue(m_file, "build_object_file_name", "Debug").isEmpty());
}

TEST_F(ProjectSystemTest, ChangesAffectNodeAndDescendantsInRelatedConfigurations)
{
    const qint64 before = QDateTime::currentMSecsSinceEpoch() - 1;
    m_project->setPropertyValue("Release", "gcc_optimization_level", "Level 1");
    EXPECT_EQ(m_system->changeAffecting(m_file, "Debug", before), nullptr);
    m_project->setPropertyValue("T", "gcc_optimization_level", "Level 1");
    const PropertyChange *change = m_system->changeAffecting(m_file, "Debug", before);
    ASSERT_TRUE(change);
    EXPECT_EQ(change->propertyName, QString("gcc_optimization_level"));
    EXPECT_EQ(change->configuration, QString("T"));
    EXPECT_EQ(m_system->changeAffecting(m_file, "Debug", change->time), nullptr);

    ProjectElement *other = m_file->nextSiblingNode();
    other->setPropertyValue("Common", "build_always_rebuild", "Yes");
    EXPECT_EQ(m_system->changeAffecting(m_file, "Common", before), nullptr);
    change = m_system->changeAffecting(other, "Common", before);
    ASSERT_TRUE(change);
    EXPECT_EQ(change->node, other);
}

TEST_F(ProjectSystemTest, BuildEngineQueries)
{
    m_project->setPropertyValue("Common", "project_dependencies", "Q;;R");
    EXPECT_EQ(m_system->projectDependencies(m_project, "Debug"), QStringList({"Q", "R"}));
    EXPECT_TRUE(m_system->canBuildInParallel(m_project, "Debug"));
    m_project->setPropertyValue("Common", "project_type", "Staging");
    EXPECT_FALSE(m_system->canBuildInParallel(m_project, "Debug"));
    m_project->setPropertyValue("Debug", "project_can_build_in_parallel", "Yes");
    EXPECT_TRUE(m_system->canBuildInParallel(m_project, "Debug"));

    ProjectElement *q = m_system->findProject("Q");
    ASSERT_TRUE(q);
    EXPECT_TRUE(m_system->definesConfiguration(q, "Debug"));
    EXPECT_TRUE(m_system->definesConfiguration(q, "Common"));
    EXPECT_FALSE(m_system->definesConfiguration(q, "Special"));
    q->setPropertyValue("Special", "project_type", "Library");
    EXPECT_TRUE(m_system->definesConfiguration(q, "Special"));
    EXPECT_FALSE(m_system->definesConfiguration(m_project, "Special"));
    EXPECT_EQ(m_system->findProject("R"), nullptr);

    EXPECT_EQ(m_system->projects(m_root), (std::vector<ProjectElement *>{m_project, q}));
    m_root->setPropertyValue("Common", "build_always_rebuild", "No");  // never built itself
    EXPECT_EQ(m_system->buildConfigurations(m_root), QStringList{"Debug"});
}

TEST(PropertyCatalogueTest, AddReplacesAnExistingProperty)
{
    PropertyCatalogue catalogue;
    catalogue.add("x", PropertyKind::String, "1", "first");
    catalogue.add("x", PropertyKind::Accumulating, "2", "second");
    ASSERT_EQ(catalogue.all().size(), 1u);
    EXPECT_TRUE(catalogue.find(QString("x"))->isAccumulating());
    EXPECT_EQ(catalogue.find(QString("x"))->defaultValue(), QString("2"));
}
