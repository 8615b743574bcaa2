// The POSIX backend's one wait (select on a descriptor and the handlers' pipe), clock and writes.
#include "console/posix/posix.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/select.h>
#include <unistd.h>

namespace {

// A clock that does not count the machine's sleep (macOS's CLOCK_MONOTONIC does).
#if defined(__APPLE__)
constexpr clockid_t relogio = CLOCK_UPTIME_RAW;
#else
constexpr clockid_t relogio = CLOCK_MONOTONIC;
#endif

// select may end late by a thousandth of the time asked (Linux's slack): a longer wait asks for a
// five-hundredth less, and the short rest is waited for again, on time.
constexpr long long espera_exata_ns = 1'000'000;
constexpr long long fracao_de_folga = 500;

struct estado_das_esperas {
    int aviso_leitura = -1, aviso_escrita = -1; // the handlers' pipe
    std::atomic<long long> parado_ns{0};        // all the time spent stopped by Ctrl-Z
    std::atomic<int> pedidos{0};                // `pedido` bits
};

estado_das_esperas esperas;

// The descriptor moved above 2 (0 to 2 stay as the shell left them), close-on-exec, non-blocking.
int acima_dos_padroes(int fd) {
    const int novo = fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    close(fd);
    if (novo >= 0) fcntl(novo, F_SETFL, fcntl(novo, F_GETFL) | O_NONBLOCK);
    return novo;
}

} // namespace

long long agora_ns() {
    timespec agora{};
    clock_gettime(relogio, &agora);
    return static_cast<long long>(agora.tv_sec) * 1'000'000'000LL + agora.tv_nsec -
           esperas.parado_ns;
}

void somar_parada(long long ns) {
    esperas.parado_ns += ns;
}

void iniciar_avisos() {
    int fds[2];
    if (::pipe(fds) != 0) return; // no pipe: a signal still breaks a wait off, one wait later
    const int leitura = acima_dos_padroes(fds[0]), escrita = acima_dos_padroes(fds[1]);
    if (leitura < 0 || escrita < 0 || leitura >= FD_SETSIZE) {
        for (int fd : {leitura, escrita})
            if (fd >= 0) close(fd);
        return;
    }
    esperas.aviso_leitura = leitura;
    esperas.aviso_escrita = escrita;
}

void avisar(pedido p) {
    esperas.pedidos |= p;
    if (esperas.aviso_escrita < 0) return;
    const int erro = errno;
    const char um = 1;
    ssize_t ignorado = ::write(esperas.aviso_escrita, &um, 1); // a full pipe wakes them already
    (void)ignorado;
    errno = erro;
}

int pedidos() {
    return esperas.pedidos;
}

void atender_pedidos() {
    esperas.pedidos = 0;
}

visto esperar_por(int fd, bool escrita, long long prazo) {
    if (fd >= FD_SETSIZE) return visto::pronto; // beyond select: the read or write tells
    const int aviso = esperas.aviso_leitura;
    for (;;) {
        timeval tempo{};
        if (prazo >= 0) {
            long long falta = std::max(prazo - agora_ns(), 0LL); // 0: still a look at the fd
            if (falta > espera_exata_ns) falta -= falta / fracao_de_folga;
            const long long us = (falta + 999) / 1000;
            tempo = {static_cast<time_t>(us / 1'000'000), static_cast<suseconds_t>(us % 1'000'000)};
        }
        fd_set leitura, escrever;
        FD_ZERO(&leitura);
        FD_ZERO(&escrever);
        if (fd >= 0) FD_SET(fd, escrita ? &escrever : &leitura);
        if (aviso >= 0) FD_SET(aviso, &leitura);
        const int r = ::select(std::max(fd, aviso) + 1, &leitura, &escrever, nullptr,
                               prazo < 0 ? nullptr : &tempo);
        if (r < 0) return errno == EINTR ? visto::aviso : visto::pronto;
        if (aviso >= 0 && FD_ISSET(aviso, &leitura)) {
            char lixo[64];
            while (::read(aviso, lixo, sizeof lixo) > 0) {
            }
            return visto::aviso;
        }
        if (r > 0) return visto::pronto;
        if (agora_ns() >= prazo) return visto::prazo;
    }
}

int escrever_tudo(std::string_view bytes, long long prazo) {
    while (!bytes.empty()) {
        const ssize_t escritos = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
        if (escritos >= 0) {
            bytes.remove_prefix(static_cast<std::size_t>(escritos));
        } else if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
            return errno;
        } else if (errno != EINTR && esperar_por(STDOUT_FILENO, true, prazo) == visto::prazo) {
            return ETIMEDOUT;
        }
    }
    return 0;
}
