#include "esobject.h"

ESProperty *ESObject::append(ESAtom *key, const ESValue &value)
{
    if (properties.size() == properties.capacity())
        properties.reserve(properties.size() + 50);
    properties.push_back(ESProperty{key, 0, value});
    return &properties.back();
}

int ESObject::indexOf(const ESAtom *key) const
{
    for (std::size_t i = 0; i < properties.size(); ++i) {
        if (properties[i].key == key)
            return int(i);
    }
    return -1;
}
