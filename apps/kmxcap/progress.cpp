// SPDX-License-Identifier: Apache-2.0
#include "progress.h"

#include <cstdio>
#include <unistd.h>

namespace kmxcap {

namespace {

constexpr unsigned bar_cells = 30;
constexpr auto quiet_period = std::chrono::seconds(1);

} // namespace

std::string progress_line(const std::string& label, unsigned done, unsigned total)
{
    if (done > total)
        done = total;
    const unsigned filled =
        total ? static_cast<unsigned>(static_cast<unsigned long long>(done) * bar_cells / total)
              : bar_cells;
    std::string line = label + " [";
    line.append(filled, '#');
    line.append(bar_cells - filled, '.');
    line += "] " + std::to_string(done) + "/" + std::to_string(total);
    return line;
}

Cprogress::Cprogress(std::string bar_label, unsigned bar_total, bool bar_enabled)
    : label(std::move(bar_label)), total(bar_total), enabled(bar_enabled),
      started(std::chrono::steady_clock::now())
{
}

Cprogress::~Cprogress() { finish(); }

void Cprogress::update(unsigned done)
{
    if (!enabled || std::chrono::steady_clock::now() - started < quiet_period)
        return;
    std::fprintf(stderr, "\r%s", progress_line(label, done, total).c_str());
    std::fflush(stderr);
    drawn = true;
}

void Cprogress::finish()
{
    if (!drawn)
        return;
    // Blank the bar so the next line starts clean.
    std::fprintf(stderr, "\r%*s\r", static_cast<int>(progress_line(label, total, total).size()), "");
    std::fflush(stderr);
    drawn = false;
}

bool stderr_is_terminal() { return isatty(STDERR_FILENO) == 1; }

} // namespace kmxcap
