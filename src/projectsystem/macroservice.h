#pragma once

#include <QMap>
#include <QString>

#include <memory>
#include <vector>

using MacroTable = QMap<QString, QString>;

/// Describes one system macro for the environment's property views: its name is
/// "$(" + macro name + ")" and it carries the macro's description.
class MacroPropertyClass
{
public:
    MacroPropertyClass(const QString &macroName, const QString &description);
    const QString &name() const { return m_name; }
    const QString &description() const { return m_description; }

private:
    QString m_name;
    QString m_description;
};

/// The process-wide macro service: the system and global macro tables, a described
/// entry per system macro, and the expansion of $(Name) references in text.
///
/// Reference syntax: $(Name), $(Name:default) (the default is expanded), $(Name::default)
/// (the default is literal), and $$ for one "$". A name that is found in no consulted
/// table stays in the text as written; an unterminated "$(" is dropped.
class MacroService
{
public:
    MacroService();
    ~MacroService();
    MacroService(const MacroService &) = delete;
    MacroService &operator=(const MacroService &) = delete;

    void define(const QString &name, const QString &value, const QString &description = {});
    /// define() with the cleaned path.
    void definePath(const QString &name, const QString &path, const QString &description = {});
    /// The studio's own macros: version, names, directories and file extensions.
    void defineStudioMacros(const QString &installDirectory, const QString &userDataDirectory);

    MacroTable systemMacros() const { return m_systemMacros; }
    MacroTable globalMacros() const { return m_globalMacros; }
    void setGlobalMacros(const MacroTable &table) { m_globalMacros = table; }
    const std::vector<std::unique_ptr<MacroPropertyClass>> &descriptors() const
    {
        return m_descriptors;
    }

    /// A copy of `base` with every entry of `overriding` set into it.
    static MacroTable merge(const MacroTable &base, const MacroTable &overriding);

    /// Expands the references in `text`, looking names up in `table`, then (when asked)
    /// in the global table and in the system table. Expansion never fails. Values that
    /// refer to each other in a cycle stop after maxNesting nested expansions: the
    /// reference met at that depth is written back as it stands.
    QString expand(const MacroTable &table, const QString &text, bool useGlobal,
                   bool useSystem) const;

    /// The current value of the date and time macros ("Date", "Time", "UnixTime", ...);
    /// false for any other name.
    static bool dynamicValue(const QString &name, QString *value);

    static constexpr int maxNesting = 64;
    static constexpr char introducer = '$';

    /// The process's service, set by whoever creates it first.
    static MacroService *instance();
    static void setInstance(MacroService *service);

private:
    QString expand(const MacroTable &table, const QString &text, bool useGlobal,
                   bool useSystem, int depth, int &lookups) const;
    const QString *lookup(const MacroTable &table, const QString &name, bool useGlobal,
                          bool useSystem) const;

    std::vector<std::unique_ptr<MacroPropertyClass>> m_descriptors;
    MacroTable m_systemMacros;
    MacroTable m_globalMacros;
};
