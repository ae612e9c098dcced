// SPDX-License-Identifier: MIT
// ParseCommandLine: every option in each of the forms users type (--opt=v,
// --opt v, -xv, abbreviations, "--"), missing and bad arguments, unknown
// options, operands, and the combinations that are refused.
#include "core/app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vexlan;

namespace {

using Args = std::vector<std::string>;

std::string Join(const Args& args)
{
    std::string s;
    for (const std::string& a : args)
        s += "[" + a + "] ";
    return s;
}

} // namespace

TEST(CommandLine, AcceptedCommandLines)
{
    struct Row {
        Args args;
        CommandLine expected;
    };
    auto with = [](auto set) {
        CommandLine c;
        set(c);
        return c;
    };
    const Row rows[] = {
        {{}, CommandLine{}},
        {{"--job", "/tmp/a b.set"}, with([](CommandLine& c) { c.jobPath = "/tmp/a b.set"; })},
        {{"--keep-job"}, with([](CommandLine& c) { c.keepJob = true; })},
        {{"--print"}, with([](CommandLine& c) { c.print = true; })},
        {{"--print", "--printer", "PDF"}, with([](CommandLine& c) { c.print = true; c.printer = "PDF"; })},
        {{"--printer", "Office", "--print"}, with([](CommandLine& c) { c.print = true; c.printer = "Office"; })},
        {{"--pdf", "out.pdf"}, with([](CommandLine& c) { c.pdfFile = "out.pdf"; })},
        {{"--png", "out.png"}, with([](CommandLine& c) { c.pngFile = "out.png"; })},
        {{"--png", "o.png", "--dpi", "1"}, with([](CommandLine& c) { c.pngFile = "o.png"; c.dpi = 1; })},
        {{"--dpi", "2400", "--png", "o.png"}, with([](CommandLine& c) { c.pngFile = "o.png"; c.dpi = 2400; })},
        {{"--dump-items"}, with([](CommandLine& c) { c.dumpItems = true; })},
        {{"--trace"}, with([](CommandLine& c) { c.trace = true; })},
        {{"--strict", "--pdf", "a.pdf"}, with([](CommandLine& c) { c.strict = true; c.pdfFile = "a.pdf"; })},
        {{"--help"}, with([](CommandLine& c) { c.help = true; })},
        {{"-h"}, with([](CommandLine& c) { c.help = true; })},
        {{"--version"}, with([](CommandLine& c) { c.version = true; })},
        {{"--job", "j.set", "--keep-job", "--dump-items"},
         with([](CommandLine& c) { c.jobPath = "j.set"; c.keepJob = true; c.dumpItems = true; })},
        // A value that looks like an option is still the value.
        {{"--pdf", "--trace"}, with([](CommandLine& c) { c.pdfFile = "--trace"; })},
        // The last of a repeated option wins.
        {{"--job", "a", "--job", "b"}, with([](CommandLine& c) { c.jobPath = "b"; })},
        {{"--job=x.set", "--pdf=-"}, with([](CommandLine& c) { c.jobPath = "x.set"; c.pdfFile = "-"; })},
        {{"--job", "-", "--png", "-", "--dpi=72"},
         with([](CommandLine& c) { c.jobPath = "-"; c.pngFile = "-"; c.dpi = 72; })},
        {{"--keep", "--dump"}, with([](CommandLine& c) { c.keepJob = true; c.dumpItems = true; })},
        {{"--print", "-dOffice", "-n", "3", "-o", "media=Letter", "-osides=one-sided", "-t", "Slip 7"},
         with([](CommandLine& c) {
             c.print = true; c.printer = "Office"; c.copies = 3; c.title = "Slip 7";
             c.printOptions = {"media=Letter", "sides=one-sided"};
         })},
        {{"--print", "--printer=Q", "--copies=2", "--option", "page-ranges=1", "--title="},
         with([](CommandLine& c) { c.print = true; c.printer = "Q"; c.copies = 2; c.printOptions = {"page-ranges=1"}; })},
        {{"--", }, CommandLine{}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(Join(r.args));
        CommandLine cl;
        cl.jobPath = "left over"; // the result starts from the defaults
        cl.keepJob = true;
        cl.dpi = 7;
        std::string error;
        ASSERT_TRUE(ParseCommandLine(r.args, cl, error)) << error;
        const CommandLine& e = r.expected;
        EXPECT_EQ(cl.jobPath, e.jobPath);
        EXPECT_EQ(cl.keepJob, e.keepJob);
        EXPECT_EQ(cl.print, e.print);
        EXPECT_EQ(cl.printer, e.printer);
        EXPECT_EQ(cl.pdfFile, e.pdfFile);
        EXPECT_EQ(cl.pngFile, e.pngFile);
        EXPECT_EQ(cl.dpi, e.dpi);
        EXPECT_EQ(cl.dumpItems, e.dumpItems);
        EXPECT_EQ(cl.trace, e.trace);
        EXPECT_EQ(cl.strict, e.strict);
        EXPECT_EQ(cl.help, e.help);
        EXPECT_EQ(cl.version, e.version);
        EXPECT_EQ(cl.copies, e.copies);
        EXPECT_EQ(cl.title, e.title);
        EXPECT_EQ(cl.printOptions, e.printOptions);
    }
}

TEST(CommandLine, RefusedCommandLinesSayWhy)
{
    struct Row {
        Args args;
        const char* mentions; // a word the one-line message must contain
    } rows[] = {
        {{"--job"}, "--job"},
        {{"--job", ""}, "--job"},
        {{"--pdf"}, "--pdf"},
        {{"--png"}, "--png"},
        {{"--printer"}, "--printer"},
        {{"--print", "--printer"}, "--printer"},
        {{"--png", "a.png", "--dpi"}, "--dpi"},
        {{"--png", "a.png", "--dpi", "0"}, "--dpi"},
        {{"--png", "a.png", "--dpi", "2401"}, "--dpi"},
        {{"--png", "a.png", "--dpi", "-300"}, "--dpi"},
        {{"--png", "a.png", "--dpi", "300dpi"}, "--dpi"},
        {{"--png", "a.png", "--dpi", "3e2"}, "--dpi"},
        {{"--png", "a.png", "--dpi", "99999999999999999999"}, "--dpi"},
        {{"--png", "a.png", "--dpi", "4294967596"}, "--dpi"}, // 300 + 2^32
        {{"--bogus"}, "--bogus"},
        {{"--job="}, "--job"},
        {{"--trace=yes"}, "takes no value"},
        {{"--pr"}, "ambiguous"},
        {{"-p"}, "unknown option '-p'"},
        {{"--print", "-d"}, "'-d' needs a value"},
        {{"job.set"}, "unexpected operand 'job.set'"},
        {{"--dump-items", "extra"}, "operand 'extra'"},
        {{"--", "--trace"}, "operand '--trace'"},
        {{"-"}, "operand '-'"},
        {{"--print", "-n", "0"}, "-n"},
        {{"--print", "--copies", "2x"}, "--copies"},
        {{"-n", "2"}, "only used with --print"},
        {{"-o", "media=A4", "--pdf", "a.pdf"}, "-o"},
        {{"--print", "--pdf", "a.pdf"}, "only one"},
        {{"--dump-items", "--trace"}, "only one"},
        {{"--png", "a.png", "--pdf", "b.pdf"}, "only one"},
        {{"--trace", "--print"}, "only one"},
        {{"--printer", "P"}, "--printer"},
        {{"--printer", "P", "--pdf", "a.pdf"}, "--printer"},
        {{"--dpi", "300"}, "--dpi"},
        {{"--pdf", "a.pdf", "--dpi", "300"}, "--dpi"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(Join(r.args));
        CommandLine cl;
        std::string error;
        EXPECT_FALSE(ParseCommandLine(r.args, cl, error));
        EXPECT_NE(error.find(r.mentions), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << "one line: " << error;
    }
}
