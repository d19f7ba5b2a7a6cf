#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

#include <memory>
#include <type_traits>

class XMLDocument;
class XMLElement;

/// One node of the document model: an element, a run of text, a comment or a character
/// data section. Nodes form an intrusive tree (parent, first and last child, siblings) so
/// that the next sibling is found in constant time. A node owns its children: they come
/// in and go out as std::unique_ptr, while the navigation pointers (parent, children,
/// siblings) never own. A node destroys its subtree without recursion, so a tree of any
/// depth can be freed.
class XMLNode
{
public:
    enum class Type { Element, Text, Comment, CData };

    explicit XMLNode(Type type) : m_type(type) {}
    virtual ~XMLNode();
    XMLNode(const XMLNode &) = delete;
    XMLNode &operator=(const XMLNode &) = delete;

    Type type() const { return m_type; }
    bool isElement() const { return m_type == Type::Element; }

    XMLElement *parent() const { return m_parent; }
    XMLNode *firstChild() const { return m_firstChild; }
    XMLNode *lastChild() const { return m_lastChild; }
    XMLNode *nextSibling() const { return m_next; }
    XMLNode *previousSibling() const { return m_previous; }

    /// The first element among the children, or nullptr.
    XMLElement *firstChildElement() const;
    /// The next element after this node among its siblings, or nullptr.
    XMLElement *nextSiblingElement() const;

    /// Links `child` after `after` (at the front when `after` is nullptr); the child
    /// then belongs to this node. Returns it, still as its own type, for further use.
    template <typename Node>
    Node *insertChild(std::unique_ptr<Node> child, XMLNode *after)
    {
        static_assert(std::is_base_of<XMLNode, Node>::value, "children are XMLNodes");
        Node *node = child.get();
        link(std::move(child), after);
        return node;
    }
    template <typename Node>
    Node *appendChild(std::unique_ptr<Node> child)
    {
        return insertChild(std::move(child), m_lastChild);
    }
    /// Unlinks `child`, one of this node's children, and hands it to the caller.
    [[nodiscard]] std::unique_ptr<XMLNode> takeChild(XMLNode *child);
    /// Unlinks and destroys `child` with its subtree.
    void removeChild(XMLNode *child);

    /// Text of a text, comment or character data node (raw bytes).
    const QByteArray &data() const { return m_data; }
    void setData(const QByteArray &data) { m_data = data; }

protected:
    /// Called on the parent after a child was linked in or unlinked.
    virtual void childrenChanged(XMLNode *child) { (void)child; }

private:
    void link(std::unique_ptr<XMLNode> child, XMLNode *after);
    void destroyChildren();

    Type m_type;
    XMLElement *m_parent = nullptr;
    // The children are owned through m_firstChild and the m_next chain; the owning
    // links stay raw so that destroyChildren() can free them without recursion.
    XMLNode *m_firstChild = nullptr;
    XMLNode *m_lastChild = nullptr;
    XMLNode *m_next = nullptr;
    XMLNode *m_previous = nullptr;
    QByteArray m_data;
};

/// One attribute value. An attribute may exist without a value (written as name="").
struct XMLAttribute
{
    QByteArray value;
    bool hasValue = true;
};

/// Attributes ordered by byte-wise comparison of their names (QByteArray's operator<
/// compares like strcmp), which is also the order the writer puts them in.
using XMLAttributeMap = QMap<QByteArray, XMLAttribute>;

/// An element: its tag, attributes and children, and the line it started on when read.
class XMLElement : public XMLNode
{
public:
    explicit XMLElement(const QByteArray &tag) : XMLNode(Type::Element), m_tag(tag) {}

    const QByteArray &tag() const { return m_tag; }
    const XMLAttributeMap &attributes() const { return m_attributes; }

    bool hasAttribute(const QByteArray &name) const { return m_attributes.contains(name); }
    /// The value as raw bytes; empty when absent or without a value.
    QByteArray attribute(const QByteArray &name) const;
    /// The value decoded as UTF-8.
    QString attributeString(const QByteArray &name) const;
    /// Sets (replaces) the value. The hooks below see every change.
    void setAttribute(const QByteArray &name, const QByteArray &value);
    void setAttribute(const QByteArray &name, const QString &value)
    {
        setAttribute(name, value.toUtf8());
    }
    /// An attribute that exists without a value.
    void setAttributeWithoutValue(const QByteArray &name);
    /// Returns false when there was no such attribute.
    bool removeAttribute(const QByteArray &name);

    int line() const { return m_line; }
    void setLine(int line) { m_line = line; }

protected:
    /// Called after an attribute was set or removed; `valueChanged` is false when it
    /// was set to the value it already had.
    virtual void attributeChanged(const QByteArray &name, bool valueChanged)
    {
        (void)name;
        (void)valueChanged;
    }

private:
    QByteArray m_tag;
    XMLAttributeMap m_attributes;
    int m_line = 0;
};
