#include "studioscriptsystem.h"

#include "binaryfileesclass.h"
#include "studioscriptcontexts.h"
#include "trsysesclass.h"

#include "script/esatom.h"
#include "script/esclass.h"
#include "script/escontext.h"
#include "script/esnatives.h"
#include "script/esobject.h"
#include "qtx/directories.h"
#include "qtx/hexception.h"

#include <QRegularExpression>

namespace {

constexpr int helpLineWidth = 80;

// Appends `text` to `out` as lines of at most helpLineWidth characters, broken at
// blanks: the first line indented by `indent` blanks, the rest by `indent` + 4.
void appendWrapped(QString &out, const QString &text, int indent)
{
    QString line(indent, QLatin1Char(' '));
    bool lineHasWord = false;
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &word : words) {
        if (lineHasWord && line.size() + 1 + word.size() > helpLineWidth) {
            out += line + '\n';
            line = QString(indent + 4, QLatin1Char(' '));
            lineHasWord = false;
        }
        line += (lineHasWord ? QStringLiteral(" ") : QString()) + word;
        lineHasWord = true;
    }
    out += line + '\n';
}

} // namespace

StudioScriptSystem::StudioScriptSystem(WScriptESClass::Writer echo, ContextKind kind)
    : m_kind(kind)
{
    m_installers.push_back([echo](ESContext *cx) -> ESClass * {
        return WScriptESClass::installInto(cx, echo);
    });
    m_installers.push_back(
        [](ESContext *cx) -> ESClass * { return BinaryFileESClass::installInto(cx); });
    m_installers.push_back(
        [](ESContext *cx) -> ESClass * { return TRSysESClass::installInto(cx); });
}

StudioScriptSystem::~StudioScriptSystem() = default;

void StudioScriptSystem::addHostObject(const HostInstaller &installer)
{
    m_installers.push_back(installer);
    if (m_context)
        install(installer);
}

void StudioScriptSystem::install(const HostInstaller &installer)
{
    m_hostClasses.push_back(installer(m_context.get()));
}

void StudioScriptSystem::createContext()
{
    if (m_kind == ContextKind::Plain)
        m_context = std::make_unique<ESContext>();
    else
        m_context = std::make_unique<MyESContext>(this, m_kind == ContextKind::ProcessEvents);
    m_context->setUp();
    const QString installation = Directories::installDirectory().path();
    if (!installation.isEmpty()) {
        const QString bin = installation + QStringLiteral("/bin");
        if (!ESNativeGlobal::loadPath().contains(bin))
            ESNativeGlobal::loadPath().append(bin);
    }
    for (const HostInstaller &installer : m_installers)
        install(installer);
}

StudioScriptSystem::Entry::Entry(StudioScriptSystem &system) : m_system(system)
{
    if (system.m_nesting >= maxNesting)
        throw HException("script recursion limit reached");
    if (!system.m_context)
        system.createContext();
    ++system.m_nesting;
}

StudioScriptSystem::Entry::~Entry()
{
    --m_system.m_nesting;
}

ESContext *StudioScriptSystem::Entry::context() const
{
    return m_system.m_context.get();
}

ESCompletion StudioScriptSystem::evaluate(const QString &fileName, const QString &source)
{
    Entry entry(*this);
    return entry.context()->evaluate(fileName, source);
}

QStringList StudioScriptSystem::hostObjectNames() const
{
    QStringList names;
    for (const ESClass *hostClass : m_hostClasses)
        names.append(QString::fromLatin1(hostClass->name()));
    return names;
}

QString StudioScriptSystem::plainText(const QString &html)
{
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    QString text = html;
    text.remove(tag);
    text.replace(QLatin1String("&lt;"), QLatin1String("<"));
    text.replace(QLatin1String("&gt;"), QLatin1String(">"));
    text.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return text;
}

QString StudioScriptSystem::hostObjectsHelp()
{
    Entry entry(*this);
    ESContext *cx = entry.context();
    ESAtom *helpKey = ESAtom::intern("help");
    QString out;
    for (const QString &name : hostObjectNames()) {
        if (!out.isEmpty())
            out += '\n';
        out += name + '\n';
        const ESValue object = cx->get(cx->global(), ESAtom::intern(name));
        if (!object.isObject())
            continue;
        for (const ESProperty &property : object.object->properties) {
            if (!property.key || !property.value.isObject() || !property.value.object->call)
                continue;
            const ESValue help = cx->get(property.value.object, helpKey);
            if (help.isString()) {
                appendWrapped(out, plainText(help.text()), 4);
            } else {
                const int count = property.value.object->call->parameterCount;
                appendWrapped(out,
                              QStringLiteral("%1.%2 (%3 argument%4)")
                                  .arg(name, property.key->text)
                                  .arg(count)
                                  .arg(count == 1 ? "" : "s"),
                              4);
            }
        }
    }
    return out;
}
