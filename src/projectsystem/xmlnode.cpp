#include "xmlnode.h"

#include <vector>

XMLNode::~XMLNode()
{
    destroyChildren();
}

// Deleting a child recursively would use one stack frame per level of nesting; instead
// every subtree is unlinked onto a work list first, so each deleted node has no
// children left when its destructor runs.
void XMLNode::destroyChildren()
{
    std::vector<XMLNode *> pending;
    for (XMLNode *child = m_firstChild; child; child = child->m_next)
        pending.push_back(child);
    m_firstChild = m_lastChild = nullptr;
    while (!pending.empty()) {
        XMLNode *node = pending.back();
        pending.pop_back();
        for (XMLNode *child = node->m_firstChild; child; child = child->m_next)
            pending.push_back(child);
        node->m_firstChild = node->m_lastChild = nullptr;
        delete node;
    }
}

XMLElement *XMLNode::firstChildElement() const
{
    for (XMLNode *child = m_firstChild; child; child = child->m_next) {
        if (child->isElement())
            return static_cast<XMLElement *>(child);
    }
    return nullptr;
}

XMLElement *XMLNode::nextSiblingElement() const
{
    for (XMLNode *sibling = m_next; sibling; sibling = sibling->m_next) {
        if (sibling->isElement())
            return static_cast<XMLElement *>(sibling);
    }
    return nullptr;
}

void XMLNode::link(std::unique_ptr<XMLNode> owned, XMLNode *after)
{
    Q_ASSERT(owned && !owned->m_parent && isElement());
    Q_ASSERT(!after || after->m_parent == this);
    XMLNode *child = owned.release();  // from here on destroyChildren() frees it
    child->m_parent = static_cast<XMLElement *>(this);
    child->m_previous = after;
    child->m_next = after ? after->m_next : m_firstChild;
    if (child->m_next)
        child->m_next->m_previous = child;
    else
        m_lastChild = child;
    if (after)
        after->m_next = child;
    else
        m_firstChild = child;
    childrenChanged(child);
}

std::unique_ptr<XMLNode> XMLNode::takeChild(XMLNode *child)
{
    Q_ASSERT(child && child->m_parent == this);
    if (child->m_previous)
        child->m_previous->m_next = child->m_next;
    else
        m_firstChild = child->m_next;
    if (child->m_next)
        child->m_next->m_previous = child->m_previous;
    else
        m_lastChild = child->m_previous;
    child->m_parent = nullptr;
    child->m_next = child->m_previous = nullptr;
    std::unique_ptr<XMLNode> owned(child);
    childrenChanged(child);
    return owned;
}

void XMLNode::removeChild(XMLNode *child)
{
    takeChild(child).reset();
}

QByteArray XMLElement::attribute(const QByteArray &name) const
{
    const auto it = m_attributes.constFind(name);
    return it == m_attributes.constEnd() ? QByteArray() : it->value;
}

QString XMLElement::attributeString(const QByteArray &name) const
{
    return QString::fromUtf8(attribute(name));
}

void XMLElement::setAttribute(const QByteArray &name, const QByteArray &value)
{
    const bool existed = m_attributes.contains(name);
    XMLAttribute &attribute = m_attributes[name];
    const bool changed = !existed || !attribute.hasValue || attribute.value != value;
    attribute.value = value;
    attribute.hasValue = true;
    attributeChanged(name, changed);
}

void XMLElement::setAttributeWithoutValue(const QByteArray &name)
{
    const bool existed = m_attributes.contains(name);
    XMLAttribute &attribute = m_attributes[name];
    const bool changed = !existed || attribute.hasValue;
    attribute.value.clear();
    attribute.hasValue = false;
    attributeChanged(name, changed);
}

bool XMLElement::removeAttribute(const QByteArray &name)
{
    if (m_attributes.remove(name) == 0)
        return false;
    attributeChanged(name, true);
    return true;
}
