#include "scriptharness.h"

#include "script/host/wscriptesclass.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

TEST(WScriptESClassTest, EchoWritesTextWithoutLineEnd)
{
    const ScriptRun run = runScript("var r = WScript.Echo('a'); WScript.Echo(1/4); typeof r");
    EXPECT_EQ(run.output, "a0.25");
    EXPECT_EQ(run.value, "undefined");
}

TEST(WScriptESClassTest, DefaultWriterIsStandardOutput)
{
    auto cx = ESContext::create();
    WScriptESClass::installInto(cx.get());
    testing::internal::CaptureStdout();
    cx->evaluate("echo.js", "WScript.Echo('one'); WScript.Echo(2)");
    std::fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "one2");
}

} // namespace
