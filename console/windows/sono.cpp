// The Windows backend's sleeps: absolute deadlines on one schedule, measured with the
// performance counter and waited for on the most precise timer the system grants.
#include "console/comum/agenda.h"
#include "console/console.h"
#include "console/windows/windows.h"

#include <algorithm>
#include <atomic>

namespace {

// The system timer's resolution asked for where no high-resolution timer is granted, in ms.
constexpr UINT periodo_ms = 1;
// How often a sleep looks whether the console's window has a new size.
constexpr long long olhar_a_janela_ns = 50'000'000;
// CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, which older SDK headers lack.
constexpr DWORD alta_resolucao = 0x2;

using periodo_do_sistema = UINT(WINAPI*)(UINT);

// The timer the sleeps wait on and the schedule they keep.
struct estado_dos_sonos {
    agenda_de_sonos agenda;
    bool preparado = false; // the first sleep has made the timer, or tried
    HANDLE temporizador = nullptr;
    // timeEndPeriod, once timeBeginPeriod has raised the timer's resolution for the game.
    std::atomic<periodo_do_sistema> fim_do_periodo{nullptr};
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

// The system timer's tick raised to 1 ms until the game ends. winmm.dll, a part of Windows, is
// loaded only here, so that the game starts with kernel32 and the C runtime alone.
void pedir_periodo() {
    const HMODULE winmm = LoadLibraryW(L"winmm.dll");
    if (!winmm) return;
    const auto inicio = reinterpret_cast<periodo_do_sistema>(
        reinterpret_cast<void*>(GetProcAddress(winmm, "timeBeginPeriod")));
    const auto fim = reinterpret_cast<periodo_do_sistema>(
        reinterpret_cast<void*>(GetProcAddress(winmm, "timeEndPeriod")));
    if (inicio && fim && inicio(periodo_ms) == 0) sonos.fim_do_periodo = fim;
}

// The timer, made at the first sleep: a high-resolution one (Windows 10 1803 and later, which
// others refuse); otherwise an ordinary one on a 1 ms tick.
void preparar_temporizador() {
    if (sonos.preparado) return;
    sonos.preparado = true;
    sonos.temporizador = CreateWaitableTimerExW(nullptr, nullptr, alta_resolucao, TIMER_ALL_ACCESS);
    if (sonos.temporizador) return;
    pedir_periodo();
    sonos.temporizador = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
}

// Waits until the counter reaches `prazo`; a timer that fires early is set again for the rest,
// and without a timer the thread sleeps on the system's tick. The console tells of a new window
// size only to a reader of its input, which the sleeps are not: they look at the window every
// `olhar_a_janela_ns` but the last, and draw the screen again for a new size.
void dormir_ate(long long prazo) {
    for (long long falta = prazo - agora_ns(); falta > 0; falta = prazo - agora_ns()) {
        // Not in the last stretch: a look at the window (a console call, milliseconds under
        // wine) after a timer that fired a little early would make the wait end late.
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

void devolver_sonos() {
    if (const periodo_do_sistema fim = sonos.fim_do_periodo.exchange(nullptr)) fim(periodo_ms);
}

// A Ctrl-C ends the process from its handler's thread, wherever the wait stands.
void esperar(int ms) {
    descarregar();
    redesenhar_se_mudou();
    preparar_temporizador();
    dormir_ate(prazo_do_sono(sonos.agenda, agora_ns(), ms < 0 ? 0 : ms));
}
