#pragma once

#include <QString>
#include <QStringList>

/// The programs and target options a project builds with. A project whose Target is
/// "Host" uses gcc, g++, ar and objcopy from PATH, so that what it builds runs here;
/// any other Target uses the arm-none-eabi- tools, from the tool-chain directory when
/// they are there and from PATH otherwise, with -mcpu from the Target ("Cortex-M0+"
/// gives cortex-m0plus), -mthumb or -marm from the instruction set, and the byte order
/// and floating-point options.
struct ToolChain
{
    bool host = false;
    QString cCompiler;
    QString cppCompiler;
    QString archiver;
    QString objcopy;
    QStringList targetOptions;

    /// `target`, `instructionSet`, `endian` and `fpu` are the values of "Target",
    /// "arm_instruction_set", "arm_endian" and "arm_fpu_type".
    static ToolChain make(const QString &target, const QString &instructionSet,
                          const QString &endian, const QString &fpu,
                          const QString &toolchainDirectory);
    /// The -mcpu value of a Target name.
    static QString cpuName(const QString &target);
};
