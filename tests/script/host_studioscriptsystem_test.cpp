// The studio's script system: nesting up to its limit, the stop request, the load path
// of the installation, host objects added by an application, the help listing, and the
// contexts that stop by themselves.

#include "testsupport.h"

#include "script/esatom.h"
#include "script/esclass.h"
#include "script/escontext.h"
#include "script/esnatives.h"
#include "script/esobject.h"
#include "script/host/studioscriptcontexts.h"
#include "script/host/studioscriptsystem.h"
#include "qtx/directories.h"
#include "qtx/hexception.h"

#include <gmock/gmock.h>

namespace {

// `Nest`: an application's host object. enter(source) evaluates the source through the
// system again; depth() is the nesting; stop() asks the system to stop.
class NestESClass : public ESClass
{
public:
    explicit NestESClass(StudioScriptSystem *system) : ESClass("Nest"), m_system(system) {}
    ESObject *install(ESContext *cx) override
    {
        ESObject *object = ESClass::install(cx);
        cx->defineBuiltin(object, this, {"enter", "Nest.prototype.enter", 1, 0, 0, "enters"});
        cx->defineBuiltin(object, this, {"depth", "Nest.prototype.depth", 0, 0, 1});
        cx->defineBuiltin(object, this, {"stop", "Nest.prototype.stop", 0, 0, 2});
        return object;
    }
    void call(ESContext *cx, ESObject *function, const ESValue &, int, ESValue *argv,
              ESValue *result) override
    {
        switch (function->builtinIndex) {
        case 0:
            *result = m_system->evaluate("nested.js", cx->toString(argv[0])).value;
            return;
        case 1:
            *result = ESValue::fromNumber(m_system->nesting());
            return;
        default:
            m_system->requestStop();
            *result = ESValue();
        }
    }

private:
    StudioScriptSystem *m_system;
};

class StudioScriptSystemTest : public testing::Test
{
protected:
    StudioScriptSystemTest()
        : m_system([this](const QString &text) { m_output += text; })
    {
        m_system.addHostObject([this](ESContext *cx) -> ESClass * {
            ESClass *nest = cx->adoptClass(std::make_unique<NestESClass>(&m_system));
            nest->install(cx);
            return nest;
        });
    }
    QString run(const QString &source)
    {
        const ESCompletion completion = m_system.evaluate("test.js", source);
        return m_system.context()->toString(completion.value);
    }

