#include "buildlog.h"

QString BuildLog::countText(int count, const QString &singular, const QString &plural)
{
    if (count == 0)
        return QString();
    if (count == 1)
        return "1 " + singular;
    return QStringLiteral("%1 ").arg(count) + plural;
}

void BuildLog::echo(const QString &line)
{
    if (m_echo)
        m_echo(line);
}

int BuildLog::beginGroup(const QString &title, quint32 flags, int buildIndex)
{
    Group group;
    group.title = title;
    group.flags = flags | groupFlag;
    group.buildIndex = buildIndex;
    m_groups.append(group);
    if (!m_wholeGroups)
        echo(title);
    return m_groups.size() - 1;
}

void BuildLog::addLine(int group, quint32 kind, const QString &text, int stream)
{
    if (kind == OutputLine && !m_showOtherLines)
        return;
    if (group < 0 || group >= m_groups.size()) {
        // A message outside any step still counts and shows.
        m_errors += kind == ErrorLine;
        m_warnings += kind == WarningLine;
        echo(text);
        return;
    }
    Group &target = m_groups[group];
    Line line;
    line.kind = kind;
    line.text = text;
    line.stream = stream;
    target.lines.append(line);
    switch (kind) {
    case ErrorLine: ++target.errors; ++m_errors; break;
    case WarningLine: ++target.warnings; ++m_warnings; break;
    case NoteLine: ++target.notes; break;
    default: break;
    }
    if (!m_wholeGroups)
        echo("    " + text);
}

namespace {

QString wholeGroupLine(const BuildLog::Line &line)
{
    const Diagnostic &diagnostic = line.diagnostic;
    if (diagnostic.severity == Diagnostic::Plain || diagnostic.file.isEmpty()
        || diagnostic.line < 0)
        return line.text;
    const char *word = diagnostic.severity == Diagnostic::Error     ? "error"
                       : diagnostic.severity == Diagnostic::Warning ? "warning"
                                                                    : "note";
    QString text = diagnostic.file + ':' + QString::number(diagnostic.line) + ':';
    if (diagnostic.column >= 0)
        text += QString::number(diagnostic.column) + ':';
    return text + ' ' + word + ": " + diagnostic.message;
}

} // namespace

void BuildLog::endGroup(int group)
{
    if (group < 0 || group >= m_groups.size() || m_groups[group].ended)
        return;
    Group &ended = m_groups[group];
    ended.ended = true;
    if (!m_wholeGroups)
        return;
    echo(ended.title);
    for (const Line &line : ended.lines)
        echo("    " + wholeGroupLine(line));
    if (!ended.status.isEmpty())
        echo("    " + ended.status);
}

void BuildLog::endOpenGroups()
{
    for (int group = 0; group < m_groups.size(); ++group)
        endGroup(group);
}

void BuildLog::addDiagnostic(int group, const Diagnostic &diagnostic, const QString &text)
{
    const bool inGroup = group >= 0 && group < m_groups.size();
    const int before = inGroup ? m_groups[group].lines.size() : 0;
    addLine(group, quint32(diagnostic.severity), text, -1);
    if (inGroup && m_groups[group].lines.size() > before)
        m_groups[group].lines.last().diagnostic = diagnostic;
}

void BuildLog::terminate(int group)
{
    if (group >= 0 && group < m_groups.size() && m_groups[group].status.isEmpty())
        m_groups[group].status = QStringLiteral("Terminated");
}

QStringList BuildLog::text() const
{
    QStringList lines;
    for (const Group &group : m_groups) {
        lines.append(group.title);
        for (const Line &line : group.lines)
            lines.append("    " + line.text);
    }
    return lines;
}
