// SPDX-License-Identifier: Apache-2.0
// Cprogress: a one-line progress bar on stderr for counted work (frames).
// It appears only when stderr is a terminal and the work has already
// taken more than a second, so quick runs and redirected output stay
// clean.
#ifndef KMXCAP_PROGRESS_H
#define KMXCAP_PROGRESS_H

#include <chrono>
#include <string>

namespace kmxcap {

// The bar for done of total units, e.g. "average [#####.....] 8/16".
std::string progress_line(const std::string& label, unsigned done, unsigned total);

class Cprogress {
public:
    // enabled false: never draws (no terminal, or --no-progress).
    Cprogress(std::string label, unsigned total, bool enabled);
    ~Cprogress();
    Cprogress(const Cprogress&) = delete;
    Cprogress& operator=(const Cprogress&) = delete;

    void update(unsigned done);
    // Clears the line if it was drawn.
    void finish();

private:
    std::string label;
    unsigned total;
    bool enabled;
    bool drawn = false;
    std::chrono::steady_clock::time_point started;
};

// True when stderr is a terminal.
bool stderr_is_terminal();

} // namespace kmxcap

#endif