    QString m_output;
    StudioScriptSystem m_system;
};

TEST_F(StudioScriptSystemTest, FourNestedEntriesWork)
{
    EXPECT_EQ(run("Nest.enter(\"Nest.enter('Nest.enter(\\\"Nest.depth()\\\")')\")"), "4");
    EXPECT_EQ(m_system.nesting(), 0);
}

TEST_F(StudioScriptSystemTest, TheFifthEntryFails)
{
    EXPECT_THAT([&] { run("Nest.enter(\"Nest.enter('Nest.enter(\\\"Nest.enter(1)\\\")')\")"); },
                testing::ThrowsMessage<HException>(
                    testing::StrEq("script recursion limit reached")));
    EXPECT_EQ(m_system.nesting(), 0);
    EXPECT_EQ(run("Nest.depth()"), "1");
}

TEST_F(StudioScriptSystemTest, GlobalsPersistBetweenEntries)
{
    run("var kept = 41");
    EXPECT_EQ(run("kept + 1"), "42");
}

TEST_F(StudioScriptSystemTest, StopRequestEndsTheScriptAtOnce)
{
    run("Nest.stop(); WScript.Echo('after stop'); for (;;) {}");
    EXPECT_EQ(m_output, "");
    EXPECT_TRUE(m_system.stopRequested());
    m_system.clearStopRequest();
    run("WScript.Echo('runs again')");
    EXPECT_EQ(m_output, "runs again");
}

TEST_F(StudioScriptSystemTest, StopRequestEndsAWaitingRun)
{
    run("Nest.stop()");
    EXPECT_EQ(run("TRSys.run('sleep 10', true)"), "undefined");  // stopped before the call
    m_system.clearStopRequest();
    ESContext *cx = m_system.context();
    // From native code the machine does not ask between instructions; run() asks itself.
    m_system.requestStop();
    ESValue run = cx->get(cx->get(cx->global(), ESAtom::intern("TRSys")).object,
                          ESAtom::intern("run"));
    const ESValue arguments[] = {ESValue::fromAtom(ESAtom::intern("sleep 10")),
                                 ESValue::boolean(true)};
    ESValue result;
    cx->call(run, ESValue(), 2, arguments, &result);
    EXPECT_EQ(cx->toString(result), "-1");
}

TEST_F(StudioScriptSystemTest, HostObjectsInInstallationOrder)
{
    EXPECT_EQ(m_system.hostObjectNames(), QStringList());
    run("1");
    EXPECT_EQ(m_system.hostObjectNames(),
              QStringList({"WScript", "BinaryFile", "TRSys", "Nest"}));
}

TEST_F(StudioScriptSystemTest, HelpListsEveryMethodAsPlainText)
{
    const QString help = m_system.hostObjectsHelp();
    EXPECT_TRUE(help.contains("    TRSys.run(cmd, wait) runs command line cmd optionally waits "
                              "for it to\n        complete if wait is true.\n"));
    EXPECT_TRUE(help.endsWith("\nNest\n    enters\n    Nest.depth (0 arguments)\n"
                              "    Nest.stop (0 arguments)\n"));
    EXPECT_EQ(help.count("    BinaryFile."), 11);
    EXPECT_EQ(help.count("    TRSys."), 19);
    for (const QString &line : help.split('\n'))
        EXPECT_LE(line.size(), 80) << line.toStdString();
    EXPECT_FALSE(help.contains('<'));
}

TEST(StudioScriptSystemLoadPathTest, InstallationBinIsSearched)
{
    QTemporaryDir dir;
    writeFile(dir.path() + "/inst/bin/helper.js", "var helped = 'yes';\n");
    Directories::setFromExecutable(dir.path() + "/inst/bin/tessascript");
    StudioScriptSystem system;
    const ESCompletion completion = system.evaluate("t.js", "load('helper.js') + helped");
    EXPECT_EQ(system.context()->toString(completion.value), "trueyes");
    Directories::setFromExecutable(QString());
}

TEST(StudioScriptContextTest, ThreadsWindowContextStopsAfterItsBudget)
{
    ThreadsWindowESContext cx;
    cx.setUp();
    const ESCompletion completion = cx.evaluate("t.js", "var n = 0; for (;;) n++;");
    EXPECT_EQ(completion.kind, ESCompletion::Normal);
    const double n = cx.toNumber(cx.get(cx.global(), ESAtom::intern("n")));
    EXPECT_GT(n, 100000);
    EXPECT_LT(n, double(ThreadsWindowESContext::budget));
}

TEST(StudioScriptContextTest, SecondContextRunsWhileItsFlagIsSet)
{
    MyESContext2 cx;
    cx.setUp();
    EXPECT_EQ(cx.toString(cx.evaluate("t.js", "var a = 1; a + 1").value), "2");
    cx.setContinue(false);
    EXPECT_EQ(cx.toString(cx.evaluate("t.js", "a = 5; a").value), "undefined");
    EXPECT_EQ(cx.toString(cx.get(cx.global(), ESAtom::intern("a"))), "1");
}

TEST(StudioScriptSystemHelpTest, PlainTextDropsTags)
{
    EXPECT_EQ(StudioScriptSystem::plainText("<b>A.f(x)</b> uses <i>x</i> &lt;1&gt; &amp; more"),
              "A.f(x) uses x <1> & more");
}

} // namespace
