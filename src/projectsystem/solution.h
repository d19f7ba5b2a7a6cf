#pragma once

#include "xmldocument.h"

#include <QList>
#include <QString>

#include <exception>
#include <memory>

class ProjectElement;
class ProjectSystem;

/// Why a solution could not be loaded: the file, the message (which starts with the
/// file name for the file's own faults), the line (0 when unknown), the column (-1 when
/// unknown) and, for malformed XML, the reader's own description of the fault.
class SolutionLoadError : public std::exception
{
public:
    SolutionLoadError(const QString &fileName, const QString &message, int line = 0,
                      int column = -1, const QString &detail = QString());

    const QString &fileName() const { return m_fileName; }
    const QString &message() const { return m_message; }
    int line() const { return m_line; }
    int column() const { return m_column; }
    const QString &detail() const { return m_detail; }
    /// The message with the position and detail when there are any:
    /// "a.hzp is a malformed solution file (bad XML): line 3, column 7: tagName mismatch".
    QString text() const;
    const char *what() const noexcept override;

private:
    QString m_fileName;
    QString m_message;
    int m_line;
    int m_column;
    QString m_detail;
    QByteArray m_what;
};

/// A problem found while loading that does not stop the load.
struct SolutionLoadWarning
{
    QString message;
    int line = 0;
};

/// One loaded solution file: its document, whose root element is the solution node, and
/// the warnings of its load. Owned by the project system.
class Solution
{
public:
    static constexpr int indentUnit = 2;
    static constexpr int wrapWidth = 75;
    static constexpr const char *documentTypeName = "TessaStudio_Project_File";

    Solution(ProjectSystem *system, const QString &absolutePath);
    ~Solution();
    Solution(const Solution &) = delete;
    Solution &operator=(const Solution &) = delete;

    /// Reads, checks and builds the tree; throws SolutionLoadError. `displayName` is the
    /// path as the caller gave it, used in the messages.
    void load(const QString &displayName);

    /// Writes the tree to the solution's path; on failure returns false and
    /// errorText() says why ("Can't open <path> for writing").
    bool save();
    /// save() to another path, which becomes the solution's path on success.
    bool saveAs(const QString &path);
    const QString &errorText() const { return m_errorText; }

    const QString &path() const { return m_path; }
    QString directory() const;
    ProjectElement *root() const;
    XMLDocument &document() { return m_document; }
    const XMLDocument &document() const { return m_document; }
    const QList<SolutionLoadWarning> &warnings() const { return m_warnings; }
    bool isModified() const;
    void setUnmodified();

private:
    void runLoadCommands(const QString &displayName);
    void checkAttributes();

    ProjectSystem *m_system;
    QString m_path;
    XMLDocument m_document;
    QList<SolutionLoadWarning> m_warnings;
    QString m_errorText;
};
