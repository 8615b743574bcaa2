// The POSIX backend's waits: for standard input or output to be ready, with poll or, where poll
// cannot watch the device (macOS answers POLLNVAL for /dev/tty), with select; and the pipe through
// which a signal that asks for the screen again wakes the wait in progress.
#include "console/posix/posix.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/select.h>
#include <unistd.h>

namespace {

// The descriptors whose device poll was seen not to watch: standard input, output and error.
constexpr int descritores_padrao = 3;

struct estado_das_esperas {
    int aviso_leitura = -1; // the pipe a signal handler writes a byte into, to wake a wait
    int aviso_escrita = -1;
    volatile std::sig_atomic_t sem_poll[descritores_padrao] = {}; // use select for this one
};

estado_das_esperas esperas;

bool aberto(int fd) {
    return fcntl(fd, F_GETFD) != -1;
}

void marcar_sem_poll(int fd) {
    if (fd >= 0 && fd < descritores_padrao) esperas.sem_poll[fd] = 1;
}

bool com_select(int fd) {
    return fd >= 0 && fd < descritores_padrao && esperas.sem_poll[fd];
}

// What one wait saw.
enum : int { nada = 0, descritor_pronto = 1, aviso_chegou = 2 };

// The same wait with select, which watches every terminal device. A descriptor beyond select's
// reach is taken as ready, so that the read or write itself tells.
int aguardar_com_select(int fd, bool escrita, int ms, int aviso) {
    if (fd >= FD_SETSIZE) return descritor_pronto;
    fd_set leitura, escrever;
    FD_ZERO(&leitura);
    FD_ZERO(&escrever);
    int maior = -1;
    if (fd >= 0) {
        FD_SET(fd, escrita ? &escrever : &leitura);
        maior = fd;
    }
    if (aviso >= 0 && aviso < FD_SETSIZE) {
        FD_SET(aviso, &leitura);
        if (aviso > maior) maior = aviso;
    }
    timeval tempo{ms / 1000, (ms % 1000) * 1000};
    const int r = ::select(maior + 1, &leitura, &escrever, nullptr, ms < 0 ? nullptr : &tempo);
    if (r <= 0) return r;
    int visto = nada;
    if (fd >= 0 && FD_ISSET(fd, escrita ? &escrever : &leitura)) visto |= descritor_pronto;
    if (aviso >= 0 && aviso < FD_SETSIZE && FD_ISSET(aviso, &leitura)) visto |= aviso_chegou;
    return visto;
}

// One wait of up to `ms` (for ever when negative) for `fd` (none when -1) and for the pipe
// `aviso` (none when -1). Returns what was seen; -1 with errno set when the call failed.
// Async-signal-safe.
int aguardar(int fd, bool escrita, int ms, int aviso) {
    if (!com_select(fd)) {
        pollfd p[2] = {{fd, static_cast<short>(escrita ? POLLOUT : POLLIN), 0}, {aviso, POLLIN, 0}};
        const int r = ::poll(p, 2, ms); // a negative descriptor is left out by poll
        if (r <= 0) return r;
        // POLLNVAL on a descriptor that is open: a device that this system's poll cannot watch.
        if (!(p[0].revents & POLLNVAL) || !aberto(fd))
            return (p[0].revents ? descritor_pronto : nada) | (p[1].revents ? aviso_chegou : nada);
        marcar_sem_poll(fd);
    }
    return aguardar_com_select(fd, escrita, ms, aviso);
}

void esvaziar_aviso() {
    char lixo[64];
    while (::read(esperas.aviso_leitura, lixo, sizeof lixo) > 0) {
    }
}

// The milliseconds from now to `prazo_ns` on the sleeps' clock, rounded up; -1 for no deadline.
int ms_ate(long long prazo_ns) {
    if (prazo_ns < 0) return -1;
    const long long falta = prazo_ns - agora_ns();
    if (falta <= 0) return 0;
    constexpr long long ns_por_ms = 1'000'000, maior_espera_ms = 1'000'000'000;
    const long long ms = (falta + ns_por_ms - 1) / ns_por_ms;
    return static_cast<int>(ms < maior_espera_ms ? ms : maior_espera_ms);
}

} // namespace

void iniciar_avisos() {
    int fds[2];
    if (::pipe(fds) != 0) return; // no pipe: a signal still breaks a wait off, as before
    for (int fd : fds) {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    esperas.aviso_leitura = fds[0];
    esperas.aviso_escrita = fds[1];
}

void acordar_esperas() {
    if (esperas.aviso_escrita < 0) return;
    const int erro = errno;
    const char um = 1;
    ssize_t ignorado = ::write(esperas.aviso_escrita, &um, 1); // a full pipe wakes them already
    (void)ignorado;
    errno = erro;
}

bool esperar_saida(int ms) {
    return aguardar(STDOUT_FILENO, true, ms, -1) != nada;
}

bool esperar_descritor(int fd, bool escrita, long long prazo_ns) {
    for (;;) {
        redesenhar_se_preciso();
        long long acordar = prazo_ns;
        const long long redesenho = redesenho_devido_ns();
        if (redesenho >= 0 && (acordar < 0 || redesenho < acordar)) acordar = redesenho;
        const int visto = aguardar(fd, escrita, ms_ate(acordar), esperas.aviso_leitura);
        if (visto < 0 && errno != EINTR) return true; // the read or write reports the fault
        if (visto > 0 && (visto & aviso_chegou)) esvaziar_aviso();
        if (visto > 0 && (visto & descritor_pronto)) return true;
        if (prazo_ns >= 0 && agora_ns() >= prazo_ns) return false;
    }
}
