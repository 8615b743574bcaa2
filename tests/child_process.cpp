// The program under test in a process of its own, behind a parent that reports on it.
#include "tests/child_process.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace child {

namespace {

[[noreturn]] void fail(const char* what) {
    throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

// What the parent tells of the program: its wait status, and its CPU time once it has ended.
struct Report {
    int status;
    long long cpu_us;
};

// The entries as the null-terminated array of pointers that execve takes.
std::vector<char*> pointers(std::vector<std::string>& entries) {
    std::vector<char*> list;
    for (auto& entry : entries)
        list.push_back(entry.data());
    list.push_back(nullptr);
    return list;
}

// Closes every descriptor from `first` on.
void close_from(int first) {
    if (close_range(static_cast<unsigned>(first), ~0U, 0) != 0)
        for (int fd = first; fd < 1024; ++fd)
            close(fd);
}

} // namespace

std::vector<std::string> with_changes(std::vector<std::string> env,
                                      const std::vector<std::string>& changes) {
    for (const std::string& entry : changes) {
        const std::string name = entry.substr(0, entry.find('='));
        std::erase_if(env, [&](const std::string& e) { return e.substr(0, e.find('=')) == name; });
        if (entry.find('=') != std::string::npos) env.push_back(entry);
    }
    return env;
}

std::vector<std::string> own_environment() {
    std::vector<std::string> env;
    for (char** entry = environ; *entry; ++entry)
        env.emplace_back(*entry);
    return env;
}

std::string describe_status(int st) {
    if (WIFEXITED(st)) return "exit " + std::to_string(WEXITSTATUS(st));
    if (WIFSIGNALED(st))
        return "signal " + std::to_string(WTERMSIG(st)) + " (" + strsignal(WTERMSIG(st)) + ")";
    if (WIFSTOPPED(st)) return "stopped by signal " + std::to_string(WSTOPSIG(st));
    return "status " + std::to_string(st);
}

Process::Process(const Start& start, int rows, int cols) {
    winsize size{};
    size.ws_row = static_cast<unsigned short>(rows);
    size.ws_col = static_cast<unsigned short>(cols);
    int slave = -1;
    if (openpty(&master_, &slave, nullptr, nullptr, &size) != 0) fail("openpty");
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    fcntl(master_, F_SETFL, O_NONBLOCK);
    tcgetattr(master_, &initial_);
    launch(start, slave, slave, slave, slave);
    close(slave);
}

Process::Process(const Start& start, int in, int out, int err) {
    output_over_ = true; // no pty: its output is the test's to read
    launch(start, in, out, err, -1);
}

void Process::launch(Start start, int in, int out, int err, int terminal) {
    // Everything the children need is built before fork: after it they only make system calls.
    start.args.insert(start.args.begin(), start.program);
    if (char* real = realpath(start.program.c_str(), nullptr)) image_ = real, free(real);
    const std::vector<char*> argv = pointers(start.args), envp = pointers(start.env);
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) fail("pipe2");

