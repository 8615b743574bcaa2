// The Windows backend's start and end: Ctrl-C, the closed window, the console given back.
#include "console/console.h"
#include "console/terminal.h"
#include "console/windows/windows.h"

#include <clocale>
#include <cstdlib>
#include <iterator>

namespace {

// The console's output and input as the game found them.
void devolver_tudo() {
    devolver_saida();
    devolver_entrada();
}

// Ctrl-C, Ctrl-Break, closing the console: the console back, then the end with the status that
// the system gives a console program it stops.
BOOL WINAPI ao_sinal(DWORD) {
    travar_saida();
    encerrar_travado(STATUS_CONTROL_C_EXIT);
}

} // namespace

void encerrar_travado(UINT estado) {
    devolver_tudo();
    ExitProcess(estado);
}

// One line on standard error: "quirelo: ", what failed and the system's reason. Fixed buffers
// only, so that it also serves when memory has run out.
void falhar_travado(const char* o_que, DWORD erro) {
    devolver_tudo();
    wchar_t linha[1024];
    std::size_t n = 0;
    auto juntar = [&](const wchar_t* parte) {
        for (; *parte && n + 2 < std::size(linha); ++parte)
            linha[n++] = *parte;
    };
    juntar(L"quirelo: ");
    for (; *o_que && n + 2 < std::size(linha); ++o_que)
        linha[n++] = static_cast<wchar_t>(static_cast<unsigned char>(*o_que));
    wchar_t motivo[512] = L"";
    if (erro != 0 &&
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, erro, 0,
                       motivo, static_cast<DWORD>(std::size(motivo)), nullptr) > 0) {
        juntar(L": ");
        juntar(motivo);
        while (n > 0 && (linha[n - 1] == L'\r' || linha[n - 1] == L'\n' || linha[n - 1] == L' '))
            --n;
    }
    linha[n++] = L'\n';
    const HANDLE erros = GetStdHandle(STD_ERROR_HANDLE);
    DWORD modo = 0, escritos = 0;
    if (GetConsoleMode(erros, &modo)) {
        WriteConsoleW(erros, linha, static_cast<DWORD>(n), &escritos, nullptr);
    } else {
        char utf8[4096];
        const int bytes = WideCharToMultiByte(CP_UTF8, 0, linha, static_cast<int>(n), utf8,
                                              sizeof utf8, nullptr, nullptr);
        if (bytes > 0) WriteFile(erros, utf8, static_cast<DWORD>(bytes), &escritos, nullptr);
    }
    ExitProcess(1);
}

void definir_locale() {
    // The text goes to the console as UTF-16, so no locale changes how it shows.
    if (!std::setlocale(LC_ALL, "Portuguese")) std::setlocale(LC_ALL, "pt-BR");
}

void terminal_iniciar() {
    iniciar_saida();
    iniciar_entrada();
    // Also with no console: a terminal handing the game pipes (mintty) stops it with Ctrl-C too.
    SetConsoleCtrlHandler(ao_sinal, TRUE);
}

void terminal_falhar(const char* o_que, int erro) {
    if (!saida_travada_aqui()) travar_saida(); // kept to the end, as on any way out
    falhar_travado(o_que, static_cast<DWORD>(erro));
}

void terminal_encerrar(int estado) {
    travar_saida(); // kept to the end: a Ctrl-C now has nothing to restore
    descarregar_travado();
    devolver_tudo();
    std::exit(estado);
}
