#pragma once

#include <QString>
#include <QStringList>

#include <ostream>

class ProjectElement;
class ProjectSystem;
class Solution;

/// The command-line front end of the project model: shows a solution's tree, resolves
/// and sets property values, and rewrites solution files in the canonical layout.
class TessaProjectTool
{
public:
    /// Runs one command; returns the exit status (0 success, 1 error).
    int run(const QStringList &arguments);

    /// The node at `path` ("Project/Folder/file.c", names from below the solution;
    /// empty or "." for the solution itself). Throws HException when there is none.
    static ProjectElement *findNode(ProjectElement *solution, const QString &path);

private:
    int tree(const QStringList &positional);
    int get(const QStringList &positional);
    int set(const QStringList &positional);
    int format(const QStringList &positional);
    Solution *load(ProjectSystem &system, const QString &fileName);
    void expectArguments(const QStringList &positional, int minimum, int maximum) const;

    QString m_configuration = QStringLiteral("Common");
    bool m_trace = false;
    bool m_expand = false;
    bool m_runLoadCommands = true;
};
