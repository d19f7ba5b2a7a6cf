#include "binaryloadfile.h"

#include "qtx/fileguard.h"
#include "qtx/hexception.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

BinaryLoadFile::BinaryLoadFile(const QString &fileName)
{
    QTx::FileDescriptor file(::open(QFile::encodeName(fileName).constData(), O_RDONLY));
    struct stat status;
    if (file.fd() < 0 || ::fstat(file.fd(), &status) != 0 || S_ISDIR(status.st_mode))
        throw HException(QStringLiteral("cannot open ") + fileName);
    const HException readError(QStringLiteral("cannot read ") + fileName);
    // A section holds at most 4 GiB - 1 bytes.
    if (status.st_size < 0 || quint64(status.st_size) > 0xFFFFFFFFu)
        throw readError;
    m_fileSize = quint32(status.st_size);
    m_contents.reset(new quint8[m_fileSize ? m_fileSize : 1]);
    quint64 done = 0;
    while (done < m_fileSize) {
        const ssize_t got = ::read(file.fd(), m_contents.get() + done, m_fileSize - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            throw readError;
        done += quint64(got);
    }
}

BinaryLoadFile::~BinaryLoadFile() = default;

bool BinaryLoadFile::isAddressed() const
{
    return false;
}

void BinaryLoadFile::setLoadAddress(quint64 address)
{
    if (address == m_loadAddress)
        return;
    forgetSections();
    m_loadAddress = address;
}

bool BinaryLoadFile::readSections()
{
    m_sections.append(new StandardLoadFileSection(QByteArray("data"), m_loadAddress,
                                                  m_fileSize, m_contents.get()));
    return true;
}
