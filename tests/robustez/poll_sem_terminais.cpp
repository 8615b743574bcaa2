// Preloaded into the game: a poll() that cannot watch terminal devices, as macOS's answers for
// /dev/tty ("does not support devices"): POLLNVAL at once for every terminal, the other
// descriptors looked at without waiting when there is one.
#include <dlfcn.h>
#include <poll.h>
#include <unistd.h>
#include <vector>

extern "C" int poll(pollfd* fds, nfds_t n, int ms) {
    using poll_t = int (*)(pollfd*, nfds_t, int);
    static const auto real = reinterpret_cast<poll_t>(dlsym(RTLD_NEXT, "poll"));
    std::vector<bool> terminal(n);
    bool algum = false;
    for (nfds_t i = 0; i < n; ++i) {
        terminal[i] = fds[i].fd >= 0 && isatty(fds[i].fd);
        algum = algum || terminal[i];
    }
    if (!algum) return real(fds, n, ms);
    std::vector<pollfd> outros(fds, fds + n);
    for (nfds_t i = 0; i < n; ++i)
        if (terminal[i]) outros[i].fd = -1;
    if (real(outros.data(), n, 0) < 0) return -1;
    int prontos = 0;
    for (nfds_t i = 0; i < n; ++i) {
        fds[i].revents = terminal[i] ? POLLNVAL : outros[i].revents;
        if (fds[i].revents) ++prontos;
    }
    return prontos;
}
