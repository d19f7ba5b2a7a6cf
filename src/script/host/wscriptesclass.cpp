#include "wscriptesclass.h"

#include "scripthostsupport.h"

#include "script/escontext.h"
#include "script/esobject.h"

#include <cstdio>

namespace {

enum WScriptMethod { Echo };

const ESBuiltinDescriptor methods[] = {
    {"Echo", "WScript.prototype.Echo", 1, 0, Echo},
};

void writeStandardOutput(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
}

} // namespace

WScriptESClass::WScriptESClass() : ESClass("WScript"), m_writer(writeStandardOutput) {}

void WScriptESClass::setWriter(Writer writer)
{
    m_writer = writer ? std::move(writer) : Writer(writeStandardOutput);
}

ESObject *WScriptESClass::install(ESContext *cx)
{
    return scriptInstallHost(cx, this, methods, int(std::size(methods)));
}

void WScriptESClass::call(ESContext *cx, ESObject *function, const ESValue &thisValue, int argc,
                          ESValue *argv, ESValue *result)
{
    switch (function->builtinIndex) {
    case Echo:
        m_writer(cx->toString(argv[0]));
        *result = ESValue();
        return;
    default:
        ESClass::call(cx, function, thisValue, argc, argv, result);
    }
}

WScriptESClass *WScriptESClass::installInto(ESContext *cx, Writer writer)
{
    auto owned = std::make_unique<WScriptESClass>();
    WScriptESClass *wscript = owned.get();
    if (writer)
        wscript->setWriter(std::move(writer));
    cx->adoptClass(std::move(owned));
    wscript->install(cx);
    return wscript;
}
