// A player's console for the Windows build under wine: a console window's default buffer (9001
// rows at the window's width) and conhost's input modes (QuickEdit on), the program given run in
// it, then "antes IN OUT WxH depois IN OUT WxH", the console's modes and buffer before and after
// it. Its status is the program's. Usage: console_9001.exe PROGRAM
#include <windows.h>

#include <cstdio>

namespace {

void ler_console(char (&texto)[64]) {
    DWORD entrada = 0, saida = 0;
    CONSOLE_SCREEN_BUFFER_INFO info{};
    GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &entrada);
    GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &saida);
    GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info);
    std::snprintf(texto, sizeof texto, "%lX %lX %dx%d", entrada, saida, info.dwSize.X,
                  info.dwSize.Y);
}

} // namespace

int main(int argc, char** argv) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info);
    SetConsoleScreenBufferSize(GetStdHandle(STD_OUTPUT_HANDLE), COORD{info.dwSize.X, 9001});
    SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), 0x1F7);
    SetConsoleCtrlHandler([](DWORD) -> BOOL { return TRUE; }, TRUE); // Ctrl-C is the program's
    char antes[64], depois[64];
    ler_console(antes);
    STARTUPINFOA inicio{};
    inicio.cb = sizeof inicio;
    PROCESS_INFORMATION processo{};
    DWORD status = 2;
    if (argc > 1 && CreateProcessA(argv[1], nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &inicio, &processo)) {
        WaitForSingleObject(processo.hProcess, INFINITE);
        GetExitCodeProcess(processo.hProcess, &status);
    }
    ler_console(depois);
    std::printf("antes %s depois %s\n", antes, depois);
    return static_cast<int>(status);
}
