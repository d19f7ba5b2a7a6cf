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

TEST_F(ProjectSystemTest, AccumulatingSolutionAndProject)
{
    m_root->setPropertyValue("Debug", "c_user_include_directories", "S");
    m_project->setPropertyValue("Debug", "c_user_include_directories", "P");
    EXPECT_EQ(value(m_project, "c_user_include_directories"), QString("S;P;"));
    EXPECT_EQ(value(m_project, "c_user_include_directories", "Release"), QString(""));
}

TEST_F(ProjectSystemTest, NonAccumulatingValueHasNothingAppended)
{
    m_root->setPropertyValue("Debug", "project_type", "Library");
    EXPECT_EQ(value(m_project, "project_type"), QString("Library"));
}

TEST_F(ProjectSystemTest, ProjectCommonIsSeenByEveryFileInEveryConfiguration)
{
    m_project->setPropertyValue("Common", "build_always_rebuild", "Yes");
    for (const char *configuration : {"Debug", "Release", "T", "Common"})
        EXPECT_EQ(value(m_file, "build_always_rebuild", configuration), QString("Yes"));
}

TEST_F(ProjectSystemTest, FileCommonBeatsProjectSpecificConfiguration)
{
    m_project->setPropertyValue("Debug", "gcc_optimization_level", "Level 2");
    m_file->setPropertyValue("Common", "gcc_optimization_level", "Level 1");
    EXPECT_EQ(value(m_file, "gcc_optimization_level"), QString("Level 1"));
    EXPECT_EQ(value(m_folder, "gcc_optimization_level"), QString("Level 2"));
}

TEST_F(ProjectSystemTest, CommonDoesNotConsultInheritedConfigurations)
{
    m_file->setPropertyValue("T", "gcc_optimization_level", "Level 3");
    EXPECT_EQ(value(m_file, "gcc_optimization_level", "Common"), QString("None"));
    EXPECT_EQ(value(m_file, "gcc_optimization_level", "Debug"), QString("Level 3"));
    EXPECT_EQ(value(m_file, "gcc_optimization_level", "Release"), QString("None"));
}

TEST_F(ProjectSystemTest, NodeWithoutConfigurationsIsSkipped)
{
    m_project->setPropertyValue("Debug", "file_type", "C");
    ASSERT_FALSE(m_file->hasConfigurations());
    ASSERT_FALSE(m_folder->hasConfigurations());
    EXPECT_EQ(value(m_file, "file_type"), QString("C"));
}

TEST_F(ProjectSystemTest, FoundEmptyValueStopsTheSearch)
{
    m_root->setPropertyValue("Debug", "build_output_file_name", "x.elf");
    m_project->setPropertyValue("Debug", "build_output_file_name", "");
    EXPECT_EQ(value(m_file, "build_output_file_name"), QString(""));
}

TEST_F(ProjectSystemTest, UnsetPropertyYieldsDefaultAndTraceSaysSo)
{
    PropertyTrace trace;
    EXPECT_EQ(value(m_file, "build_exclude_from_build", "Debug", &trace), QString("No"));
    ASSERT_EQ(trace.size(), 1);
    EXPECT_EQ(trace[0].value, QString("No"));
    EXPECT_EQ(trace[0].description, QString());
    EXPECT_EQ(trace[0].node, nullptr);
}

TEST_F(ProjectSystemTest, TraceListsEveryFindAndKeepsTheJoinedValue)
{
    m_root->setPropertyValue("Common", "c_preprocessor_definitions", "A");
    m_file->setPropertyValue("T", "c_preprocessor_definitions", "B");
    PropertyTrace trace;
    EXPECT_EQ(value(m_file, "c_preprocessor_definitions", "Debug", &trace), QString("A;B;"));
    ASSERT_EQ(trace.size(), 2);
    EXPECT_EQ(trace[0].value, QString("B"));
    EXPECT_EQ(trace[0].description, QString("configuration 'T' of file 'f.c'"));
    EXPECT_EQ(trace[0].node, m_file);
    EXPECT_EQ(trace[1].value, QString("A"));
    EXPECT_EQ(trace[1].description, QString("configuration 'Common' of solution 'S'"));
    EXPECT_EQ(trace[1].node, m_root);
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
    m_solution = nullptr;
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
    EXPECT_EQ(m_system->inheritedConfigurations(m_project, "Debug"), QStringList{"T"});
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
    EXPECT_EQ(value(m_file, "build_dependency_file_name"), QString("$(IntDir)/$(InputName).d"));
    EXPECT_EQ(m_system->expandedValue(m_file, "build_dependency_file_name", "Debug"),
              QString("Debug/Obj/P/f.d"));
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
    EXPECT_EQ(macros.value("InputPath"), solutionDir + "/src/f.c");
    EXPECT_EQ(macros.value("InputDir"), solutionDir + "/src");
    EXPECT_EQ(macros.value("InputFileName"), QString("f.c"));
    EXPECT_EQ(macros.value("InputName"), QString("f"));
    EXPECT_EQ(macros.value("InputExt"), QString(".c"));
    EXPECT_EQ(macros.value("SolutionName"), QString("S"));
    EXPECT_EQ(macros.value("ProjectName"), QString("P"));
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

    const auto projects = m_system->projects(m_root);
    ASSERT_EQ(projects.size(), 2u);
    EXPECT_EQ(projects[0], m_project);
    EXPECT_EQ(projects[1], q);
    EXPECT_EQ(m_system->buildConfigurations(m_root), QStringList{"Debug"});
    EXPECT_EQ(m_file->project(), m_project);
    EXPECT_EQ(m_file->solution(), m_root);
    EXPECT_EQ(m_file->name(), QString("f.c"));
}

TEST(PropertyCatalogueTest, CoversTheBuildEngineProperties)
{
    const PropertyCatalogue &catalogue = PropertyCatalogue::standard();
    const char *names[] = {"build_exclude_from_build", "project_type", "project_dependencies",
                           "project_can_build_in_parallel", "build_always_rebuild",
                           "build_generate_dependency_file", "build_dependency_file_name",
                           "unity_build_file_name", "build_output_directory",
                           "build_intermediate_directory", "build_output_file_name",
                           "pre_build_command", "pre_build_command_control",
                           "post_build_command", "post_build_command_control",
                           "linker_script_file", "linker_memory_map_file", "Target"};
    for (const char *name : names)
        EXPECT_TRUE(catalogue.find(QString(name))) << name;
    for (const char *name : {"c_user_include_directories", "c_system_include_directories",
                             "c_preprocessor_definitions"}) {
        ASSERT_TRUE(catalogue.find(QString(name)));
        EXPECT_EQ(catalogue.find(QString(name))->kindCode(), 7);
    }
    EXPECT_EQ(catalogue.find(QString("project_type"))->choices().first(), QString("Executable"));
    EXPECT_EQ(catalogue.find(QString("target")), nullptr);  // case matters
    EXPECT_TRUE(PropertyCatalogue::isStructuralAttribute("target"));
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
