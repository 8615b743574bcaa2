// A player's console for the Windows build under wine: the buffer a console window has by
// default (9001 rows at the window's width) and QuickEdit on, the program given run in it, then
// one line with the console's input mode, output mode and buffer before and after the program.
// Its status is the program's.
// Usage: console_9001.exe PROGRAM [ARGUMENTS...]
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

// "ENTRADA SAIDA COLUNASxLINHAS": the modes in hexadecimal and the buffer's size.
struct estado {
    char texto[64];
};

estado ler_estado(HANDLE entrada, HANDLE saida) {
    DWORD modo_entrada = 0, modo_saida = 0;
    CONSOLE_SCREEN_BUFFER_INFO info{};
    GetConsoleMode(entrada, &modo_entrada);
    GetConsoleMode(saida, &modo_saida);
    GetConsoleScreenBufferInfo(saida, &info);
    estado e;
    std::snprintf(e.texto, sizeof e.texto, "%lX %lX %dx%d", modo_entrada, modo_saida, info.dwSize.X,
                  info.dwSize.Y);
    return e;
}

// Ctrl-C is the program's: this process waits for its status.
BOOL WINAPI ignorar(DWORD) {
    return TRUE;
}

} // namespace

int main() {
    const HANDLE entrada = GetStdHandle(STD_INPUT_HANDLE);
    const HANDLE saida = GetStdHandle(STD_OUTPUT_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    DWORD modo = 0;
    if (!GetConsoleScreenBufferInfo(saida, &info) || !GetConsoleMode(entrada, &modo) ||
        !SetConsoleScreenBufferSize(saida, COORD{info.dwSize.X, 9001}) ||
        !SetConsoleMode(entrada, modo | ENABLE_QUICK_EDIT_MODE | ENABLE_EXTENDED_FLAGS)) {
        std::fprintf(stderr, "console_9001: no console to set up\n");
        return 2;
    }
    // The command line after this program's own name, quoted or not.
    wchar_t* linha = GetCommandLineW();
    const bool aspas = *linha == L'"';
    linha = std::wcschr(linha + aspas, aspas ? L'"' : L' ');
    while (linha && (*linha == L'"' || *linha == L' '))
        ++linha;
    STARTUPINFOW inicio{};
    inicio.cb = sizeof inicio;
    PROCESS_INFORMATION processo{};
    SetConsoleCtrlHandler(ignorar, TRUE);
    const estado antes = ler_estado(entrada, saida);
    if (!linha || !CreateProcessW(nullptr, linha, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                  &inicio, &processo)) {
        std::fprintf(stderr, "console_9001: the program did not start\n");
        return 2;
    }
    WaitForSingleObject(processo.hProcess, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(processo.hProcess, &status);
    std::printf("antes %s depois %s\n", antes.texto, ler_estado(entrada, saida).texto);
    return static_cast<int>(status);
}
