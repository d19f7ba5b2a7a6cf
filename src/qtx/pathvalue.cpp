#include "pathvalue.h"

#include <QStringList>
#include <QVector>

const QString &PathValue::path() const
{
    if (!m_cleaned) {
        m_path = clean(m_path);
        m_cleaned = true;
    }
    return m_path;
}

QString PathValue::clean(const QString &path)
{
    const QVector<QStringRef> components = path.splitRef(QLatin1Char('/'));
    QVector<QStringRef> retained;
    retained.reserve(components.size());
    int counted = 0;       // retained components that a ".." may remove
    bool changed = false;
    for (int i = 0; i < components.size(); ++i) {
        const QStringRef &component = components.at(i);
        if (component == QLatin1String("..")) {
            if (counted > 0) {
                retained.removeLast();
                --counted;
                changed = true;
            } else {
                retained.append(component);
            }
        } else if (component == QLatin1String(".")) {
            changed = true;
        } else if (component.isEmpty()) {
            // Only the leading empty component of an absolute path survives.
            if (i == 0 && path.startsWith(QLatin1Char('/')))
                retained.append(component);
            else
                changed = true;
        } else {
            retained.append(component);
            ++counted;
        }
    }
    if (!changed)
        return path;
    QString result;
    result.reserve(path.size());
    for (int i = 0; i < retained.size(); ++i) {
        if (i > 0)
            result += QLatin1Char('/');
        result += retained.at(i);
    }
    return result;
}
