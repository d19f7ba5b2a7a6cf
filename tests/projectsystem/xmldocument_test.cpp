#include "projectsystem/xmldocument.h"
#include "projectsystem/xmlnode.h"
#include "projectsystem/xmlreader.h"
#include "projectsystem/xmlwriter.h"

#include "testsupport.h"

namespace {

// Reads `text`, failing the test when it does not parse.
std::unique_ptr<XMLDocument> parse(const QByteArray &text)
{
    auto document = std::make_unique<XMLDocument>();
    EXPECT_TRUE(document->read(text)) << document->errorText().toStdString();
    return document;
}

QByteArray rewrite(const QByteArray &text, int indent = 2, int wrap = 75)
{
    return parse(text)->write(indent, wrap);
}

XMLElement *element(const QByteArray &tag, const QList<QPair<QByteArray, QByteArray>> &attrs)
{
    auto *created = new XMLElement(tag);
    for (const auto &attribute : attrs)
        created->setAttribute(attribute.first, attribute.second);
    return created;
}

QByteArray writeOne(XMLElement *root, int indent = 2, int wrap = 75)
{
    XMLDocument document;
    document.setRoot(root);
    return document.write(indent, wrap);
}

} // namespace

// --- Writer ---------------------------------------------------------------------------

TEST(XMLWriterTest, DeclarationHasTwoBlanksAndDocumentTypeFollows)
{
    XMLDocument document;
    document.setVersion("1.0");
    document.setEncoding("UTF-8");
    document.setDocumentType("TessaStudio_Project_File");
    document.setRoot(new XMLElement("solution"));
    EXPECT_EQ(document.write(2, 75), QByteArray("<?xml  version=\"1.0\" encoding=\"UTF-8\" ?>\n"
                                                "<!DOCTYPE TessaStudio_Project_File>\n"
                                                "<solution/>\n"));
}

TEST(XMLWriterTest, DeclarationWithEncodingOnly)
{
    XMLDocument document;
    document.setEncoding("iso-8859-1");
    document.setRoot(new XMLElement("a"));
    EXPECT_EQ(document.write(2, 75), QByteArray("<?xml  encoding=\"iso-8859-1\" ?>\n<a/>\n"));
}

TEST(XMLWriterTest, EmptyElementClosesWithBlankOnlyWhenItHasAttributes)
{
    auto *root = new XMLElement("solution");
    root->appendChild(element("folder", {{"Name", "Empty"}}));
    root->appendChild(new XMLElement("import"));
    EXPECT_EQ(writeOne(root), QByteArray("<solution>\n"
                                         "  <folder Name=\"Empty\" />\n"
                                         "  <import/>\n"
                                         "</solution>\n"));
}

TEST(XMLWriterTest, AttributesComeOutInByteOrder)
{
    auto *root = element("e", {{"b", "2"}, {"_u", "3"}, {"Name", "1"}, {"a", "4"}});
    EXPECT_EQ(writeOne(root, 2, 0), QByteArray("<e Name=\"1\" _u=\"3\" a=\"4\" b=\"2\" />\n"));
}

TEST(XMLWriterTest, OneAttributeIsNeverWrapped)
{
    const QByteArray value(300, 'v');
    EXPECT_EQ(writeOne(element("file", {{"file_name", value}})),
              "<file file_name=\"" + value + "\" />\n");
}

// Estimate for tag "a" at depth 0: 0 + 1 + 1, plus 1 + length + 4 per attribute.
TEST(XMLWriterTest, WrapsOnlyWhenEstimatePassesWidth)
{
    const QByteArray value31(31, 'x');
    const QByteArray value32(32, 'x');
    // 2 + (1 + 31 + 4) + (1 + 32 + 4) = 75: stays on one line.
    EXPECT_EQ(writeOne(element("a", {{"m", value31}, {"n", value32}})),
              "<a m=\"" + value31 + "\" n=\"" + value32 + "\" />\n");
    // 76: each attribute on its own line, one level deeper.
    EXPECT_EQ(writeOne(element("a", {{"m", value32}, {"n", value32}})),
              "<a\n  m=\"" + value32 + "\"\n  n=\"" + value32 + "\" />\n");
}

