#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <vector>

class ESAtom;
class ESContext;

/// The unit the machine runs: one per script and one per function body, made by the
/// compiler and owned by the context's registry (its index there is its number). Code
/// is immutable once registered; every closure of a function shares its block.
class ESCodeBlock
{
public:
    /// Byte positions are 16-bit.
    static constexpr int maxCodeSize = 65535;

    std::vector<quint8> code;
    std::vector<quint32> lines;      // the source line of every code byte
    std::vector<double> constants;   // NUM operands index these
    std::vector<ESAtom *> parameterNames;
    std::vector<ESAtom *> localNames;
    int parameterCount = 0;
    int localCount = 0;
    bool needsActivation = false;  // parameters and locals live in an activation object
    bool usesEval = false;         // the body names eval
    int argumentsSlot = -1;        // the local "arguments", when the body names it
    ESAtom *name = nullptr;        // the function's name ("anonymous", or the program's)

    quint16 operand(int position) const { return quint16(code[position] << 8 | code[position + 1]); }

    /// One instruction as the listing shows it ("%04x:  NAME\toperands\n"); `next`
    /// receives the position of the following instruction.
    QByteArray instructionText(const ESContext &cx, int position, int *next) const;
    /// Prints one instruction to standard output; answers the next position.
    int printInstruction(const ESContext &cx, int position) const;
    /// Every instruction of the block, in order.
    QByteArray listing(const ESContext &cx) const;
};
