#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

/// How a property's value is edited and combined. The numbers are the kind codes stored
/// with each property class; only Accumulating changes how values are resolved.
enum class PropertyKind {
    String = 0,
    Boolean = 1,       // "Yes" or "No"
    Enumeration = 2,   // one of the property's choices
    Integer = 3,
    FileName = 4,
    DirectoryName = 5,
    StringList = 6,    // ";"-separated, the nearest value wins
    Accumulating = 7,  // ";"-separated, values of every level and configuration are joined
    Command = 8,       // command lines, one per line
};

/// One entry of the property catalogue: the save name (the attribute name in solution
/// files), its kind, its default value, a one-line description for property views and,
/// for enumerations, the values it may take.
class PropertyClass
{
public:
    PropertyClass(const QString &saveName, PropertyKind kind, const QString &defaultValue,
                  const QString &description, const QStringList &choices = {});

    const QString &saveName() const { return m_saveName; }
    const QByteArray &attributeName() const { return m_attributeName; }
    PropertyKind kind() const { return m_kind; }
    int kindCode() const { return int(m_kind); }
    bool isAccumulating() const { return m_kind == PropertyKind::Accumulating; }
    const QString &defaultValue() const { return m_defaultValue; }
    const QString &description() const { return m_description; }
    const QStringList &choices() const { return m_choices; }

private:
    QString m_saveName;
    QByteArray m_attributeName;  // the save name in UTF-8, compared byte-wise
    PropertyKind m_kind;
    QString m_defaultValue;
    QString m_description;
    QStringList m_choices;
};

/// The set of known properties, found by save name. standard() is the catalogue of the
/// environment; a catalogue may be extended (the build tools add their own options).
class PropertyCatalogue
{
public:
    PropertyCatalogue();
    ~PropertyCatalogue();
    PropertyCatalogue(const PropertyCatalogue &) = delete;
    PropertyCatalogue &operator=(const PropertyCatalogue &) = delete;

    /// The environment's catalogue, built on first use.
    static PropertyCatalogue &standard();

    /// Adds (or replaces) a property; returns it.
    const PropertyClass *add(const QString &saveName, PropertyKind kind,
                             const QString &defaultValue, const QString &description,
                             const QStringList &choices = {});
    /// The property with this save name (exact, case-sensitive), or nullptr.
    const PropertyClass *find(const QString &saveName) const;
    const PropertyClass *find(const QByteArray &attributeName) const;
    /// Every property in the order it was added.
    std::vector<const PropertyClass *> all() const;

    /// Attributes with a structural meaning rather than a property value: "Name",
    /// "file_name", "target" and "inherited_configurations".
    static bool isStructuralAttribute(const QByteArray &name);

private:
    void addStandardProperties();

    std::vector<std::unique_ptr<PropertyClass>> m_classes;
    QHash<QByteArray, PropertyClass *> m_byName;
};
