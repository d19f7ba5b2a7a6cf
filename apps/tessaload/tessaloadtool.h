#pragma once

#include "qtx/argparse.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <ostream>

class LoadFileInterface;

/// The command line of tessaload: a command ("info" or "convert"), its files and the
/// options, which may come anywhere.
class TessaLoadArgParse : public QTx::ArgParse
{
public:
    explicit TessaLoadArgParse(DiagnosticSink *sink);

    QStringList positionalArguments;
    QString format;
    QString outputFormat;
    QString loadAddress;
    QString fill;
    QString start;
    bool contiguous = false;
    bool help = false;

    /// The banner and the usage text, as -help prints them.
    static QByteArray usageText();

protected:
    void handleArgument(const QString &argument) override;
};

/// Reads, describes and converts load files. Failures throw HException with the text
/// that main() prints after "tessaload: error: ".
class TessaLoadTool
{
public:
    /// Runs one command line; returns the exit status.
    int run(const QStringList &arguments, std::ostream &out);

    /// The most gap filling a binary output may hold: sections far apart would otherwise
    /// fill the disk with zeros. Images of real data may be larger.
    static constexpr quint64 maxBinaryGapSize = quint64(256) << 20;

private:
    void info(const TessaLoadArgParse &options, std::ostream &out);
    void convert(const TessaLoadArgParse &options);
    std::unique_ptr<LoadFileInterface> readInput(const TessaLoadArgParse &options,
                                                 const QString &fileName);
};

/// Parses a decimal or 0x-prefixed hexadecimal 32-bit address; throws HException
/// naming the text when it is not one.
quint32 parseAddress(const QString &text);
/// Parses a fill byte of one or two hex digits (an optional 0x prefix allowed).
quint8 parseFillByte(const QString &text);
/// The writer name for an output file name's extension, or a null string.
QString writerFormatForFileName(const QString &fileName);
