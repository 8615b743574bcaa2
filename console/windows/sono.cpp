// The Windows backend's sleeps: deadlines on one schedule, the performance counter, a timer.
#include "console/comum/agenda.h"
#include "console/console.h"
#include "console/windows/windows.h"

#include <algorithm>

namespace {

// How often a sleep looks whether the console's window has a new size.
constexpr long long olhar_a_janela_ns = 50'000'000;
// CREATE_WAITABLE_TIMER_HIGH_RESOLUTION (Windows 10 1803 on; older SDKs lack it). Where refused, a
// timer on the system's tick: a wait may end a tick late; the chained schedule does not drift.
constexpr DWORD alta_resolucao = 0x2;

struct estado_dos_sonos {
    agenda_de_sonos agenda;
    HANDLE temporizador = nullptr; // made at the first sleep
};

estado_dos_sonos sonos;

// The performance counter in nanoseconds, without overflow at any uptime.
long long agora_ns() {
    static const long long frequencia = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f.QuadPart;
    }();
    LARGE_INTEGER contador;
    QueryPerformanceCounter(&contador);
    return contador.QuadPart / frequencia * 1'000'000'000LL +
           contador.QuadPart % frequencia * 1'000'000'000LL / frequencia;
}

// Waits until the counter reaches `prazo`, a timer fired early set again. A new window size is
// told only to a reader of input: the window is looked at every `olhar_a_janela_ns` but in the
// last stretch, where a look (milliseconds under wine) after an early timer would end it late.
void dormir_ate(long long prazo) {
    if (!sonos.temporizador)
        sonos.temporizador =
            CreateWaitableTimerExW(nullptr, nullptr, alta_resolucao, TIMER_ALL_ACCESS);
    if (!sonos.temporizador)
        sonos.temporizador = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
    for (long long falta = prazo - agora_ns(); falta > 0; falta = prazo - agora_ns()) {
        if (falta > olhar_a_janela_ns) {
            redesenhar_se_mudou();
            falta = std::min(prazo - agora_ns(), olhar_a_janela_ns);
        }
        LARGE_INTEGER vence;
        vence.QuadPart = -((falta + 99) / 100); // relative, in units of 100 ns
        if (!sonos.temporizador ||
            !SetWaitableTimer(sonos.temporizador, &vence, 0, nullptr, nullptr, FALSE) ||
            WaitForSingleObject(sonos.temporizador, INFINITE) != WAIT_OBJECT_0)
            Sleep(static_cast<DWORD>((falta + 999'999) / 1'000'000));
    }
}

} // namespace

void recomecar_prazos() {
    sonos.agenda.com_prazo = false;
}

// A Ctrl-C ends the process from its handler's thread, wherever the wait stands.
void esperar(int ms) {
    descarregar();
    redesenhar_se_mudou();
    dormir_ate(prazo_do_sono(sonos.agenda, agora_ns(), ms < 0 ? 0 : ms));
}
