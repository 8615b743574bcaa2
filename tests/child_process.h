// The program under test in a process of its own, for the end-to-end and robustness tests: on a
// pseudo-terminal, whose output is kept as it arrives, or on the test's own pipes and files. A
// small parent between the test and the program reaps it and reports on a pipe every change of
// its state (stopped, continued, ended), with its CPU time and peak memory once it has ended.
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <termios.h>
#include <vector>

namespace child {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How the program stands to its terminal.
enum class Session {
    Job,  // the foreground job of a session led by its parent, as a shell runs it: Ctrl-Z stops it
    Own,  // the leader of a session of its own with the pty as controlling terminal: a hang-up
          // sends it SIGHUP
    None, // the leader of a session of its own with no controlling terminal
    Test, // in the test's own session, as on pipes
};

struct Start {
    std::string program;
    std::vector<std::string> args = {};
    std::vector<std::string> env = {}; // the whole environment, NAME=value entries
    Session session = Session::Job;
    bool ignore_sigpipe = false; // SIGPIPE ignored, as some shells and daemons leave it
    // On a pty: its file description left non-blocking (O_NONBLOCK), as an earlier program in the
    // same terminal can leave it: reads and writes that would wait fail with EAGAIN.
    bool nonblocking = false;
};

// `env` with each of `changes`, NAME=value, in place of its NAME; a bare NAME removes it.
std::vector<std::string> with_changes(std::vector<std::string> env,
                                      const std::vector<std::string>& changes);
// This process's own environment.
std::vector<std::string> own_environment();

// Output of the program as it arrived.
struct Chunk {
    Clock::time_point when;
    std::string bytes;
};

class Process {
  public:
    // On a pseudo-terminal of `rows` x `cols`, its standard streams all on it.
    Process(const Start& start, int rows, int cols);
    // With standard input, output and error on `in`, `out` and `err`, which stay the test's.
    Process(const Start& start, int in, int out, int err);
    ~Process(); // kills the program if it still runs
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t pid() const { return pid_; }
    void signal(int sig);

    // Writes to the pty as keys typed on the keyboard ("\r" is Enter, "\x03" Ctrl-C); while the
    // pty takes no more, the program's output is read, so that its echo cannot hold it up.
    void type(std::string_view keys);
    // The window's new size: the kernel tells the terminal's foreground process group.
    void resize(int rows, int cols);
    // Closes the pty's master side, as closing the terminal window does; no more output is read
    // after it, and modes() is no longer available.
    void hang_up();

    // Waits up to `timeout` for output or a report and takes what came; false when nothing did.
    bool pump(milliseconds timeout);
    // Reads output until `text` is in it at or after `from`; false when the time is up, or the
    // output is over, first.
    bool wait_for_output(std::string_view text, std::size_t from, milliseconds timeout);
    // Waits for the program to end, reading its output meanwhile, and kills it when `timeout` is
    // up; true when it ended by itself. The output it left is read too.
    bool end_within(milliseconds timeout);

    bool ended() const { return ended_; }
    bool stopped() const { return stopped_; }
    int wait_status() const { return status_; } // as waitpid gave it, once ended()
    // The program's user and system time, once ended().
    double cpu_seconds() const { return cpu_seconds_; }
    // The program's peak resident memory, in KiB, as last seen while it ran (every pump looks):
    // the high-water mark of its own image, which starts afresh at exec, so that the test it was
    // forked from is not counted, as it is in the peak that wait4 reports.
    long peak_memory_kb() const { return peak_memory_kb_; }
    void look_at_memory();
    // Nothing more can come: every end of the pty's slave side is closed (or the pty hung up),
    // its output all read, and the parent has gone.
    bool finished() const { return output_over_ && reporter_gone_; }

    // The pty's modes now (after the program has gone, what it left to the shell).
    termios modes() const;
    // The modes the pty had before the program started.
    const termios& initial_modes() const { return initial_; }
    // Everything the program wrote to the pty so far, and the same as it arrived.
    const std::string& output() const { return output_; }
    std::vector<Chunk> chunks() const;
    // When the output's byte at `offset` arrived.
    Clock::time_point arrival(std::size_t offset) const;

  private:
    void launch(Start start, int in, int out, int err, int terminal);
    void read_output();
    void read_report();

    int master_ = -1;
    int report_fd_ = -1;
    pid_t pid_ = -1;      // the program
    std::string image_;   // the program's file, once resolved: what runs after the exec
    pid_t reporter_ = -1; // its parent
    termios initial_{};
    std::string output_;
    // Each read's arrival, and the end of its bytes in `output_`.
    std::vector<std::pair<Clock::time_point, std::size_t>> arrivals_;
    bool ended_ = false, stopped_ = false, output_over_ = false, reporter_gone_ = false;
    int status_ = 0;
    double cpu_seconds_ = 0;
    long peak_memory_kb_ = 0;
};

// "exit 0", "signal 15 (Terminated)", "stopped": for messages.
std::string describe_status(int wait_status);

} // namespace child
