#include "esqobject.h"

#include "scripthostsupport.h"

#include "script/escontext.h"
#include "script/esobject.h"

#include <QStringList>
#include <QVariant>

namespace {

enum ESQObjectMethod { SetProperty, GetProperty };

const ESBuiltinDescriptor methods[] = {
    {"SetProperty", "ESQObject.prototype.SetProperty", 2, 0, SetProperty},
    {"GetProperty", "ESQObject.prototype.GetProperty", 1, 0, GetProperty},
};

} // namespace

ESQObject::ESQObject(const char *name, QObject *parent) : QObject(parent), ESClass(name) {}

ESObject *ESQObject::install(ESContext *cx)
{
    return scriptInstallHost(cx, this, methods, int(std::size(methods)));
}

void ESQObject::call(ESContext *cx, ESObject *function, const ESValue &thisValue, int argc,
                     ESValue *argv, ESValue *result)
{
    switch (function->builtinIndex) {
    case SetProperty:
        setScriptProperty(cx, cx->toString(argv[0]), argv[1]);
        *result = ESValue();
        return;
    case GetProperty:
        *result = scriptProperty(cx, cx->toString(argv[0]));
        return;
    default:
        ESClass::call(cx, function, thisValue, argc, argv, result);
    }
}

void ESQObject::setScriptProperty(ESContext *cx, const QString &name, const ESValue &value)
{
    const QByteArray key = name.toUtf8();
    QVariant converted;
    switch (property(key.constData()).userType()) {
    case QMetaType::Bool:
        converted = cx->toBoolean(value);
        break;
    case QMetaType::Int:
        converted = cx->toInt32(value);
        break;
    case QMetaType::UInt:
        converted = cx->toUint32(value);
        break;
    case QMetaType::QStringList:
        converted = cx->toString(value).split(QLatin1Char('\n'));
        break;
    default:
        converted = cx->toString(value);
        break;
    }
    setProperty(key.constData(), converted);
}

ESValue ESQObject::scriptProperty(ESContext *cx, const QString &name) const
{
    const QVariant value = property(name.toUtf8().constData());
    QString text;
    switch (value.userType()) {
    case QMetaType::UnknownType:
        return ESValue();
    case QMetaType::Int:
        return ESValue::fromNumber(value.toInt());
    case QMetaType::UInt:
        return ESValue::fromNumber(value.toUInt());
    case QMetaType::QStringList:
        text = value.toStringList().join(QLatin1Char('\n'));
        break;
    default:
        text = value.toString();
        break;
    }
    return ESValue::fromCell(cx->newStringCell(text));
}
