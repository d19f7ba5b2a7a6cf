// The QObject bridge: QObjectESClass over the invokable methods of a small object of
// the tests, and ESQObject's property access with its conversions.

#include "scriptharness.h"

#include "script/host/esqobject.h"
#include "script/host/qobjectesclass.h"

#include <QObject>
#include <QStringList>
#include <QVariant>

namespace {

class Calculator : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE int add(int a, int b) { return a + b; }
    Q_INVOKABLE double half(double x) { return x / 2; }
    Q_INVOKABLE bool isEven(unsigned int n) { return n % 2 == 0; }
    Q_INVOKABLE QString greet(const QString &name) { return "hello " + name; }
    Q_INVOKABLE QStringList words(const QString &text) { return text.split(' '); }
    Q_INVOKABLE int count(const QStringList &list) { return list.size(); }
    Q_INVOKABLE void remember(const QString &text) { remembered = text; }
    Q_INVOKABLE QVariant anything(int) { return QVariant(); }
    Q_INVOKABLE int takesVariant(const QVariant &) { return 0; }

    QString remembered;

public slots:
    void reset() { remembered.clear(); }
signals:
    void changed();
};

class Settings : public ESQObject
{
    Q_OBJECT
    Q_PROPERTY(int count MEMBER m_count)
    Q_PROPERTY(unsigned int mask MEMBER m_mask)
    Q_PROPERTY(bool enabled MEMBER m_enabled)
    Q_PROPERTY(QStringList names MEMBER m_names)
    Q_PROPERTY(QString title MEMBER m_title)
    Q_PROPERTY(double ratio MEMBER m_ratio)
public:
    Settings() : ESQObject("Settings") {}

    int m_count = 1;
    unsigned int m_mask = 0;
    bool m_enabled = false;
    QStringList m_names{"a", "b"};
    QString m_title = "t";
    double m_ratio = 0;
};

class QObjectBridgeTest : public testing::Test
{
protected:
    void SetUp() override
    {
        QObjectESClass::installInto(m_harness.context(), &m_calculator);
        ESQObject *settings = &m_settings;
        settings->install(m_harness.context());
    }
    QString run(const QString &script)
    {
        const ScriptRun run = m_harness.run(script);
        return run.kind == ESCompletion::Normal ? run.value : run.errorClass + ": " + run.message;
    }

    Calculator m_calculator;
    Settings m_settings;
    ScriptHarness m_harness;
};

struct BridgeRow
{
    const char *name;
    const char *script;
    const char *value;
};

class QObjectBridgeTable : public QObjectBridgeTest, public testing::WithParamInterface<BridgeRow>
{
};

TEST_P(QObjectBridgeTable, ConvertsBothWays)
{
    EXPECT_EQ(run(GetParam().script), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Table, QObjectBridgeTable, testing::Values(
    BridgeRow{"IntArgumentsAndResult", "Calculator.add('40', 2.9) + 1", "43"},
    BridgeRow{"DoubleArgument", "Calculator.half(5)", "2.5"},
    BridgeRow{"UnsignedArgumentBooleanResult",
              "Calculator.isEven(-2) + ',' + typeof Calculator.isEven(3)", "true,boolean"},
    BridgeRow{"StringArgumentAndResult", "Calculator.greet(12)", "hello 12"},
    BridgeRow{"StringListResultIsAnArray", "var w = Calculator.words('a b c'); w.length + w[2]",
              "3c"},
    BridgeRow{"StringListFromArrayOrLines",
              "Calculator.count(['x', 'y', 'z']) + ',' + Calculator.count('p\\nq')", "3,2"},
    BridgeRow{"NoResultIsUndefined", "typeof Calculator.remember('x')", "undefined"},
    BridgeRow{"ArgumentCountIsTheParameterCount",
              "[Calculator.add.length, Calculator.greet.length, Calculator.words.length]", "2,1,1"},
    BridgeRow{"SlotsAndSignalsAreNotMethods",
              "typeof Calculator.reset + ',' + typeof Calculator.changed + ','"
              " + typeof Calculator.deleteLater", "undefined,undefined,undefined"},
    BridgeRow{"UnsupportedResultType", "Calculator.anything(1)",
              "TypeError: Unsupported type QVariant"},
    BridgeRow{"UnsupportedParameterType", "Calculator.takesVariant(1)",
              "TypeError: Unsupported type QVariant"},
    BridgeRow{"GetPropertyConversions",
              "[typeof Settings.GetProperty('count'), Settings.GetProperty('names'),"
              " Settings.GetProperty('enabled'), Settings.GetProperty('title'),"
              " typeof Settings.GetProperty('none')].join('|')",
              "number|a\nb|false|t|undefined"},
    BridgeRow{"SetPropertyConvertsToTheCurrentType",
              "Settings.SetProperty('count', '42'); Settings.SetProperty('mask', -1);"
              " Settings.SetProperty('enabled', 'yes'); Settings.SetProperty('names', 'x\\ny\\nz');"
              " Settings.SetProperty('ratio', 0.25);"
              " [Settings.GetProperty('count') + 1, Settings.GetProperty('mask'),"
              " Settings.GetProperty('enabled'), Settings.GetProperty('names'),"
              " Settings.GetProperty('ratio')].join('|')",
              "43|4294967295|true|x\ny\nz|0.25"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(QObjectBridgeTest, CallsReachTheObject)
{
    EXPECT_EQ(run("Calculator.remember('from script'); Settings.SetProperty('count', 7)"),
              "undefined");
    EXPECT_EQ(m_calculator.remembered, "from script");
    EXPECT_EQ(m_settings.m_count, 7);
    EXPECT_EQ(m_settings.property("count").userType(), int(QMetaType::Int));
}

} // namespace

#include "host_qobject_test.moc"
