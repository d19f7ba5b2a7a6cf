#include "codeedit/codeeditcparser.h"
#include "codeedit/codeeditparser.h"
#include "codeedit/codeeditparserfactory.h"
#include "codeedit/codeeditpythonparser.h"
#include "codeedit/disassemblycodeeditparser.h"

#include <gtest/gtest.h>

namespace {

TEST(CodeEditParserFactoryTest, KnowsEveryLanguageName)
{
    const QStringList expected = {"python", "cmake", "disassembly", "c", "cpp", "java",
                                  "javascript", "xc", "batch", "stapl", "icf", "asm",
                                  "basic", "forth", "dts", "vhdl", "svf", "json", "yaml",
                                  "xml", "html", "markdown"};
    EXPECT_EQ(CodeEditParserFactory::languages(), expected);
    for (const QString &name : expected) {
        SCOPED_TRACE(name.toStdString());
        const auto parser = CodeEditParserFactory::create(name);
        ASSERT_TRUE(parser);
        EXPECT_EQ(parser->state(), CodeEditParser::normalState);
    }
}

TEST(CodeEditParserFactoryTest, UnknownNameGivesNone)
{
    EXPECT_FALSE(CodeEditParserFactory::create("Python"));
    EXPECT_FALSE(CodeEditParserFactory::create("c++"));
    EXPECT_FALSE(CodeEditParserFactory::create(""));
}

TEST(CodeEditParserFactoryTest, MakesTheRightClasses)
{
    EXPECT_TRUE(dynamic_cast<CodeEditPythonParser *>(CodeEditParserFactory::create("python")
                                                         .get()));
    EXPECT_TRUE(dynamic_cast<CodeEditCParser *>(CodeEditParserFactory::create("c").get()));
    EXPECT_TRUE(dynamic_cast<DisassemblyCodeEditParser *>(
        CodeEditParserFactory::create("disassembly").get()));
}

TEST(CodeEditParserFactoryTest, LanguageFromFileName)
{
    const struct
    {
        const char *fileName;
        const char *language;
    } rows[] = {
        {"a.py", "python"},         {"dir/CMakeLists.txt", "cmake"}, {"x.cmake", "cmake"},
        {"cmakelists.txt", "cmake"}, {"out.dis", "disassembly"},      {"m.c", "c"},
        {"m.h", "c"},                {"m.cpp", "cpp"},                {"m.cc", "cpp"},
        {"m.cxx", "cpp"},            {"m.hpp", "cpp"},                {"m.hh", "cpp"},
        {"M.CPP", "cpp"},            {"A.java", "java"},              {"a.js", "javascript"},
        {"a.xc", "xc"},              {"run.bat", "batch"},            {"run.cmd", "batch"},
        {"t.stp", "stapl"},          {"flash.icf", "icf"},            {"start.s", "asm"},
        {"start.S", "asm"},          {"x.asm", "asm"},                {"g.bas", "basic"},
        {"w.fth", "forth"},          {"b.dts", "dts"},                {"b.dtsi", "dts"},
        {"e.vhd", "vhdl"},           {"e.vhdl", "vhdl"},              {"p.svf", "svf"},
        {"a.json", "json"},          {"a.yml", "yaml"},               {"a.yaml", "yaml"},
        {"a.xml", "xml"},            {"a.html", "html"},              {"a.htm", "html"},
        {"README.md", "markdown"},   {"notes.txt", ""},               {"Makefile", ""},
        {".py", ""},                 {"a.tar.json", "json"},          {"", ""},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.fileName);
        EXPECT_EQ(CodeEditParserFactory::languageForFileName(row.fileName),
                  QString::fromLatin1(row.language));
    }
}

TEST(CodeEditParserFactoryTest, CreateForFileName)
{
    EXPECT_TRUE(CodeEditParserFactory::createForFileName("x.py"));
    EXPECT_FALSE(CodeEditParserFactory::createForFileName("x.unknown"));
}

TEST(CodeEditParserFactoryTest, EveryLanguageHasAFileName)
{
    for (const QString &name : CodeEditParserFactory::languages()) {
        SCOPED_TRACE(name.toStdString());
        const QStringList extensions = CodeEditParserFactory::extensions(name);
        ASSERT_FALSE(extensions.isEmpty());
        EXPECT_EQ(CodeEditParserFactory::languageForFileName("f." + extensions.first()), name);
    }
}

} // namespace
