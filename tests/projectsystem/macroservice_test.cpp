#include "projectsystem/macroservice.h"

#include <QDate>
#include <QRegularExpression>

#include "testsupport.h"

namespace {

struct ExpandCase { const char *name; const char *text; const char *expanded; };

class MacroExpansionTest : public testing::TestWithParam<ExpandCase>
{
protected:
    MacroService m_service;
    MacroTable m_table{{"A", "1"}, {"Self", "$(Self)"}, {"Ref", "<$(A)>"},
                       {"Empty", ""}, {"Cycle1", "x$(Cycle2)"}, {"Cycle2", "y$(Cycle1)"}};
};

TEST_P(MacroExpansionTest, ExpandsAgainstTheCallersTable)
{
    EXPECT_EQ(m_service.expand(m_table, GetParam().text, false, false),
              QString(GetParam().expanded));
}

INSTANTIATE_TEST_SUITE_P(Table, MacroExpansionTest, testing::Values(
    ExpandCase{"Plain", "x$(A)y", "x1y"},
    ExpandCase{"UnknownStays", "$(B)", "$(B)"},
    ExpandCase{"ExpandableDefault", "$(B:dflt)", "dflt"},
    ExpandCase{"LiteralDefaultNotExpanded", "$(B::$(A))", "$(A)"},
    ExpandCase{"DefaultExpanded", "$(B:$(A))", "1"},
    ExpandCase{"FoundIgnoresDefault", "$(A:zz)", "1"},
    ExpandCase{"EscapeOnePass", "$$(A)", "$(A)"},
    ExpandCase{"DollarBeforeOther", "a$b$", "a$b$"},
    ExpandCase{"Unterminated", "a$(bc", "abc"},
    ExpandCase{"UnterminatedKeepsRest", "$(A) $(b $$ c", "1 b $$ c"},
    ExpandCase{"NameRunsToFirstParenthesis", "$(b $(A)", "$(b $(A)"},
    ExpandCase{"EmptyName", "[$()][$(:d)]", "[][]"},
    ExpandCase{"NestedDefault", "$(B:pre(x)post)!", "pre(x)post!"},
    ExpandCase{"UnbalancedDefaultRunsToEnd", "$(B:pre(x", "pre(x"},
    ExpandCase{"EmptyDefault", "<$(B:)>", "<>"},
    ExpandCase{"EmptyValue", "<$(Empty)>", "<>"},
    ExpandCase{"ValueExpanded", "$(Ref)", "<1>"},
    ExpandCase{"SelfReferenceWrittenUnchanged", "$(Self)", "$(Self)"},
    ExpandCase{"CaseSensitive", "$(a)", "$(a)"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(MacroExpansionTest, CyclicDefinitionsStopAtTheNestingBound)
{
    const QString result = m_service.expand(m_table, "$(Cycle1)", false, false);
    // 64 nested expansions alternate x and y, then the reference is written back.
    QString expected;
    for (int i = 0; i < MacroService::maxNesting; ++i)
        expected += i % 2 == 0 ? "x" : "y";
    expected += "$(Cycle1)";
    EXPECT_EQ(result, expected);
}

TEST_F(MacroExpansionTest, FanOutCycleIsBounded)
{
    const MacroTable table{{"A", "$(B)$(B)"}, {"B", "$(A)$(A)"}};
    const QString result = m_service.expand(table, "$(A)", false, false);
    EXPECT_LT(result.size(), 2000000);
}

TEST(MacroServiceTest, LookupOrderDefinitionGlobalSystem)
{
    MacroService service;
    service.define("HostOS", "sys");
    service.define("OnlySystem", "s");
    service.setGlobalMacros({{"HostOS", "glob"}, {"OnlyGlobal", "g"}});
    const MacroTable table{{"HostOS", "mine"}};
    EXPECT_EQ(service.expand(table, "$(HostOS)", true, true), QString("mine"));
    EXPECT_EQ(service.expand({}, "$(HostOS)", true, true), QString("glob"));
    EXPECT_EQ(service.expand({}, "$(HostOS)", false, true), QString("sys"));
    EXPECT_EQ(service.expand({}, "$(OnlyGlobal)$(OnlySystem)", false, false),
              QString("$(OnlyGlobal)$(OnlySystem)"));
    EXPECT_EQ(service.expand({}, "$(OnlyGlobal)$(OnlySystem)", true, true), QString("gs"));
}

TEST(MacroServiceTest, DynamicValuesNeedALookupHit)
{
    MacroService service;
    const QString year = QString::number(QDate::currentDate().year());
    EXPECT_EQ(service.expand({}, "$(DateYear)", false, false), QString("$(DateYear)"));
    EXPECT_EQ(service.expand({{"DateYear", "stored"}}, "$(DateYear)", false, false), year);
    EXPECT_EQ(service.expand({}, "$(DateYear)", false, true), year);
    const QString time = service.expand({}, "$(Time)", false, true);
    EXPECT_TRUE(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d$").match(time).hasMatch())
        << time.toStdString();
    const qint64 unixTime = service.expand({}, "$(UnixTime)", false, true).toLongLong();
    EXPECT_GT(unixTime, 1700000000);
}

TEST(MacroServiceTest, StudioMacros)
{
    MacroService service;
    ASSERT_EQ(service.descriptors().size(), size_t(17));
    EXPECT_EQ(service.descriptors().front()->name(), QString("$(Date)"));
    qputenv("HOME", "/home/user/");
    service.defineStudioMacros("/opt/tessa/./bin/..", "/home/user/.tessa");
    const MacroTable system = service.systemMacros();
    EXPECT_EQ(system.value("ProductName"), QString("Tessarune for ARM"));
    EXPECT_EQ(system.value("StudioDir"), QString("/opt/tessa"));
    EXPECT_EQ(system.value("DesktopDir"), QString("/home/user/Desktop"));
    EXPECT_EQ(system.value("StudioPackageFileExt"), QString("hzq"));
    // ProductName is the one studio macro without a descriptor.
    EXPECT_EQ(service.descriptors().size(), size_t(17 + 23));
}

TEST(MacroServiceTest, MergeOverridingWins)
{
    const MacroTable merged = MacroService::merge({{"A", "1"}, {"B", "2"}}, {{"B", "3"}});
    EXPECT_EQ(merged, (MacroTable{{"A", "1"}, {"B", "3"}}));
}

} // namespace