TEST(XMLWriterTest, WrapEstimateCountsDepthAndUnescapedLength)
{
    auto *root = new XMLElement("r");
    auto *child = root->appendChild(element("a", {{"m", QByteArray(30, '"')}, {"n", "y"}}));
    (void)child;
    // depth 1: 2 + 1 + 1 + (1 + 30 + 4) + (1 + 1 + 4) = 45, although the escaped
    // line is much longer.
    QByteArray quotes;
    for (int i = 0; i < 30; ++i)
        quotes += "&quot;";
    EXPECT_EQ(writeOne(root), "<r>\n  <a m=\"" + quotes + "\" n=\"y\" />\n</r>\n");
}

TEST(XMLWriterTest, WrappedAttributesIndentOneLevelBelowElement)
{
    auto *root = new XMLElement("solution");
    auto *project = new XMLElement("project");
    root->appendChild(project);
    project->appendChild(element("configuration", {{"Name", "Common"},
                                                   {"project_type", QByteArray(60, 'T')}}));
    EXPECT_EQ(writeOne(root), "<solution>\n"
                              "  <project>\n"
                              "    <configuration\n"
                              "      Name=\"Common\"\n"
                              "      project_type=\""
                                  + QByteArray(60, 'T') + "\" />\n"
                                                          "  </project>\n"
                                                          "</solution>\n");
}

TEST(XMLWriterTest, ZeroWidthNeverWraps)
{
    const QByteArray value(100, 'x');
    EXPECT_EQ(writeOne(element("a", {{"m", value}, {"n", value}}), 2, 0),
              "<a m=\"" + value + "\" n=\"" + value + "\" />\n");
}

TEST(XMLWriterTest, ZeroIndentWritesNoNewlines)
{
    auto *root = new XMLElement("a");
    root->appendChild(element("b", {{"x", "1"}}));
    root->appendChild(new XMLElement("c"));
    XMLDocument document;
    document.setDocumentType("D");
    document.setRoot(root);
    EXPECT_EQ(document.write(0, 75), QByteArray("<!DOCTYPE D>\n<a><b x=\"1\" /><c/></a>"));
}

TEST(XMLWriterTest, EscapesByteByByte)
{
    struct Row { QByteArray raw; QByteArray escaped; };
    const Row rows[] = {
        {"a\"b&c", "a&quot;b&amp;c"},
        {"<x>", "&lt;x&gt;"},
        {"tab\there", "tab&#x9;here"},
        {"line\nend\r", "line&#xa;end&#xd;"},
        {"caf\xc3\xa9", "caf&#xc3;&#xa9;"},
        {QByteArray("\x00\x7f\xff", 3), "&#x0;&#x7f;&#xff;"},
        {"' ~!", "' ~!"},
    };
    for (const Row &row : rows) {
        QByteArray out;
        XMLWriter::escape(out, row.raw);
        EXPECT_EQ(out, row.escaped);
    }
}

TEST(XMLWriterTest, AttributeWithoutValueStaysOnCurrentLine)
{
    auto *root = element("a", {{"m", QByteArray(40, 'x')}, {"n", QByteArray(40, 'y')}});
    root->setAttributeWithoutValue("k");
    EXPECT_EQ(writeOne(root), "<a k=\"\"\n  m=\"" + QByteArray(40, 'x') + "\"\n  n=\""
                                  + QByteArray(40, 'y') + "\" />\n");
}

TEST(XMLWriterTest, TextChildStaysOnOneLine)
{
    EXPECT_EQ(rewrite("<a><b x=\"1\">some &amp; text</b></a>"),
              QByteArray("<a>\n  <b x=\"1\">some &amp; text</b>\n</a>\n"));
}

