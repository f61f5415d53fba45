// The cross-built quendrel.exe: one self-contained executable that imports only
// Windows' own DLLs, whose main takes freeglut's Windows start-up path (the
// entry points handed the run-time library's exit).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Standard output of a shell command; fails the test unless it exits 0.
std::string outputOf(const std::string& command)
{
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot run " << command;
        return output;
    }
    char buffer[4096];
    size_t read = 0;
    while ((read = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output.append(buffer, read);
    }
    EXPECT_EQ(pclose(pipe), 0) << command;
    return output;
}

std::string upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// The words after `label` on each line that has it.
std::vector<std::string> valuesAfter(const std::string& text, const std::string& label)
{
    std::vector<std::string> values;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const auto at = line.find(label);
        if (at != std::string::npos) {
            std::istringstream rest(line.substr(at + label.size()));
            std::string value;
            rest >> value;
            values.push_back(value);
        }
    }
    return values;
}

TEST(WindowsBuild, ExeImportsOnlyWindowsSystemDlls)
{
    // Every Windows since XP has these; the GL ones come with any display driver.
    const std::set<std::string> systemDlls = {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL",
                                              "ADVAPI32.DLL", "MSVCRT.DLL", "WINMM.DLL",
                                              "OPENGL32.DLL", "GLU32.DLL"};
    const std::vector<std::string> imports =
        valuesAfter(outputOf(std::string(OBJDUMP) + " -p '" + QUENDREL_EXE + "'"), "DLL Name:");
    std::set<std::string> seen;
    for (const std::string& dll : imports) {
        seen.insert(upper(dll));
        EXPECT_EQ(systemDlls.count(upper(dll)), 1U) << "imports " << dll;
    }
    // Linked against the wrong GL, or not linked at all, it would not draw.
    EXPECT_EQ(seen.count("OPENGL32.DLL"), 1U);
    EXPECT_EQ(seen.count("GLU32.DLL"), 1U);
}

TEST(WindowsBuild, MainHandsTheRunTimeExitToFreeglut)
{
    const std::string undefined = outputOf(std::string(NM) + " -u '" + MAIN_OBJECT + "'");
    std::set<std::string> symbols;
    std::istringstream words(undefined);
    for (std::string word; words >> word;) {
        symbols.insert(word);
    }
    EXPECT_EQ(symbols.count("__glutInitWithExit"), 1U) << undefined;
    EXPECT_EQ(symbols.count("__glutCreateWindowWithExit"), 1U) << undefined;
    EXPECT_EQ(symbols.count("glutInit"), 0U);
    EXPECT_EQ(symbols.count("glutCreateWindow"), 0U);
    EXPECT_EQ(symbols.count("exit"), 1U) << "the run-time's exit is what they are handed";
}

} // namespace
