#include "toolchain.h"

#include <QFileInfo>

namespace {

const char crossPrefix[] = "arm-none-eabi-";

QString toolPath(const QString &directory, const QString &name)
{
    if (!directory.isEmpty()) {
        const QFileInfo candidate(directory + QLatin1Char('/') + name);
        if (candidate.isFile() && candidate.isExecutable())
            return candidate.filePath();
    }
    return name;  // searched in PATH when the command starts
}

// The floating-point unit names of the property and their -mfpu values; every unit
// passes arguments in its registers.
QString fpuOption(const QString &fpu)
{
    static const struct { const char *name; const char *option; } units[] = {
        {"VFP", "vfp"}, {"FPv4-SP-D16", "fpv4-sp-d16"}, {"FPv5-SP-D16", "fpv5-sp-d16"},
        {"FPv5-D16", "fpv5-d16"},
    };
    for (const auto &unit : units) {
        if (fpu == QLatin1String(unit.name))
            return QString::fromLatin1(unit.option);
    }
    return QString();
}

} // namespace

QString ToolChain::cpuName(const QString &target)
{
    QString name = target.toLower();
    name.replace(QLatin1Char('+'), QLatin1String("plus"));
    return name;
}

ToolChain ToolChain::make(const QString &target, const QString &instructionSet,
                          const QString &endian, const QString &fpu,
                          const QString &toolchainDirectory)
{
    ToolChain chain;
    if (target == QLatin1String("Host")) {
        chain.host = true;
        chain.cCompiler = QStringLiteral("gcc");
        chain.cppCompiler = QStringLiteral("g++");
        chain.archiver = QStringLiteral("ar");
        chain.objcopy = QStringLiteral("objcopy");
        return chain;
    }
    const QString prefix = QString::fromLatin1(crossPrefix);
    chain.cCompiler = toolPath(toolchainDirectory, prefix + "gcc");
    chain.cppCompiler = toolPath(toolchainDirectory, prefix + "g++");
    chain.archiver = toolPath(toolchainDirectory, prefix + "ar");
    chain.objcopy = toolPath(toolchainDirectory, prefix + "objcopy");
    chain.targetOptions.append("-mcpu=" + cpuName(target));
    chain.targetOptions.append(instructionSet == QLatin1String("ARM") ? QStringLiteral("-marm")
                                                                      : QStringLiteral("-mthumb"));
    if (endian == QLatin1String("Big"))
        chain.targetOptions.append(QStringLiteral("-mbig-endian"));
    const QString unit = fpuOption(fpu);
    if (!unit.isEmpty()) {
        chain.targetOptions.append("-mfpu=" + unit);
        chain.targetOptions.append(QStringLiteral("-mfloat-abi=hard"));
    }
    return chain;
}
