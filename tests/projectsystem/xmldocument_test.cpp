#include "projectsystem/xmldocument.h"
#include "projectsystem/xmlnode.h"
#include "projectsystem/xmlreader.h"
#include "projectsystem/xmlwriter.h"

#include "testsupport.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

namespace {

// Reads `text`, failing the test when it does not parse.
std::unique_ptr<XMLDocument> parse(const QByteArray &text)
{
    auto document = std::make_unique<XMLDocument>();
    EXPECT_TRUE(document->read(text)) << document->errorText().toStdString();
    return document;
}

QByteArray x(int count) { return QByteArray(count, 'x'); }

// --- Writer -------------------------------------------------------------------------------

// The input is read, then written with the indentation unit and the wrap width.
struct WriterCase { const char *name; QByteArray input; int indent, wrap; QByteArray written; };
class XMLWriterTest : public testing::TestWithParam<WriterCase> {};

TEST_P(XMLWriterTest, WritesTheCanonicalLayout)
{
    const WriterCase &row = GetParam();
    EXPECT_EQ(parse(row.input)->write(row.indent, row.wrap), row.written);
}

// The wrap estimate of an element at depth d: d * indent + tag + 1, plus name + unescaped
// value + 4 per attribute; "a" with "m" and "n" at depth 0 reaches 75 with values of 31
// and 32 bytes.
INSTANTIATE_TEST_SUITE_P(All, XMLWriterTest, testing::Values(
    WriterCase{"DeclarationKeptMarkAndSubsetDropped",
               "\xEF\xBB\xBF<?xml version='1.0' encoding='UTF-8'?>"
               "<!DOCTYPE T_File [ <!ENTITY e \">\"> ]><solution/>", 2, 75,
               "<?xml  version=\"1.0\" encoding=\"UTF-8\" ?>\n<!DOCTYPE T_File>\n<solution/>\n"},
    WriterCase{"DeclarationWithEncodingOnly", "<?xml encoding=\"latin1\"?><a/>", 2, 75,
               "<?xml  encoding=\"latin1\" ?>\n<a/>\n"},
    WriterCase{"EmptyElementsCloseWithBlankOnlyWithAttributes",
               "<solution><folder Name=\"Empty\"></folder><import></import></solution>", 2, 75,
               "<solution>\n  <folder Name=\"Empty\" />\n  <import/>\n</solution>\n"},
    WriterCase{"AttributesInByteOrder", "<e b=\"2\" _u=\"3\" Name=\"1\" a=\"4\"/>", 2, 0,
               "<e Name=\"1\" _u=\"3\" a=\"4\" b=\"2\" />\n"},
    WriterCase{"ValueEscapedByteByByte",
               "<a v='\"&amp;&lt;>&apos;&#9;&#31; ~&#127;&#xff;&#0;'/>", 2, 75,
               "<a v=\"&quot;&amp;&lt;&gt;'&#x9;&#x1f; ~&#x7f;&#xff;&#x0;\" />\n"},
    WriterCase{"OneAttributeNeverWraps", "<file file_name=\"" + x(300) + "\"/>", 2, 75,
               "<file file_name=\"" + x(300) + "\" />\n"},
    WriterCase{"EstimateOf75StaysOnOneLine", "<a m=\"" + x(31) + "\" n=\"" + x(32) + "\"/>", 2,
               75, "<a m=\"" + x(31) + "\" n=\"" + x(32) + "\" />\n"},
    WriterCase{"EstimateOf76Wraps", "<a m=\"" + x(32) + "\" n=\"" + x(32) + "\"/>", 2, 75,
               "<a\n  m=\"" + x(32) + "\"\n  n=\"" + x(32) + "\" />\n"},
    WriterCase{"EstimateCountsDepth", "<r><a m=\"" + x(30) + "\" n=\"" + x(32) + "\"/></r>", 2,
               75, "<r>\n  <a\n    m=\"" + x(30) + "\"\n    n=\"" + x(32) + "\" />\n</r>\n"},
    WriterCase{"EstimateUsesUnescapedLength",
               "<a m=\"" + QByteArray(30, '<').replace("<", "&lt;") + "\" n=\"y\"/>", 2, 75,
               "<a m=\"" + QByteArray(30, '<').replace("<", "&lt;") + "\" n=\"y\" />\n"},
    WriterCase{"AttributeWithoutValueStaysOnTheLine",
               "<a m=\"" + x(40) + "\" k n=\"" + x(40) + "\"/>", 2, 75,
               "<a k=\"\"\n  m=\"" + x(40) + "\"\n  n=\"" + x(40) + "\" />\n"},
    WriterCase{"ZeroWidthNeverWraps", "<a m=\"" + x(100) + "\" n=\"" + x(100) + "\"/>", 2, 0,
               "<a m=\"" + x(100) + "\" n=\"" + x(100) + "\" />\n"},
    WriterCase{"ZeroIndentWritesNoNewlines", "<!DOCTYPE D><a><b x=\"1\"/><c/></a>", 0, 75,
               "<!DOCTYPE D>\n<a><b x=\"1\" /><c/></a>"},
    WriterCase{"CommentsAndCharacterData", "<a><!-- note --><![CDATA[x < y]]></a>", 2, 75,
               "<a>\n  <!-- note -->\n  <![CDATA[x < y]]>\n</a>\n"},
    WriterCase{"LooseLayoutBecomesCanonical",
               "<a   z='1'\n\n b=\"2\" y = \"3\"><b></b>\n\t<c>  <d/>text  </c></a>", 2, 75,
               "<a b=\"2\" y=\"3\" z=\"1\">\n  <b/>\n  <c>\n    <d/>\n    text\n  </c>\n</a>\n"},
    WriterCase{"ContentStartingWithTextIsKeptOnItsLine",
               "<a>\n  <p x=\"1\">one &amp; <b>two</b> three</p>\n</a>\n", 2, 75,
               "<a>\n  <p x=\"1\">one &amp; <b>two</b> three</p>\n</a>\n"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(XMLWriterRoundTripTest, CharacterDataEndMarkerIsSplitAcrossTwoSections)
{
    auto document = parse("<a><![CDATA[x]]></a>");
    document->root()->firstChild()->setData("x]]>y");
    const QByteArray written = document->write(2, 75);
    EXPECT_EQ(written, QByteArray("<a>\n  <![CDATA[x]]]]><![CDATA[>y]]>\n</a>\n"));
    const auto again = parse(written);
    const XMLNode *first = again->root()->firstChild();
    EXPECT_EQ(first->data() + first->nextSibling()->data(), QByteArray("x]]>y"));
}

TEST(XMLWriterRoundTripTest, EveryByteOfAnAttributeReadsBackAsWritten)
{
    QByteArray all;
    for (int byte = 0; byte < 256; ++byte)
        all.append(char(byte));
    XMLDocument document;
    document.setRoot(std::make_unique<XMLElement>("a"))->setAttribute("v", all);
    const QByteArray written = document.write(2, 75);
    auto again = parse(written);
    EXPECT_EQ(again->root()->attribute("v"), all);
    EXPECT_EQ(again->write(2, 75), written);
}

// --- Reader -------------------------------------------------------------------------------

TEST(XMLReaderTest, DecodesReferencesToOneByte)
{
    struct Row { const char *text; QByteArray decoded; };
    const Row rows[] = {
        {"&gt;&lt;&quot;&amp;&apos;", "><\"&'"},
        {"&#65;&#x42;&#X43;&#x4a;&#x4A;", "ABCJJ"},
        {"&#321;&#xe9;&#x100;", QByteArray("A\xe9\0", 3)},  // the low 8 bits
        {"a&b&unknown;&&amp;", "a&b&unknown;&&"},
        {"&#;&#x;&#xg;&amp", "&#;&#x;&#xg;&amp"},
        {"&#65", "&#65"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.text);
        const QByteArray text(row.text);
        EXPECT_EQ(XMLReader::decode(text.constData(), text.constData() + text.size()),
                  row.decoded);
    }
}

struct BadDocument { const char *name; QByteArray text; const char *error; int line; };
class XMLReaderBadDocument : public testing::TestWithParam<BadDocument> {};

TEST_P(XMLReaderBadDocument, FailsNamingTheFaultAndLine)
{
    XMLDocument document;
    EXPECT_FALSE(document.read(GetParam().text));
    EXPECT_EQ(document.errorText(), QString::fromLatin1(GetParam().error));
    EXPECT_EQ(document.errorLine(), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(All, XMLReaderBadDocument, testing::Values(
    BadDocument{"BadStartTag", "<a>\n<1b/>\n</a>", "bad tagName", 2},
    BadDocument{"BadAttribute", "<a>\n\n<b x=1/>\n</a>", "bad tagName", 3},
    BadDocument{"UnquotedEnd", "<a x=\"1></a>", "bad tagName", 1},
    BadDocument{"AttributesRunTogether", "<a x=\"1\"y=\"2\"/>", "bad tagName", 1},
    BadDocument{"TruncatedStartTag", "<a>\n<b x=\"1\"", "bad tagName", 2},
    BadDocument{"EmptyEndTag", "<a>\n</>", "bad tagName", 2},
    BadDocument{"UnclosedEndTag", "<a>\n\n</a", "bad tagName", 3},
    BadDocument{"Mismatch", "<a>\n  <b>\n  </c>\n</a>", "tagName mismatch", 3},
    BadDocument{"EndTagShorter", "<ab>\n\n</a>", "tagName mismatch", 3},
    BadDocument{"StrayEndTag", "<a/>\n</a>", "tagName mismatch", 2},
    BadDocument{"Truncated", "<a>\n<b>", "unexpected end of file: element 'b' not closed", 2},
    BadDocument{"Empty", "", "no root element", 1},
    BadDocument{"TwoRoots", "<a/>\n<b/>", "content after the root element", 2},
    BadDocument{"TextOutside", "junk<a/>", "text outside the root element", 1},
    BadDocument{"Garbage", QByteArray("\x01\x02\xff<\x00\x9c", 6),
                "text outside the root element", 1},
    BadDocument{"DeclarationAfterDocumentType", "<!DOCTYPE X>\n<?xml version=\"1.0\"?><a/>",
                "misplaced XML declaration", 2},
    BadDocument{"DeclarationAfterRoot", "<a/>\n\n<?xml version=\"1.0\"?>",
                "misplaced XML declaration", 3},
    BadDocument{"BadDeclaration", "\n<?xml version=1.0?><a/>", "bad XML declaration", 2},
    BadDocument{"UnterminatedInstruction", "<a>\n<?pi x</a>",
                "unterminated processing instruction", 2},
    BadDocument{"SecondDocumentType", "<!DOCTYPE A>\n<!DOCTYPE B>\n<a/>",
                "misplaced document type", 2},
    BadDocument{"DocumentTypeAfterRoot", "<a/>\n<!DOCTYPE A>", "misplaced document type", 2},
    BadDocument{"DocumentTypeWithoutName", "<!DOCTYPE 1>\n<a/>", "bad document type", 1},
    BadDocument{"UnterminatedDocumentType", "\n<!DOCTYPE A [ <!ENTITY e \"]>\"> <a/>",
                "unterminated document type", 2},
    BadDocument{"UnterminatedComment", "<a><!-- x</a>", "unterminated comment", 1},
    BadDocument{"UnterminatedCData", "<a><![CDATA[x</a>", "unterminated character data", 1},
    BadDocument{"CDataOutsideRoot", "<![CDATA[x]]><a/>",
                "character data outside the root element", 1},
    BadDocument{"DeepNesting", QByteArray("<e>\n").repeated(10000),
                "elements nested too deeply", XMLReader::maxDepth + 1}),
    [](const auto &info) { return std::string(info.param.name); });

// --- Files --------------------------------------------------------------------------------

class XMLDocumentFileTest : public TempDirTest
{
protected:
    XMLDocumentFileTest() { m_document.setRoot(std::make_unique<XMLElement>("new")); }
    XMLDocument m_document;
};

// A directory or a pipe exists but would be replaced by the rename of the temporary file.
TEST_F(XMLDocumentFileTest, UnreadableAndUnwritablePathsLeaveErrorTexts)
{
    EXPECT_FALSE(m_document.readFile(path("no/x.hzp")));
    EXPECT_EQ(m_document.errorText(), "couldn't read " + path("no/x.hzp"));
    m_document.setRoot(std::make_unique<XMLElement>("new"));
    ASSERT_TRUE(QDir().mkpath(path("dir.hzp")));
    ASSERT_EQ(mkfifo(QFile::encodeName(path("fifo.hzp")).constData(), 0600), 0);
    for (const char *name : {"no/x.hzp", "dir.hzp", "fifo.hzp"}) {
        EXPECT_FALSE(m_document.writeFile(path(name), 2, 75));
        EXPECT_EQ(m_document.errorText(), "couldn't write " + path(name));
    }
    EXPECT_TRUE(QFileInfo(path("dir.hzp")).isDir());
    EXPECT_FALSE(QFileInfo(path("fifo.hzp")).isFile());
}

TEST_F(XMLDocumentFileTest, WritesThroughASymbolicLinkAndLeavesNoTemporaryFile)
{
    write("real.hzp", "<old/>\n");
    ASSERT_TRUE(QFile::link(path("real.hzp"), path("link.hzp")));
    ASSERT_TRUE(m_document.writeFile(path("link.hzp"), 2, 75));
    EXPECT_EQ(read("real.hzp"), QByteArray("<new/>\n"));
    EXPECT_TRUE(QFileInfo(path("link.hzp")).isSymLink());
    EXPECT_EQ(QDir(dir()).entryList(QDir::Files | QDir::System).size(), 2);
}

// --- Tree ---------------------------------------------------------------------------------

// The reader appends, a new configuration is inserted after the last one, and linking
// moves a linked file's children over.
TEST(XMLNodeTest, ChildrenAreInsertedTakenAndRemoved)
{
    XMLElement root("r");
    XMLElement *b = root.appendChild(std::make_unique<XMLElement>("b"));
    XMLElement *a = root.insertChild(std::make_unique<XMLElement>("a"), nullptr);
    XMLNode *text = root.insertChild(std::make_unique<XMLNode>(XMLNode::Type::Text), a);
    EXPECT_EQ(root.firstChild(), a);
    EXPECT_EQ(a->nextSibling(), text);
    EXPECT_EQ(a->nextSiblingElement(), b);
    EXPECT_EQ(root.takeChild(text)->parent(), nullptr);
    EXPECT_EQ(b->previousSibling(), a);
    root.appendChild(root.takeChild(a));
    EXPECT_EQ(b->nextSibling(), a);
    root.removeChild(a);
    EXPECT_EQ(root.lastChild(), b);
    EXPECT_EQ(b->nextSibling(), nullptr);
}

// Far deeper than the reader allows: building, writing and destroying must not recurse.
TEST(XMLNodeTest, VeryDeepTreeIsWrittenAndFreedWithoutRecursion)
{
    XMLDocument document;
    XMLElement *at = document.setRoot(std::make_unique<XMLElement>("e"));
    const int depth = 200000;
    for (int i = 1; i < depth; ++i)
        at = at->appendChild(std::make_unique<XMLElement>("e"));
    EXPECT_EQ(document.write(0, 0).size(), (depth - 1) * 7 + 4);
}

} // namespace
