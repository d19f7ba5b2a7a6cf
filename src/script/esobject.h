#pragma once

#include "esvalue.h"

#include <memory>
#include <vector>

class ESAtom;
class ESClass;
class ESCodeBlock;

/// Attribute bits of a property.
struct ESAttribute
{
    static constexpr quint32 ReadOnly = 1;    // an assignment is silently ignored
    static constexpr quint32 DontEnum = 2;    // skipped by for-in, propertyIsEnumerable false
    static constexpr quint32 DontDelete = 4;  // delete yields false
};

/// One property record. Deleting clears the key, attributes and value in place: the
/// record keeps its slot (compiled code addresses global variables by slot) and
/// look-up and enumeration skip it.
struct ESProperty
{
    ESAtom *key = nullptr;
    quint32 attributes = 0;
    ESValue value;
};

/// The call (and construct) record of a function: the parameter count (a built-in's
/// declared argument count), the compiled body (none for built-ins, owned by the
/// context's block registry) and the scope chain captured when the closure was made.
struct ESFunctionInfo
{
    int parameterCount = 0;
    ESCodeBlock *block = nullptr;
    ESObject *scope = nullptr;
};

/// A hash of an object's keys to their record numbers, built once the object has many
/// properties (large arrays, big global objects) so that look-up stays constant time.
/// Deleted records keep their slot: their cleared key matches nothing, so they need no
/// removal from the table.
struct ESPropertyIndex
{
    std::vector<quint32> table;  // record number + 1; 0 is an empty slot
    quint32 used = 0;
};

/// Every script object: a fixed record. Objects come from the context's pool and live
/// as long as the context; there is no collector. The prototype chain is walked by
/// look-up; the class decides property access, calls and construction. Scope-chain
/// nodes are objects too: their prototype is the next node and their internal value the
/// object searched at that level.
class ESObject
{
public:
    ESObject *prototype = nullptr;
    ESValue value;  // wrapped primitive, time value, function name atom, ...
    ESFunctionInfo *call = nullptr;       // non-null for functions
    ESFunctionInfo *construct = nullptr;  // non-null for what `new` accepts
    ESClass *esClass = nullptr;
    std::vector<ESProperty> properties;   // in insertion order
    qint32 builtinIndex = -1;             // the method number a built-in class dispatches on
    ESObject *nextFree = nullptr;
    ESObject *nextAll = nullptr;
    std::unique_ptr<ESFunctionInfo> ownedInfo;  // what call and construct point to
    std::unique_ptr<ESPropertyIndex> index;     // null while the object is small

    /// The own record with this key, or null.
    ESProperty *findOwn(const ESAtom *key)
    {
        if (index)
            return findIndexed(key);
        for (ESProperty &property : properties) {
            if (property.key == key)
                return &property;
        }
        return nullptr;
    }
    /// Appends a record with attributes 0. A full array grows by 50 records, or by half
    /// its size once that is more, so that filling a large array stays linear.
    ESProperty *append(ESAtom *key, const ESValue &value);
    /// The record's index in the property array, or -1.
    int indexOf(const ESAtom *key) const;

private:
    ESProperty *findIndexed(const ESAtom *key);
    void addToIndex(quint32 record);
    void rebuildIndex();
};
