#include "build/buildlog.h"
#include "build/exportbuilder.h"
#include "build/logbuilder.h"
#include "build/projectjob.h"
#include "build/serialbuild.h"
#include "build/standardbuildsystem.h"

#include "projectsystem/projectelement.h"
#include "projectsystem/projectsystem.h"
#include "projectsystem/solution.h"

#include "testsupport.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

namespace {

// Copies an example solution into a temporary directory and builds it there for real.
class ExampleBuildTest : public TempDirTest
{
protected:
    void loadExample(const QString &folder, const QString &solutionFile)
    {
        copyTree(sourcePath("examples/" + folder), dir());
        m_solution = m_projects.loadSolution(path(solutionFile));
    }

    static void copyTree(const QString &from, const QString &to)
    {
        QDir source(from);
        QDir().mkpath(to);
        const auto entries = source.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
        for (const QFileInfo &entry : entries) {
            const QString target = to + "/" + entry.fileName();
            if (entry.isDir())
                copyTree(entry.filePath(), target);
            else
                QFile::copy(entry.filePath(), target);
        }
    }

    SerialBuild::Result build(const QString &configuration, quint32 options = ProjectJob::Quiet)
    {
        m_log = BuildLog();
        LogBuilder builder(&m_log, options, !(options & ProjectJob::Quiet));
        SerialBuild build(&m_system, &builder);
        return build.run(m_solution->root(), configuration, options);
    }

    std::string logText() const { return m_log.text().join("\n").toStdString(); }

    ProjectSystem m_projects;
    StandardBuildSystem m_system{&m_projects};
    Solution *m_solution = nullptr;
    BuildLog m_log;
};

TEST_F(ExampleBuildTest, HostCalculatorBuildsRunsAndIsUpToDateAfterwards)
{
    loadExample("host", "calc.hzp");
    ASSERT_EQ(build("Debug"), SerialBuild::Built) << logText();
    QProcess calc;
    calc.start(path("Output/Debug/Exe/calc"), {"2", "3", "+", "4", "*"});
    ASSERT_TRUE(calc.waitForFinished());
    EXPECT_EQ(calc.readAllStandardOutput(), "debug 20\n");
    EXPECT_EQ(build("Debug"), SerialBuild::NothingBuilt) << logText();
    EXPECT_TRUE(m_log.text().isEmpty()) << logText();
}

TEST_F(ExampleBuildTest, FirmwareLinksWithItsLibrary)
{
    if (QStandardPaths::findExecutable("arm-none-eabi-gcc").isEmpty())
        GTEST_SKIP() << "arm-none-eabi-gcc is not installed";
    loadExample("firmware", "firmware.hzp");
    ASSERT_EQ(build("Debug", ProjectJob::ShowCommandLines | ProjectJob::Quiet),
              SerialBuild::Built) << logText();
    EXPECT_TRUE(QFileInfo::exists(path("Output/Debug/Exe/Blink.elf"))) << logText();
    EXPECT_TRUE(QFileInfo::exists(path("Output/Debug/Exe/Util.a")));
    EXPECT_TRUE(QFileInfo::exists(path("Output/Debug/Exe/Blink.map")));
    EXPECT_EQ(build("Debug"), SerialBuild::NothingBuilt) << logText();
}

} // namespace
