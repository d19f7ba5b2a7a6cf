#include "tessapkgoptions.h"

namespace {

const char synopsis[] =
    "list ARCHIVE [-offset N]\n"
    "create ARCHIVE PATH... [-version 1|2] [-bzip2] [-level N] [-nofollow]\n"
    "extract ARCHIVE DIR [-overwrite] [-offset N] [PATTERN...]\n"
    "compare A B [-text] [-times] [-modes]\n"
    "probe FILE\n";

const char notes[] =
    "list     one line per entry: mode (octal), size, UTC modification time, name\n"
    "create   adds files and links, walking directories in name order\n"
    "extract  extracts all entries, or those whose names match a wildcard PATTERN\n"
    "compare  prints the differences; exit status 1 when there are any\n"
    "probe    prints yes (exit status 0) when FILE is a package archive, else no (1)";

} // namespace

TessapkgOptions::TessapkgOptions()
    : ToolArgParse(QStringLiteral("tessapkg"), QString::fromLatin1(synopsis),
                   QString::fromLatin1(notes))
{
    addValue("-offset", "N", &offset, "The archive starts N bytes into the file", &offsetGiven);
    addValue("-version", "1|2", &version, "Table-of-contents version to write (default 2)",
             &versionGiven);
    addValue("-level", "N", &level, "Compression level 0 to 9; -1 means 7 (default)",
             &levelGiven);
    addFlag("-bzip2", &bzip2, "Compress with bzip2 instead of zlib (version 2 only)");
    addFlag("-nofollow", &noFollow, "Store symbolic links as links instead of their targets");
    addFlag("-overwrite", &overwrite, "Replace existing files when extracting");
    addFlag("-text", &text, "List line differences of text entries");
    addFlag("-times", &times, "Compare modification times too");
    addFlag("-modes", &modes, "Compare modes too");
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
