// SPDX-License-Identifier: Apache-2.0
// kmxcap: command-line capture tool on top of kmxcore. See --help.
#include <string>
#include <vector>

#include "commands.h"

int main(int argc, char** argv)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    return kmxcap::run_kmxcap(args);
}
