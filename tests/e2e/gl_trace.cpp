// Dump lines look like `117 glMultMatrixd(m = {1.81, 0, ...})`, optionally
// followed by ` = result` or ` // fake`.
#include "gl_trace.h"

#include <cctype>
#include <cstdlib>
#include <fstream>

std::vector<TracedCall> readTraceDump(const std::string& dumpPath)
{
    std::vector<TracedCall> calls;
    std::ifstream dump(dumpPath);
    std::string line;
    while (std::getline(dump, line)) {
        const auto nameStart = line.find(' ');
        const auto open = line.find('(');
        if (line.empty() || std::isdigit(static_cast<unsigned char>(line[0])) == 0 ||
            nameStart == std::string::npos || open == std::string::npos ||
            line.find("// fake") != std::string::npos) {
            continue;
        }
        const auto close =
            line.find(") = ") != std::string::npos ? line.find(") = ") : line.rfind(')');
        calls.push_back({line.substr(nameStart + 1, open - nameStart - 1),
                         line.substr(open + 1, close - open - 1)});
    }
    return calls;
}

std::vector<double> numbersIn(const std::string& text)
{
    std::vector<double> numbers;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool startsNumber =
            (std::isdigit(static_cast<unsigned char>(text[i])) != 0 || text[i] == '-') &&
            (i == 0 || text[i - 1] == ' ' || text[i - 1] == '{');
        if (!startsNumber || text.compare(i, 2, "0x") == 0) {
            continue;
        }
        char* end = nullptr;
        numbers.push_back(std::strtod(&text[i], &end));
        i = static_cast<std::size_t>(end - text.c_str());
    }
    return numbers;
}
