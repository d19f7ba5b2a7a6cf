#include "qobjectesclass.h"

#include "scripthostsupport.h"

#include "script/esatom.h"
#include "script/escontext.h"
#include "script/esnatives.h"
#include "script/esobject.h"

#include <QMetaMethod>
#include <QObject>
#include <QStringList>
#include <QVariant>

#include <array>
#include <vector>

namespace {

// QMetaMethod::invoke takes at most ten arguments.
constexpr int maxParameters = 10;

bool isSupported(int type)
{
    switch (type) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Double:
    case QMetaType::QString:
    case QMetaType::QStringList:
        return true;
    default:
        return false;
    }
}

[[noreturn]] void unsupportedType(ESContext *cx, const QByteArray &typeName)
{
    cx->throwTypeError(QStringLiteral("Unsupported type %1").arg(QString::fromLatin1(typeName)));
}

QStringList toStringList(ESContext *cx, const ESValue &value)
{
    if (!ESNativeArray::isArray(cx, value))
        return cx->toString(value).split(QLatin1Char('\n'));
    ESObject *array = value.object;
    const quint32 length = ESNativeArray::lengthOf(cx, array);
    QStringList list;
    for (quint32 i = 0; i < length; ++i)
        list.append(cx->toString(cx->get(array, ESAtom::forIndex(i))));
    return list;
}

QVariant toVariant(ESContext *cx, const ESValue &value, int type)
{
    switch (type) {
    case QMetaType::Bool:
        return cx->toBoolean(value);
    case QMetaType::Int:
        return cx->toInt32(value);
    case QMetaType::UInt:
        return cx->toUint32(value);
    case QMetaType::Double:
        return cx->toNumber(value);
    case QMetaType::QString:
        return cx->toString(value);
    default:
        return toStringList(cx, value);
    }
}

ESValue fromVariant(ESContext *cx, const QVariant &value)
{
    switch (value.userType()) {
    case QMetaType::Bool:
        return ESValue::boolean(value.toBool());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Double:
        return ESValue::fromNumber(value.toDouble());
    case QMetaType::QString:
        return ESValue::fromCell(cx->newStringCell(value.toString()));
    case QMetaType::QStringList: {
        const QStringList list = value.toStringList();
        std::vector<ESValue> elements;
        for (const QString &text : list)
            elements.push_back(ESValue::fromCell(cx->newStringCell(text)));
        return ESValue::fromObject(
            ESNativeArray::newArray(cx, elements.data(), int(elements.size())));
    }
    default:
        return ESValue();
    }
}

} // namespace

QObjectESClass::QObjectESClass(QObject *object)
    : ESClass(object->metaObject()->className()), m_object(object)
{
}

ESObject *QObjectESClass::install(ESContext *cx)
{
    ESObject *target = ESClass::install(cx);
    const QMetaObject *meta = m_object->metaObject();
    for (int index = 0; index < meta->methodCount(); ++index) {
        const QMetaMethod method = meta->method(index);
        if (method.methodType() != QMetaMethod::Method)
            continue;
        const QByteArray signature = method.methodSignature();
        const QByteArray name = signature.left(signature.indexOf('('));
        const QByteArray fullName = "studio.prototype." + name;
        cx->defineBuiltin(target, this,
                          {name.constData(), fullName.constData(),
                           int(method.parameterNames().size()), 0, index});
    }
    return target;
}

QObjectESClass *QObjectESClass::installInto(ESContext *cx, QObject *object)
{
    return scriptAdoptHost<QObjectESClass>(cx, object);
}

void QObjectESClass::call(ESContext *cx, ESObject *function, const ESValue &thisValue,
                          int argc, ESValue *argv, ESValue *result)
{
    const QMetaMethod method =
        m_object ? m_object->metaObject()->method(function->builtinIndex) : QMetaMethod();
    if (!method.isValid() || method.methodType() != QMetaMethod::Method) {
        ESClass::call(cx, function, thisValue, argc, argv, result);
        return;
    }
    const int count = method.parameterCount();
    if (count > maxParameters)
        cx->throwTypeError(QStringLiteral("too many parameters"));
    std::array<QVariant, maxParameters> arguments;
    std::array<QGenericArgument, maxParameters> generic;
    for (int i = 0; i < count; ++i) {
        const int type = method.parameterType(i);
        if (!isSupported(type))
            unsupportedType(cx, method.parameterTypes().at(i));
        arguments[std::size_t(i)] = toVariant(cx, argv[i], type);
        generic[std::size_t(i)] =
            QGenericArgument(QMetaType::typeName(type), arguments[std::size_t(i)].constData());
    }
    const int returnType = method.returnType();
    QVariant returned;
    QGenericReturnArgument returnArgument;
    if (returnType != QMetaType::Void) {
        if (!isSupported(returnType))
            unsupportedType(cx, method.typeName());
        returned = QVariant(returnType, nullptr);
        returnArgument = QGenericReturnArgument(method.typeName(), returned.data());
    }
    method.invoke(m_object.data(), Qt::DirectConnection, returnArgument, generic[0],
                  generic[1], generic[2], generic[3], generic[4], generic[5], generic[6],
                  generic[7], generic[8], generic[9]);
    *result = returnType == QMetaType::Void ? ESValue() : fromVariant(cx, returned);
}
