#include "esvalue.h"

#include "esatom.h"

#include <cmath>

const double ESValue::NaN = std::sqrt(-2.0);
const double ESValue::Infinity = std::exp(1e100);

const QString &ESValue::text() const
{
    Q_ASSERT(isString());
    return tag == ESTag::Atom ? atom->text : cell->text;
}
