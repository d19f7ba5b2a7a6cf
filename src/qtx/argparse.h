#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>
#include <ostream>

class DiagnosticSink;

namespace QTx {

/// A reusable command-line parser: a table of named options, a scan over argument
/// strings, indirect files of further arguments ("@file") and error reporting through
/// the process's diagnostic sink. A tool derives from it, declares its options in its
/// constructor and takes the positional arguments in handleArgument(); after the scan
/// the tool decides what the sink's error count means.
class ArgParse
{
public:
    enum class Kind : quint32 {
        NoArgument = 0,        // the option stands alone
        NextArgument = 1,      // the value is the following argument
        AttachedArgument = 2,  // the name is a prefix; the value is the rest of the argument
    };
    using Handler = std::function<void(const QString &name, const QString &value)>;

    struct Option
    {
        Kind kind = Kind::NoArgument;
        bool hasHandler = false;
        Handler handler;
        QString *valueTarget = nullptr;
        bool *flagTarget = nullptr;
        QString description;
        quint32 pass = 1;
    };

    explicit ArgParse(DiagnosticSink *sink);
    virtual ~ArgParse();
    ArgParse(const ArgParse &) = delete;
    ArgParse &operator=(const ArgParse &) = delete;

    /// Scans the arguments once; options act only in their own pass, positional
    /// arguments only in pass 1.
    void parse(const QStringList &arguments, unsigned pass);
    /// Reads further arguments from a file (one or more per line, "#" lines are
    /// comments) and scans them with the same pass.
    void readIndirectFile(const QString &fileName, unsigned pass);
    /// Splits one indirect-file line at blanks, honouring double quotes, appending to
    /// `out`. Returns the number of entries in `out`, or 0 after an unterminated string.
    int tokenize(const QString &fileName, int lineNumber, const QString &line, QStringList &out);

    const QMap<QString, Option> &options() const { return m_options; }
    DiagnosticSink *sink() const { return m_sink; }

    /// At most this many indirect files are open inside one another.
    static constexpr int maxIndirectDepth = 100;
    /// At most this many indirect files are read in one run, so that files naming
    /// themselves several times cannot multiply without end.
    static constexpr int maxIndirectFiles = 10000;

protected:
    void addOption(const QString &name, Kind kind, const Handler &handler,
                   const QString &description = QString(), quint32 pass = 1);
    void addOption(const QString &name, Kind kind, QString *valueTarget, bool *flagTarget,
                   const QString &description = QString(), quint32 pass = 1);

    virtual void handleArgument(const QString &argument) = 0;
    /// Reports "unrecognised option <argument>".
    virtual void unrecognisedOption(const QString &argument);
    /// Counts one error and returns the stream for its message, after the program
    /// name and ": error: ". Every message of the parser goes through here.
    virtual std::ostream &error();

    /// Writes one complete message through error().
    void reportError(const QString &message);

private:
    using OptionIterator = QMap<QString, Option>::const_iterator;
    OptionIterator findOption(const QString &argument, QString *value) const;

    QMap<QString, Option> m_options;
    int m_indirectDepth = 0;
    DiagnosticSink *m_sink;
    int m_indirectFilesRead = 0;
    bool m_allOptionsStartWithDash = true;
};

} // namespace QTx
