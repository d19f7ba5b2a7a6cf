#pragma once

#include "script/esclass.h"

#include <QByteArray>

/// The `BinaryFile` host object: one in-memory binary image per context that scripts
/// load, patch and save (a post-build step stamps a length and a CRC into a firmware
/// header this way). There is no image until the first load or resize; length() is 0
/// then, and save() and saveRange() answer false. Files are reported by the result
/// (false or undefined), never by an exception; images are limited to
/// scriptMaxBinarySize bytes. Offsets beyond the image, negative ones included, are
/// outside it.
class BinaryFileESClass : public ESClass
{
public:
    BinaryFileESClass() : ESClass("BinaryFile") {}

    ESObject *install(ESContext *cx) override;
    void call(ESContext *cx, ESObject *function, const ESValue &thisValue, int argc,
              ESValue *argv, ESValue *result) override;

    /// Makes a BinaryFileESClass owned by the context, installs it and answers it.
    static BinaryFileESClass *installInto(ESContext *cx);

    bool hasImage() const { return m_hasImage; }
    const QByteArray &image() const { return m_image; }

private:
    bool load(const QString &path, bool append);
    bool saveRange(const QString &path, qint64 offset, qint64 length) const;
    bool resize(qint64 length, char fill);
    ESValue peekUint32(ESContext *cx, const ESValue *argv) const;
    bool pokeUint32(ESContext *cx, const ESValue *argv);
    ESValue peekBytes(ESContext *cx, const ESValue *argv) const;
    bool pokeBytes(ESContext *cx, const ESValue *argv);
    ESValue crc32(ESContext *cx, const ESValue *argv) const;
    /// The bytes of the range the arguments (offset, length) give, clipped at the
    /// image's end; shares the image's storage.
    QByteArray range(ESContext *cx, const ESValue *argv) const;
    /// The length of the range at `offset` of at most `length` bytes, clipped at the
    /// image's end; 0 when the offset is outside the image.
    qint64 clippedLength(qint64 offset, qint64 length) const;

    QByteArray m_image;
    bool m_hasImage = false;
};
