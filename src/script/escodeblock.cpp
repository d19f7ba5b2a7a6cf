#include "escodeblock.h"

#include "esatom.h"
#include "escontext.h"
#include "esobject.h"
#include "esopcode.h"

#include <cstdio>

namespace {

QByteArray slotText(ESAtom *name, int index)
{
    return "\t" + (name ? name->text.toUtf8() : QByteArray("(null)"))
           + QByteArray(" [idx=") + QByteArray::number(index) + "]";
}

ESAtom *nameAt(const std::vector<ESAtom *> &names, int index)
{
    return index < int(names.size()) ? names[index] : nullptr;
}

} // namespace

QByteArray ESCodeBlock::instructionText(const ESContext &cx, int position, int *next) const
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04x:  ", position);
    QByteArray text(buffer);
    const ESOpInfo *row = esOpInfo(code[position]);
    if (!row || position + esOpLength(*row) > int(code.size())) {
        text += "??? " + QByteArray::number(code[position]) + "\n";
        *next = position + 1;
        return text;
    }
    text += row->name;
    const bool isCall = code[position] >= quint8(ESOp::CallW)
                        && code[position] <= quint8(ESOp::CallX);
    int at = position + 1;
    for (ESOperand kind : {row->first, row->second}) {
        if (kind == ESOperand::None)
            continue;
        const int value = operand(at);
        at += 2;
        switch (kind) {
        case ESOperand::None:
            break;
        case ESOperand::Target:
            std::snprintf(buffer, sizeof buffer, "\t%04x", value);
            text += buffer;
            break;
        case ESOperand::Count:
            text += (isCall ? ", #" : "\t#") + QByteArray::number(value);
            break;
        case ESOperand::Block:
            text += "\t#" + QByteArray::number(value);
            break;
        case ESOperand::Constant:
            std::snprintf(buffer, sizeof buffer, "\t%g",
                          value < int(constants.size()) ? constants[value] : 0.0);
            text += buffer;
            break;
        case ESOperand::Atom: {
            ESAtom *atom = ESAtom::byNumber(quint32(value));
            text += "\t" + (atom ? atom->text.toUtf8() : QByteArray("(null)"));
            break;
        }
        case ESOperand::GlobalSlot: {
            const auto &properties = cx.global()->properties;
            text += slotText(value < int(properties.size()) ? properties[value].key : nullptr,
                             value);
            break;
        }
        case ESOperand::ArgumentSlot:
            text += slotText(nameAt(parameterNames, value), value);
            break;
        case ESOperand::LocalSlot:
            text += slotText(nameAt(localNames, value), value);
            break;
        }
    }
    *next = at;
    return text + "\n";
}

int ESCodeBlock::printInstruction(const ESContext &cx, int position) const
{
    int next = position;
    const QByteArray text = instructionText(cx, position, &next);
    std::fwrite(text.constData(), 1, std::size_t(text.size()), stdout);
    return next;
}

QByteArray ESCodeBlock::listing(const ESContext &cx) const
{
    QByteArray text;
    for (int position = 0; position < int(code.size());)
        text += instructionText(cx, position, &position);
    return text;
}
