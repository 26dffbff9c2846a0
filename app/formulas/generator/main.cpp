// formulagen <data file> <namespace> <out header> <out source> <header include name>
// Compiles a statement data file into build functions of static operation arrays.
#include <fstream>
#include <iostream>
#include <sstream>

#include "statementcompiler.h"

namespace {

bool writeIfChanged(const std::string& path, const std::string& text)
{
    {
        std::ifstream old(path, std::ios::binary);
        std::ostringstream s;
        s << old.rdbuf();
        if (old && s.str() == text)
            return true;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return bool(out.flush());
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 6) {
        std::cerr << "usage: formulagen <data file> <namespace> <out.h> <out.cpp> <include name>\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::cerr << argv[1] << ": cannot read\n";
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();
    try {
        const auto programs = formulagen::compileFile(text.str());
        if (!writeIfChanged(argv[3], formulagen::emitHeader(programs, argv[2])) ||
            !writeIfChanged(argv[4], formulagen::emitSource(programs, argv[2], argv[5]))) {
            std::cerr << "formulagen: cannot write the output\n";
            return 1;
        }
    } catch (const formulagen::CompileError& e) {
        std::cerr << argv[1] << ":" << e.what() << '\n';
        return 1;
    }
    return 0;
}
