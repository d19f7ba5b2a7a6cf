#pragma once

#include "qtx/toolentry.h"

#include <QString>
#include <QStringList>

#include <memory>

class LoadFileInterface;

/// The command line of tessaload: a command ("info" or "convert"), its files and the
/// options, which may come anywhere.
class TessaLoadArgParse : public QTx::ToolArgParse
{
public:
    TessaLoadArgParse();

    QString format;
    QString outputFormat;
    QString loadAddress;
    QString fill;
    QString start;
    bool contiguous = false;
};

/// Reads, describes and converts load files. Failures throw HException with a message
/// that names the file and the reason.
class TessaLoadTool
{
public:
    /// Runs one command line; returns the exit status.
    int run(const QStringList &arguments);

    /// The most gap filling a binary output may hold: sections far apart would otherwise
    /// fill the disk with zeros. Images of real data may be larger.
    static constexpr quint64 maxBinaryGapSize = quint64(256) << 20;

private:
    void info(const TessaLoadArgParse &options);
    void convert(const TessaLoadArgParse &options);
    std::unique_ptr<LoadFileInterface> readInput(const TessaLoadArgParse &options,
                                                 const QString &fileName);
};
