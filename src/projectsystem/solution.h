#pragma once

#include "xmldocument.h"

#include <QList>
#include <QString>
#include <QStringList>

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
///
/// A solution element below the root with a "file_name" links another solution file:
/// loading reads that file with the same checks and messages (which then name the
/// linked file), moves its root's children below the linking element and marks that
/// element linked. Linked files may link further files; a file that links itself,
/// directly or through others, is refused, and so is linking deeper than maxLinkDepth
/// files or more than maxLinkedFiles files in one load.
class Solution
{
public:
    static constexpr int indentUnit = 2;
    static constexpr int wrapWidth = 75;
    static constexpr const char *documentTypeName = "TessaStudio_Project_File";
    static constexpr int maxLinkDepth = 16;
    static constexpr int maxLinkedFiles = 256;

    Solution(ProjectSystem *system, const QString &absolutePath);
    ~Solution();
    Solution(const Solution &) = delete;
    Solution &operator=(const Solution &) = delete;

    /// Reads, checks and builds the tree, running the load commands of the solution
    /// and of the files it links when the project system says so, and linking nested
    /// solutions; throws SolutionLoadError. `displayName` is the path as the caller gave
    /// it, used in the messages.
    void load(const QString &displayName);
    /// Throws SolutionLoadError "<displayName> does not exist" or "<displayName> cannot
    /// access" (also for anything but a regular file) unless `path` can be read.
    static void checkReadable(const QString &path, const QString &displayName,
                              const QString &detail = QString());

    /// Writes the tree to the solution's path, with linked solutions inline; on failure
    /// returns false and errorText() says why ("Can't open <path> for writing"), and the
    /// file on disk is left as it was.
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
    std::unique_ptr<XMLElement> createNode(const QByteArray &tag);
    void readDocument(XMLDocument &document, const QString &path, const QString &displayName);
    void runLoadCommands(const XMLElement &source, const ProjectElement *node,
                         const QString &directory, const QString &displayName);
    void linkSolutions(ProjectElement *top, const QString &filePath, QStringList &chain);
    void linkSolution(ProjectElement *element, const QString &includingPath,
                      QStringList &chain);
    void checkAttributes();
    void unlinkSolutions();

    ProjectSystem *m_system;
    QString m_path;
    XMLDocument m_document;
    QList<SolutionLoadWarning> m_warnings;
    QString m_errorText;
    int m_linkedFiles = 0;
};