TEST(XMLWriterTest, CommentsAndCharacterData)
{
    EXPECT_EQ(rewrite("<a><!-- note --><![CDATA[x < y]]></a>"),
              QByteArray("<a>\n  <!-- note -->\n  <![CDATA[x < y]]>\n</a>\n"));
}

TEST(XMLWriterTest, CharacterDataEndMarkerIsSplit)
{
    auto *root = new XMLElement("a");
    auto *section = new XMLNode(XMLNode::Type::CData);
    section->setData("x]]>y");
    root->appendChild(section);
    const QByteArray written = writeOne(root);
    EXPECT_EQ(written, QByteArray("<a>\n  <![CDATA[x]]]]><![CDATA[>y]]>\n</a>\n"));
}

// --- Reader ---------------------------------------------------------------------------

TEST(XMLReaderTest, DecodesReferencesToOneByte)
{
    struct Row { const char *text; QByteArray decoded; };
    const Row rows[] = {
        {"&gt;&lt;&quot;&amp;&apos;", "><\"&'"},
        {"&#65;&#x42;&#X43;&#x4a;&#x4A;", "ABCJJ"},
        {"&#321;", "A"},            // 0x141: the low 8 bits
        {"&#x100;", QByteArray(1, '\0')},
        {"&#xe9;", "\xe9"},
        {"a&b", "a&b"},
        {"&unknown;", "&unknown;"},
        {"&#;&#x;&#xg;", "&#;&#x;&#xg;"},
        {"&amp", "&amp"},
        {"&#65", "&#65"},
        {"&", "&"},
        {"&&amp;", "&&"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.text);
        const QByteArray text(row.text);
        EXPECT_EQ(XMLReader::decode(text.constData(), text.constData() + text.size()),
                  row.decoded);
    }
}

TEST(XMLReaderTest, SkipsByteOrderMarkAndKeepsDeclaration)
{
    auto document = parse("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<!DOCTYPE TessaStudio_Project_File>\n<solution Name=\"S\"/>\n");
    EXPECT_EQ(document->version(), QByteArray("1.0"));
    EXPECT_EQ(document->encoding(), QByteArray("UTF-8"));
    EXPECT_EQ(document->documentType(), QByteArray("TessaStudio_Project_File"));
    ASSERT_TRUE(document->root());
    EXPECT_EQ(document->root()->attribute("Name"), QByteArray("S"));
}

TEST(XMLReaderTest, EveryByteOfAnAttributeReadsBackAsWritten)
{
    QByteArray all;
    for (int byte = 0; byte < 256; ++byte)
        all.append(char(byte));
    auto *root = element("a", {{"v", all}, {"w", "&#x41; &amp;"}});
    const QByteArray written = writeOne(root);
    auto document = parse(written);
    EXPECT_EQ(document->root()->attribute("v"), all);
    EXPECT_EQ(document->root()->attribute("w"), QByteArray("&#x41; &amp;"));
    EXPECT_EQ(document->write(2, 75), written);
}

TEST(XMLReaderTest, SingleQuotesAndAttributesWithoutValue)
{
    auto document = parse("<a x='say \"hi\"' flag y = \"2\"/>");
    const XMLElement *root = document->root();
    EXPECT_EQ(root->attribute("x"), QByteArray("say \"hi\""));
    EXPECT_TRUE(root->hasAttribute("flag"));
    EXPECT_FALSE(root->attributes().value("flag").hasValue);
    EXPECT_EQ(root->attribute("y"), QByteArray("2"));
}

