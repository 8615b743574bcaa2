// The POSIX backend's sleeps: absolute deadlines on one schedule, time stopped not counted.
#include "console/posix/posix.h"
#include "console/terminal.h"

#include <atomic>
#include <cerrno>
#include <ctime>

namespace {

struct estado_dos_sonos {
    agenda_de_sonos agenda;
    std::atomic<long long> parado_ns{0}; // all the time spent stopped by Ctrl-Z
};

estado_dos_sonos sonos;

long long em_ns(const timespec& instante) {
    return static_cast<long long>(instante.tv_sec) * 1'000'000'000LL + instante.tv_nsec;
}

timespec de_ns(long long ns) {
    return {static_cast<time_t>(ns / 1'000'000'000LL), static_cast<long>(ns % 1'000'000'000LL)};
}

// Sleeps until the CLOCK_MONOTONIC time `prazo`; 0 once it has come, EINTR when a signal came
// first. Where the system has no absolute sleep (macOS), a relative sleep to the same deadline.
int dormir_ate(long long prazo) {
#if defined(QUIRELO_COM_CLOCK_NANOSLEEP)
    const timespec ate = de_ns(prazo);
    return clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ate, nullptr);
#else
    for (;;) {
        const long long falta = prazo - agora_ns();
        if (falta <= 0) return 0;
        const timespec espera = de_ns(falta);
        if (nanosleep(&espera, nullptr) != 0 && errno == EINTR) return EINTR;
    }
#endif
}

} // namespace

long long agora_ns() {
    timespec agora{};
    clock_gettime(CLOCK_MONOTONIC, &agora);
    return em_ns(agora);
}

void recomecar_prazos() {
    sonos.agenda.com_prazo = false;
}

void somar_parada(long long ns) {
    sonos.parado_ns += ns;
}

// A signal that breaks the sleep off redraws the screen if the game came back from a stop, and
// the sleep goes on to its deadline, moved on by the time stopped.
void terminal_dormir(int ms) {
    mostrar_tela();
    long long prazo = prazo_do_sono(sonos.agenda, agora_ns(), ms);
    long long parado = sonos.parado_ns;
    while (dormir_ate(prazo) == EINTR) {
        redesenhar_se_voltou();
        const long long parado_agora = sonos.parado_ns;
        prazo += parado_agora - parado;
        parado = parado_agora;
        sonos.agenda.prazo_ns = prazo;
    }
}
