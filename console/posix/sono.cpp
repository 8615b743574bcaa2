// The POSIX backend's sleeps: absolute deadlines on one schedule, time stopped not counted, the
// screen drawn again during a sleep when a stop or a new window size asks for it.
#include "console/posix/posix.h"
#include "console/terminal.h"

#include <atomic>
#include <cerrno>
#include <ctime>

namespace {

// The clock of the sleeps: one that does not count the time the machine itself sleeps, so that
// a flash cut short by a closed lid shows the rest of its time on waking, as after Ctrl-Z. On
// Linux and the BSDs that is CLOCK_MONOTONIC; macOS's counts the machine's sleep, its
// CLOCK_UPTIME_RAW does not.
#if defined(__APPLE__)
constexpr clockid_t relogio = CLOCK_UPTIME_RAW;
#else
constexpr clockid_t relogio = CLOCK_MONOTONIC;
#endif

// Most of a sleep is a wait that a signal's wake-up ends without fail (a poll on the wake-up
// pipe); that wait may end late by 0.1 % of its length (the kernel's slack on poll), so it stops
// this much short of the deadline, and the rest is slept on the precise clock.
constexpr long long resto_preciso_ns = 2'000'000;
constexpr long long divisor_da_folga = 500;

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

// Sleeps until the time `prazo` of the sleeps' clock; 0 once it has come, EINTR when a signal
// came first. Where the system has no absolute sleep (macOS), a relative sleep to the same
// deadline.
int dormir_ate(long long prazo) {
#if defined(QUIRELO_COM_CLOCK_NANOSLEEP)
    const timespec ate = de_ns(prazo);
    return clock_nanosleep(relogio, TIMER_ABSTIME, &ate, nullptr);
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
    clock_gettime(relogio, &agora);
    return em_ns(agora);
}

void recomecar_prazos() {
    sonos.agenda.com_prazo = false;
}

void somar_parada(long long ns) {
    sonos.parado_ns += ns;
}

// The deadline moves on by the time stopped meanwhile; the screen is drawn again, without
// moving it, whenever a stop or a new size asks for it.
void terminal_dormir(int ms) {
    mostrar_tela();
    long long prazo = prazo_do_sono(sonos.agenda, agora_ns(), ms);
    long long parado = sonos.parado_ns;
    for (;;) {
        const long long parado_agora = sonos.parado_ns;
        prazo += parado_agora - parado;
        parado = parado_agora;
        sonos.agenda.prazo_ns = prazo;
        const long long falta = prazo - agora_ns();
        if (falta <= 0) return;
        const long long folga = falta / divisor_da_folga + resto_preciso_ns;
        if (falta > folga) {
            esperar_descritor(-1, false, prazo - folga);
            continue;
        }
        redesenhar_se_preciso();
        if (dormir_ate(prazo) == 0) return;
    }
}