TEST(XMLReaderTest, CanonicalFileReadsAndWritesByteForByte)
{
    const QByteArray canonical =
        "<!DOCTYPE TessaStudio_Project_File>\n"
        "<solution Name=\"S\" target=\"8\">\n"
        "  <configuration Name=\"Debug\" inherited_configurations=\"A;B\" />\n"
        "  <project Name=\"P\">\n"
        "    <!-- kept -->\n"
        "    <import file_name=\"x.hzp\" recurse=\"Yes\" with_source=\"No\" />\n"
        "    <folder Name=\"F\">\n"
        "      <file file_name=\"a b.c\" />\n"
        "    </folder>\n"
        "    <propertygroup>\n"
        "      <property name=\"n\">v</property>\n"
        "    </propertygroup>\n"
        "  </project>\n"
        "</solution>\n";
    EXPECT_EQ(rewrite(canonical), canonical);
}

TEST(XMLReaderTest, OtherLayoutsBecomeCanonicalAndStayThere)
{
    const QByteArray loose = "<a   z='1'\n\n b=\"2\"><b></b>\n\t<c>  <d/>text  </c></a>";
    const QByteArray first = rewrite(loose);
    EXPECT_EQ(first, QByteArray("<a b=\"2\" z=\"1\">\n"
                                "  <b/>\n"
                                "  <c>\n"
                                "    <d/>\n"
                                "    text\n"
                                "  </c>\n"
                                "</a>\n"));
    EXPECT_EQ(rewrite(first), first);
}

TEST(XMLReaderTest, MixedContentStartingWithTextIsKeptExactly)
{
    const QByteArray text = "<a>\n  <p>one <b>two</b> three</p>\n</a>\n";
    EXPECT_EQ(rewrite(text), text);
}

TEST(XMLReaderTest, HugeAttributeValue)
{
    const QByteArray value(4 * 1024 * 1024, 'h');
    auto document = parse("<a v=\"" + value + "\"/>");
    EXPECT_EQ(document->root()->attribute("v").size(), value.size());
}

TEST(XMLReaderTest, DeeplyNestedTreeWithinLimitIsWrittenAndFreed)
{
    const int depth = XMLReader::maxDepth;
    QByteArray text;
    for (int i = 0; i < depth; ++i)
        text += "<e>";
    for (int i = 0; i < depth; ++i)
        text += "</e>";
    auto document = parse(text);
    const QByteArray written = document->write(0, 0);
    EXPECT_EQ(written.size(), (depth - 1) * 7 + 4);  // the innermost is <e/>
}

struct BadDocument
{
    const char *name;
    QByteArray text;
    const char *error;
    int line;
};

class XMLReaderBadDocument : public testing::TestWithParam<BadDocument>
{
};

TEST_P(XMLReaderBadDocument, FailsNamingTheFaultAndLine)
{
    XMLDocument document;
    EXPECT_FALSE(document.read(GetParam().text));
    EXPECT_EQ(document.errorText(), QString::fromLatin1(GetParam().error));
    EXPECT_EQ(document.errorLine(), GetParam().line);
}