    reporter_ = fork();
    if (reporter_ < 0) fail("fork");
    if (reporter_ == 0) {
        // The parent: for a job, the session leader that owns the pty as controlling terminal,
        // like a shell; it reports the program's pid and every change of its state.
        close(report[0]);
        if (start.session == Session::Job) {
            setsid();
            ioctl(terminal, TIOCSCTTY, 0);
        }
        const pid_t program = fork();
        if (program == 0) {
            if (start.session == Session::Job) {
                ::signal(SIGTTOU, SIG_IGN); // taking the terminal from the background
                setpgid(0, 0);
                tcsetpgrp(terminal, getpid());
            } else if (start.session != Session::Test) {
                setsid();
                if (start.session == Session::Own) ioctl(terminal, TIOCSCTTY, 0);
            }
            for (int s = 1; s < NSIG; ++s)
                ::signal(s, SIG_DFL);
            if (start.ignore_sigpipe) ::signal(SIGPIPE, SIG_IGN);
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            dup2(in, STDIN_FILENO);
            dup2(out, STDOUT_FILENO);
            dup2(err, STDERR_FILENO);
            close_from(STDERR_FILENO + 1);
            if (start.nonblocking) fcntl(STDIN_FILENO, F_SETFL, O_RDWR | O_NONBLOCK);
            execve(argv[0], argv.data(), envp.data());
            _exit(127);
        }
        ::signal(SIGHUP, SIG_IGN); // the pty hanging up ends the program, not its parent
        if (start.session == Session::Job) setpgid(program, program);
        // Only the report pipe stays open here: no end of the pty or of the test's pipes.
        const int to_test = STDERR_FILENO + 1;
        if (dup2(report[1], to_test) < 0) _exit(1);
        close_from(to_test + 1);
        int message = program;
        if (write(to_test, &message, sizeof message) < 0) _exit(1);
        for (;;) {
            int st = 0;
            rusage usage{};
            if (wait4(program, &st, WUNTRACED | WCONTINUED, &usage) < 0) {
                if (errno == EINTR) continue;
                _exit(1);
            }
            const Report r{st, (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000000LL +
                                   usage.ru_utime.tv_usec + usage.ru_stime.tv_usec};
            if (write(to_test, &r, sizeof r) < 0) _exit(1);
            if (WIFEXITED(st) || WIFSIGNALED(st)) _exit(0);
        }
    }
    close(report[1]);
    report_fd_ = report[0];
    if (read(report_fd_, &pid_, sizeof pid_) != static_cast<ssize_t>(sizeof pid_))
        fail("reading the program's pid");
}

Process::~Process() {
    if (!ended_ && pid_ > 0) {
        kill(pid_, SIGKILL);
        while (!reporter_gone_)
            read_report();
    }
    if (master_ >= 0) close(master_);
    close(report_fd_);
    int st;
    while (waitpid(reporter_, &st, 0) < 0 && errno == EINTR) {
    }
}

void Process::signal(int sig) {
    if (!ended_) kill(pid_, sig);
}

void Process::type(std::string_view keys) {
    while (!keys.empty() && !output_over_) {
        const ssize_t n = write(master_, keys.data(), keys.size());
        if (n > 0) {
            keys.remove_prefix(static_cast<std::size_t>(n));
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return; // the program has gone: nobody reads keys any more
        } else {
            pollfd p{master_, POLLIN | POLLOUT, 0};
            if (poll(&p, 1, 100) > 0 && (p.revents & (POLLIN | POLLHUP | POLLERR))) read_output();
        }
    }
}

void Process::resize(int rows, int cols) {
    winsize size{};
    size.ws_row = static_cast<unsigned short>(rows);
    size.ws_col = static_cast<unsigned short>(cols);
    if (ioctl(master_, TIOCSWINSZ, &size) != 0) fail("TIOCSWINSZ");
}

void Process::hang_up() {
    if (master_ < 0) return;
    close(master_);
    master_ = -1;
    output_over_ = true;
}

void Process::read_report() {
    Report r{};
    const ssize_t n = read(report_fd_, &r, sizeof r);
    if (n < 0 && errno == EINTR) return;
    if (n != static_cast<ssize_t>(sizeof r)) {
        reporter_gone_ = true;
        return;
    }
    if (WIFSTOPPED(r.status)) {
        stopped_ = true;
    } else if (WIFCONTINUED(r.status)) {
        stopped_ = false;
    } else {
        stopped_ = false;
        ended_ = true;
        status_ = r.status;
        cpu_seconds_ = static_cast<double>(r.cpu_us) / 1e6;
    }
}

void Process::read_output() {
    char buffer[65536];
    const ssize_t n = read(master_, buffer, sizeof buffer);
    if (n > 0) {
        output_.append(buffer, static_cast<std::size_t>(n));
        arrivals_.emplace_back(Clock::now(), output_.size());
        return;
    }
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
    output_over_ = true; // EIO: every end of the pty's slave side is closed
}

void Process::look_at_memory() {
    if (ended_ || pid_ <= 0) return;
    // Until the exec, the process is still a copy of the test, with the test's memory.
    char exe[4096];
    const ssize_t n = readlink(("/proc/" + std::to_string(pid_) + "/exe").c_str(), exe, sizeof exe);
    if (n <= 0 || std::string_view(exe, static_cast<std::size_t>(n)) != image_) return;
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            peak_memory_kb_ = std::max(peak_memory_kb_, std::stol(line.substr(6)));
}

bool Process::pump(milliseconds timeout) {
    look_at_memory();
    pollfd fds[2];
    nfds_t count = 0;
    if (!output_over_) fds[count++] = {master_, POLLIN, 0};
    if (!reporter_gone_) fds[count++] = {report_fd_, POLLIN, 0};
    if (count == 0) return false;
    const int r = poll(fds, count, static_cast<int>(std::max<long long>(0, timeout.count())));
    if (r < 0 && errno != EINTR) fail("poll");
    if (r <= 0) return false;
    for (nfds_t i = 0; i < count; ++i) {
        if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        if (fds[i].fd == master_) {
            read_output();
        } else {
            read_report();
        }
    }
    return true;
}

bool Process::wait_for_output(std::string_view text, std::size_t from, milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (output_.find(text, from) != std::string::npos) return true;
        // A match not found yet can only begin in what arrives next.
        if (output_.size() >= text.size()) from = std::max(from, output_.size() - text.size() + 1);
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
        if (output_over_ || left.count() <= 0) return false;
        pump(std::min(left, milliseconds{100}));
    }
}

bool Process::end_within(milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (auto left = timeout; !ended_ && !reporter_gone_ && left.count() > 0;
         left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()))
        pump(std::min(left, milliseconds{100}));
    const bool by_itself = ended_;
    if (!ended_) signal(SIGKILL);
    while (!ended_ && !reporter_gone_)
        pump(milliseconds{100});
    while (!output_over_ && pump(milliseconds{100})) {
    }
    return by_itself;
}

termios Process::modes() const {
    termios t{};
    tcgetattr(master_, &t);
    return t;
}

std::vector<Chunk> Process::chunks() const {
    std::vector<Chunk> list;
    std::size_t begin = 0;
    for (const auto& [when, end] : arrivals_) {
        list.push_back({when, output_.substr(begin, end - begin)});
        begin = end;
    }
    return list;
}

Clock::time_point Process::arrival(std::size_t offset) const {
    const auto it = std::upper_bound(arrivals_.begin(), arrivals_.end(), offset,
                                     [](std::size_t o, const auto& a) { return o < a.second; });
    return it == arrivals_.end() ? Clock::now() : it->first;
}

} // namespace child
