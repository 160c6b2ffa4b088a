// SPDX-License-Identifier: Apache-2.0
#include "abort_watch.h"

#include <atomic>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "kmxcore/capture/thread_state.h"

namespace kmxcap {

namespace {

constexpr char interrupt_byte = 'i';
constexpr char quit_byte = 'q';
constexpr unsigned char escape_key = 0x1B;
// Keys such as the arrows send Escape followed at once by more bytes; a
// lone Escape is one with nothing behind it within this time.
constexpr int escape_sequence_ms = 30;

// Shared with the signal handler: only lock-free atomics and a plain
// descriptor written before the handler is installed.
std::atomic<bool> interrupted{false};
int wake_pipe[2] = {-1, -1};
struct sigaction previous_int;
struct sigaction previous_term;
struct termios saved_terminal;

extern "C" void on_signal(int)
{
    const int saved_errno = errno;
    interrupted.store(true);
    const char byte = interrupt_byte;
    // Nothing to do if the pipe is full: one byte is enough to wake.
    if (write(wake_pipe[1], &byte, 1) < 0) {
    }
    errno = saved_errno;
}

void install_handlers()
{
    struct sigaction action = {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    // Re-arm the default: a second Ctrl-C ends the process at once.
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, &previous_int);
    action.sa_flags = 0;
    sigaction(SIGTERM, &action, &previous_term);
}

// Non-canonical input without echo; signals (Ctrl-C) keep working.
bool enter_key_mode()
{
    if (isatty(STDIN_FILENO) != 1 || tcgetattr(STDIN_FILENO, &saved_terminal) != 0)
        return false;
    struct termios raw = saved_terminal;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    return tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
}

// True for a lone Escape; the rest of an escape sequence is read and
// dropped.
bool lone_escape()
{
    struct pollfd input = {STDIN_FILENO, POLLIN, 0};
    bool lone = true;
    while (poll(&input, 1, escape_sequence_ms) > 0 && (input.revents & POLLIN)) {
        unsigned char rest[16];
        if (read(STDIN_FILENO, rest, sizeof rest) <= 0)
            break;
        lone = false;
    }
    return lone;
}

} // namespace

Cabort_watch::Cabort_watch(Cthread_state& thread_state) : state(thread_state)
{
    interrupted.store(false);
    if (pipe(wake_pipe) != 0) {
        wake_pipe[0] = wake_pipe[1] = -1;
        return;
    }
    fcntl(wake_pipe[1], F_SETFL, O_NONBLOCK);
    terminal_changed = enter_key_mode();
    install_handlers();
    watcher = std::thread([this] { watch(); });
}

Cabort_watch::~Cabort_watch()
{
    if (watcher.joinable()) {
        const char byte = quit_byte;
        if (write(wake_pipe[1], &byte, 1) < 0) {
        }
        watcher.join();
    }
    if (wake_pipe[0] >= 0) {
        sigaction(SIGINT, &previous_int, nullptr);
        sigaction(SIGTERM, &previous_term, nullptr);
        close(wake_pipe[0]);
        close(wake_pipe[1]);
        wake_pipe[0] = wake_pipe[1] = -1;
    }
    if (terminal_changed)
        tcsetattr(STDIN_FILENO, TCSANOW, &saved_terminal);
}

bool Cabort_watch::aborted() const { return interrupted.load(); }

void Cabort_watch::simulate_interrupt() { raise(SIGINT); }

void Cabort_watch::watch()
{
    struct pollfd sources[2] = {{wake_pipe[0], POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    const nfds_t count = terminal_changed ? 2 : 1;
    for (;;) {
        if (poll(sources, count, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (sources[0].revents & POLLIN) {
            char byte = 0;
            if (read(wake_pipe[0], &byte, 1) == 1 && byte == quit_byte)
                return;
            state.set_abort();
        }
        if (count > 1 && (sources[1].revents & POLLIN)) {
            unsigned char key = 0;
            if (read(STDIN_FILENO, &key, 1) == 1 && key == escape_key && lone_escape()) {
                interrupted.store(true);
                state.set_abort();
            }
        }
        if (count > 1 && (sources[1].revents & (POLLHUP | POLLERR)))
            sources[1].fd = -1;
    }
}

} // namespace kmxcap