QByteArray deepNesting(int levels)
{
    QByteArray text;
    for (int i = 0; i < levels; ++i)
        text += "<e>\n";
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    All, XMLReaderBadDocument,
    testing::Values(
        BadDocument{"BadStartTag", "<a>\n<1b/>\n</a>", "bad tagName", 2},
        BadDocument{"BadAttribute", "<a>\n\n<b x=1/>\n</a>", "bad tagName", 3},
        BadDocument{"UnquotedEnd", "<a x=\"1></a>", "bad tagName", 1},
        BadDocument{"AttributesRunTogether", "<a x=\"1\"y=\"2\"/>", "bad tagName", 1},
        BadDocument{"TruncatedStartTag", "<a>\n<b x=\"1\"", "bad tagName", 2},
        BadDocument{"Mismatch", "<a>\n  <b>\n  </c>\n</a>", "tagName mismatch", 3},
        BadDocument{"StrayEndTag", "<a/>\n</a>", "tagName mismatch", 2},
        BadDocument{"Truncated", "<a>\n<b>",
                    "unexpected end of file: element 'b' not closed", 2},
        BadDocument{"Empty", "", "no root element", 1},
        BadDocument{"OnlyDocumentType", "<!DOCTYPE X>\n", "no root element", 2},
        BadDocument{"TwoRoots", "<a/>\n<b/>", "content after the root element", 2},
        BadDocument{"TextOutside", "junk<a/>", "text outside the root element", 1},
        BadDocument{"Garbage", QByteArray("\x01\x02\xff<\x00\x9c", 6),
                    "text outside the root element", 1},
        BadDocument{"UnterminatedComment", "<a><!-- x</a>", "unterminated comment", 1},
        BadDocument{"UnterminatedCData", "<a><![CDATA[x</a>", "unterminated character data",
                    1},
        BadDocument{"DeepNesting", deepNesting(10000), "elements nested too deeply",
                    XMLReader::maxDepth + 1}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(XMLReaderTest, DocumentTypeSurvivesLaterFailure)
{
    XMLDocument document;
    EXPECT_FALSE(document.read("<!DOCTYPE TessaStudio_Project_File>\n<solution>"));
    EXPECT_EQ(document.documentType(), QByteArray("TessaStudio_Project_File"));
}

TEST(XMLReaderTest, ErrorColumnPointsAtTheTag)
{
    XMLDocument document;
    EXPECT_FALSE(document.read("<a>\n  <b></c>\n</a>"));
    EXPECT_EQ(document.errorLine(), 2);
    EXPECT_EQ(document.errorColumn(), 6);
}

TEST(XMLReaderTest, ElementsRememberTheirLine)
{
    auto document = parse("<a>\n\n  <b/>\n</a>");
    EXPECT_EQ(document->root()->line(), 1);
    EXPECT_EQ(document->root()->firstChildElement()->line(), 3);
}

TEST(XMLReaderTest, UnreadableFileLeavesErrorText)
{
    XMLDocument document;
    EXPECT_FALSE(document.readFile("/nonexistent/x.hzp"));
    EXPECT_EQ(document.errorText(), QString("couldn't read /nonexistent/x.hzp"));
}

TEST(XMLDocumentTest, UnwritableFileLeavesErrorText)
{
    XMLDocument document;
    document.setRoot(new XMLElement("a"));
    EXPECT_FALSE(document.writeFile("/nonexistent/x.hzp", 2, 75));
    EXPECT_EQ(document.errorText(), QString("couldn't write /nonexistent/x.hzp"));
}

// --- Tree -----------------------------------------------------------------------------

TEST(XMLNodeTest, InsertTakeAndSiblings)
{
    XMLElement root("r");
    XMLNode *b = root.appendChild(new XMLElement("b"));
    XMLNode *a = root.insertChild(new XMLElement("a"), nullptr);
    XMLNode *text = root.insertChild(new XMLNode(XMLNode::Type::Text), a);
    EXPECT_EQ(root.firstChild(), a);
    EXPECT_EQ(a->nextSibling(), text);
    EXPECT_EQ(a->nextSiblingElement(), b);
    EXPECT_EQ(root.lastChild(), b);
    std::unique_ptr<XMLNode> taken(root.takeChild(text));
    EXPECT_EQ(a->nextSibling(), b);
    EXPECT_EQ(b->previousSibling(), a);
    EXPECT_EQ(taken->parent(), nullptr);
    root.removeChild(a);
    EXPECT_EQ(root.firstChild(), b);
    EXPECT_EQ(b->previousSibling(), nullptr);
}

TEST(XMLNodeTest, SetAttributeReplacesAndRemoveReports)
{
    XMLElement element("e");
    element.setAttribute("k", QString::fromUtf8("é"));
    EXPECT_EQ(element.attribute("k"), QByteArray("\xc3\xa9"));
    element.setAttribute("k", QByteArray("v"));
    EXPECT_EQ(element.attributeString("k"), QString("v"));
    EXPECT_TRUE(element.removeAttribute("k"));
    EXPECT_FALSE(element.removeAttribute("k"));
}
