#pragma once

#include "script/esclass.h"

#include <QObject>

/// A QObject that scripts reach by property name: installed under its name, it offers
/// `SetProperty(name, value)` and `GetProperty(name)` over the object's Qt properties.
/// SetProperty converts the value to the property's current type (bool, int,
/// unsigned int, a string list split at line feeds, anything else a string);
/// GetProperty gives int and unsigned int as numbers, a string list joined with line
/// feeds, a property that does not exist as undefined and anything else as its text.
/// Subclasses declare the properties. The context does not own the object: it must
/// outlive the context it was installed into.
class ESQObject : public QObject, public ESClass
{
    Q_OBJECT
public:
    /// `name` is the global name; it must live as long as the object (a literal).
    explicit ESQObject(const char *name, QObject *parent = nullptr);

    ESObject *install(ESContext *cx) override;
    void call(ESContext *cx, ESObject *function, const ESValue &thisValue, int argc,
              ESValue *argv, ESValue *result) override;

private:
    void setScriptProperty(ESContext *cx, const QString &name, const ESValue &value);
    ESValue scriptProperty(ESContext *cx, const QString &name) const;
};
