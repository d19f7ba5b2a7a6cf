#include "languageserver/messagereader.h"

#include <gtest/gtest.h>

#include <QList>

using LanguageServer::MessageReader;

namespace {

QList<QByteArray> readAll(MessageReader &reader)
{
    QList<QByteArray> bodies;
    while (const auto body = reader.next())
        bodies.append(*body);
    return bodies;
}

QList<QByteArray> feed(const QList<QByteArray> &pieces)
{
    MessageReader reader;
    QList<QByteArray> bodies;
    for (const QByteArray &piece : pieces) {
        reader.append(piece);
        bodies += readAll(reader);
    }
    return bodies;
}

struct Stream
{
    const char *name;
    QByteArray bytes;
    QList<QByteArray> bodies;
    const char *error;  // expected in takeErrors(), or none
};

class MessageReaderStream : public testing::TestWithParam<Stream> {};

} // namespace

// Every stream is also fed in two pieces cut at every byte: the bodies must not change.
TEST_P(MessageReaderStream, GivesTheBodiesHoweverTheBytesArrive)
{
    const Stream &stream = GetParam();
    EXPECT_EQ(feed({stream.bytes}), stream.bodies);
    for (int cut = 1; cut < stream.bytes.size(); ++cut) {
        SCOPED_TRACE(cut);
        ASSERT_EQ(feed({stream.bytes.left(cut), stream.bytes.mid(cut)}), stream.bodies);
    }
    MessageReader reader;
    reader.append(stream.bytes);
    readAll(reader);
    const QStringList errors = reader.takeErrors();
    if (stream.error)
        EXPECT_EQ(errors, QStringList{QString::fromLatin1(stream.error)});
    else
        EXPECT_TRUE(errors.isEmpty()) << errors.join(", ").toStdString();
}

INSTANTIATE_TEST_SUITE_P(All, MessageReaderStream, testing::Values(
    Stream{"One", "Content-Length: 2\r\n\r\n{}", {"{}"}, nullptr},
    Stream{"TwoInOneRead", "Content-Length: 2\r\n\r\n{}Content-Length: 3\r\n\r\n[1]",
           {"{}", "[1]"}, nullptr},
    Stream{"OtherHeaderFields",
           "Content-Type: application/vscode-jsonrpc; charset=utf-8\r\n"
           "Content-Length: 2\r\n\r\n{}", {"{}"}, nullptr},
    Stream{"LengthCountsBytes", "Content-Length: 7\r\n\r\n\"\xc3\xbc\xe2\x86\x92\"x",
           {"\"\xc3\xbc\xe2\x86\x92\""}, nullptr},
    Stream{"BodyHoldsLineEnds", "Content-Length: 6\r\n\r\n\r\n\r\n\r\nContent-Length: 1\r\n\r\n7",
           {"\r\n\r\n\r\n", "7"}, nullptr},
    Stream{"HeaderWithoutLengthHasNoBody", "X: 1\r\n\r\nContent-Length: 2\r\n\r\n{}", {"{}"},
           nullptr},
    Stream{"ZeroLengthHasNoBody", "Content-Length: 0\r\n\r\nContent-Length: 1\r\n\r\n1", {"1"},
           nullptr},
    Stream{"GarbageBeforeAMessage", "hello\r\nworld\r\n\r\nContent-Length: 2\r\n\r\n{}", {"{}"},
           nullptr},
    Stream{"LineFeedOnlyHeader", "Content-Length: 2\n\n{}", {"{}"}, nullptr},
    Stream{"IncompleteBodyWaits", "Content-Length: 10\r\n\r\n{}", {}, nullptr},
    Stream{"AbsurdLengthRefused",
           "Content-Length: 99999999999\r\n\r\nContent-Length: 2\r\n\r\n{}", {"{}"},
           "refused Content-Length 99999999999"},
    Stream{"NegativeLength", "Content-Length: -5\r\n\r\nContent-Length: 2\r\n\r\n{}", {"{}"},
           "bad Content-Length '-5'"},
    Stream{"LengthNotANumber", "Content-Length: 1x\r\n\r\nContent-Length: 2\r\n\r\n{}", {"{}"},
           "bad Content-Length '1x'"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(MessageReaderTest, ByteByByteBodyComesOutOnce)
{
    QList<QByteArray> pieces;
    const QByteArray bytes = "Content-Length: 11\r\n\r\n{\"id\":1234}Content-Length: 2\r\n\r\n{}";
    for (const char c : bytes)
        pieces.append(QByteArray(1, c));
    EXPECT_EQ(feed(pieces), (QList<QByteArray>{"{\"id\":1234}", "{}"}));
}

TEST(MessageReaderTest, ResetDropsAHalfMessage)
{
    MessageReader reader;
    reader.append("Content-Length: 20\r\n\r\n{\"half");
    EXPECT_TRUE(readAll(reader).isEmpty());
    reader.reset();
    reader.append("Content-Length: 2\r\n\r\n{}");
    EXPECT_EQ(readAll(reader), QList<QByteArray>{"{}"});
}

// A header line too long to keep is dropped up to its line end, whether it arrives whole
// or overflows the limit before its end comes.
TEST(MessageReaderTest, OverlongHeaderLineIsDropped)
{
    const QByteArray line = "Content-Length: 2" + QByteArray(MessageReader::maxHeaderLineLength, ' ');
    const QByteArray stream = line + "\r\n\r\nContent-Length: 1\r\n\r\n7";
    for (const int piece : {int(stream.size()), 1000}) {
        SCOPED_TRACE(piece);
        MessageReader reader;
        QList<QByteArray> bodies;
        for (int i = 0; i < stream.size(); i += piece) {
            reader.append(stream.mid(i, piece));
            bodies += readAll(reader);
        }
        EXPECT_EQ(bodies, QList<QByteArray>{"7"});
        EXPECT_EQ(reader.takeErrors().size(), 1);
    }
}
