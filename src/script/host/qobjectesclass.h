#pragma once

#include "script/esclass.h"

#include <QPointer>

class QObject;

/// Turns the invokable methods of a QObject (Q_INVOKABLE, not signals or slots) into
/// the methods of a script object named after the object's class. Each built-in's index
/// is the meta-method index; its argument count is the number of parameter names.
/// Arguments and results convert for bool, int, unsigned int, double, QString and
/// QStringList (from an array's elements or a text split at line feeds; to an array);
/// a method without a result answers undefined. Any other type raises TypeError
/// "Unsupported type NAME" when the method is called. Overloads share a short name: the
/// last one declared wins. The object is not owned; once it is gone its methods answer
/// undefined.
class QObjectESClass : public ESClass
{
public:
    explicit QObjectESClass(QObject *object);

    ESObject *install(ESContext *cx) override;
    void call(ESContext *cx, ESObject *function, const ESValue &thisValue, int argc,
              ESValue *argv, ESValue *result) override;

    /// Makes a QObjectESClass for `object` owned by the context, installs it and
    /// answers it.
    static QObjectESClass *installInto(ESContext *cx, QObject *object);

private:
    QPointer<QObject> m_object;
};
