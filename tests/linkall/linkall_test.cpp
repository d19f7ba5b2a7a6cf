// Runs code of several libraries in the one program that links them all, so that a
// class defined twice shows up here as a failed link or a crash.

#include <gtest/gtest.h>

#include "testsupport.h"

#ifdef HAVE_CP
#include "cp/cptextstream.h"
#endif
#ifdef HAVE_LOADFILE
#include "loadfile/loadfile.h"
#include "loadfile/loadfilefactory.h"
#include "loadfile/loadfilesection.h"
#endif

#include <QBuffer>

class LinkAllTest : public TempDirTest {};

TEST_F(LinkAllTest, LineReadersOfTwoLibrariesLiveSideBySide)
{
#ifdef HAVE_CP
    QByteArray text("first\r\nsecond");
    QBuffer buffer(&text);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    CpTextReader reader(&buffer);
    QString line;
    ASSERT_TRUE(reader.readLine(&line));
    EXPECT_EQ(line, "first");
#endif
#ifdef HAVE_LOADFILE
    write("one.hex", ":01001000559A\n:00000001FF\n");
    LoadFileFactory factory;
    const auto file = factory.create(path("one.hex"), "ihex");
    ASSERT_TRUE(file);
    ASSERT_EQ(file->sections().count(), 1);
    EXPECT_EQ(file->sections().at(0)->address(), 0x10u);
#endif
}
