#include "tessapkgoptions.h"

#include "qtx/version.h"

namespace {

const char usage[] =
    "usage: tessapkg COMMAND ARGUMENTS... [options]\n"
    "commands:\n"
    "  list ARCHIVE [-offset N]\n"
    "      one line per entry: mode (octal), size, UTC modification time, name\n"
    "  create ARCHIVE PATH... [-version 1|2] [-bzip2] [-level N] [-nofollow]\n"
    "      adds files and links, walking directories in name order\n"
    "  extract ARCHIVE DIR [-overwrite] [-offset N] [PATTERN...]\n"
    "      extracts all entries, or those whose names match a wildcard PATTERN\n"
    "  compare A B [-text] [-times] [-modes]\n"
    "      prints the differences; exit status 1 when there are any\n"
    "  probe FILE\n"
    "      prints yes (exit status 0) when FILE is a package archive, else no (1)\n"
    "options:\n"
    "  -help          show this text\n"
    "  -offset N      the archive starts N bytes into the file\n"
    "  -version 1|2   table-of-contents version to write (default 2)\n"
    "  -bzip2         compress with bzip2 instead of zlib (version 2 only)\n"
    "  -level N       compression level 0 to 9; -1 means 7 (default)\n"
    "  -nofollow      store symbolic links as links instead of their targets\n"
    "  -overwrite     replace existing files when extracting\n"
    "  -text          list line differences of text entries\n"
    "  -times         compare modification times too\n"
    "  -modes         compare modes too\n";

} // namespace

TessapkgOptions::TessapkgOptions(DiagnosticSink *sink) : ArgParse(sink)
{
    addOption("-help", Kind::NoArgument, nullptr, &help);
    addOption("-offset", Kind::NextArgument, &offset, &offsetGiven);
    addOption("-version", Kind::NextArgument, &version, &versionGiven);
    addOption("-level", Kind::NextArgument, &level, &levelGiven);
    addOption("-bzip2", Kind::NoArgument, nullptr, &bzip2);
    addOption("-nofollow", Kind::NoArgument, nullptr, &noFollow);
    addOption("-overwrite", Kind::NoArgument, nullptr, &overwrite);
    addOption("-text", Kind::NoArgument, nullptr, &text);
    addOption("-times", Kind::NoArgument, nullptr, &times);
    addOption("-modes", Kind::NoArgument, nullptr, &modes);
}

QByteArray TessapkgOptions::usageText()
{
    return Version::banner("tessapkg") + usage;
}

QStringList TessapkgOptions::givenOptions() const
{
    const std::pair<const char *, bool> flags[] = {
        {"-offset", offsetGiven}, {"-version", versionGiven}, {"-level", levelGiven},
        {"-bzip2", bzip2},        {"-nofollow", noFollow},    {"-overwrite", overwrite},
        {"-text", text},          {"-times", times},          {"-modes", modes},
    };
    QStringList given;
    for (const auto &flag : flags) {
        if (flag.second)
            given.append(QString::fromLatin1(flag.first));
    }
    return given;
}

void TessapkgOptions::handleArgument(const QString &argument)
{
    positional.append(argument);
}
