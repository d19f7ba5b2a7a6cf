#include "packagearchive.h"

#include "packagearchivefile.h"
#include "packagearchivetextdiff.h"

#include <QByteArray>

namespace {

// One line of the comparison, counted.
class DifferencePrinter
{
public:
    explicit DifferencePrinter(FILE *out) : m_out(out) {}
    void print(const QByteArray &line)
    {
        printListing(line);
        ++m_count;
    }
    // Lines that belong to the difference just printed.
    void printListing(const QByteArray &text)
    {
        fwrite(text.constData(), 1, size_t(text.size()), m_out);
    }
    int count() const { return m_count; }

private:
    FILE *m_out;
    int m_count = 0;
};

QByteArray local(const QString &text)
{
    return text.toLocal8Bit();
}

} // namespace

int PackageArchive::compare(PackageArchive &other, bool showTextDifferences, bool compareTimes,
                            bool compareModes, FILE *out)
{
    DifferencePrinter printer(out);
    if (version() != other.version())
        printer.print("file format version differs\n");
    if (compressionAlgorithm() != other.compressionAlgorithm())
        printer.print("compression algorithm differs\n");

    for (PackageArchiveFile *mine : entries()) {
        PackageArchiveFile *theirs = other.find(mine->name());
        const QByteArray name = local(mine->name());
        if (!theirs) {
            printer.print(name + " only in " + local(fileName()) + '\n');
            continue;
        }
        // Different sizes already decide; the bytes are needed only to compare them
        // or to list text differences.
        const bool sameSize = mine->size() == theirs->size();
        if (sameSize || showTextDifferences) {
            const QByteArray a = content(mine);
            const QByteArray b = other.content(theirs);
            if (!sameSize || a != b) {
                printer.print(name + " differs\n");
                if (showTextDifferences && PackageArchiveTextDiff::isText(a)
                    && PackageArchiveTextDiff::isText(b))
                    printer.printListing(PackageArchiveTextDiff::listing(a, b));
            }
        } else {
            printer.print(name + " differs\n");
        }
        if (compareTimes && mine->modificationTime() != theirs->modificationTime())
            printer.print(name + " modification time is different\n");
        if (compareModes && mine->mode() != theirs->mode())
            printer.print(name + " attributes are different\n");
    }
    for (PackageArchiveFile *theirs : other.entries()) {
        if (!find(theirs->name()))
            printer.print(local(theirs->name()) + " only in " + local(other.fileName()) + '\n');
    }
    fflush(out);
    return printer.count();
}
