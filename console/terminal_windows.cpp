// The Windows backend's input and its start and end: the console's line editing and key events,
// redirected input, Ctrl-C and the console given back.
#include "console/terminal_windows.h"
#include "console/terminal.h"
#include "console/terminal_comum.h"

#include <clocale>
#include <cstdlib>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

// The longest piece of a line handed to the reads at once; a longer line comes in pieces.
constexpr std::size_t maior_pedaco = 4096;
// How many UTF-16 units one console read takes at most.
constexpr DWORD unidades_por_vez = 2048;

// Standard input as the game found it and as the game uses it.
struct estado_da_entrada {
    HANDLE entrada = GetStdHandle(STD_INPUT_HANDLE);
    bool console = false; // standard input is a console, and we took it
    DWORD modo_original = 0;
    std::string pendente; // input taken from standard input but not yet handed out
    wchar_t meio_par = 0; // the first half of a UTF-16 pair whose second is still to come
    bool fim = false;     // standard input is over
};

estado_da_entrada t;

std::string em_utf8(std::wstring_view texto) {
    if (texto.empty()) return {};
    const int tamanho = static_cast<int>(texto.size());
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, texto.data(), tamanho, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string estreito(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, texto.data(), tamanho, estreito.data(), n, nullptr, nullptr);
    return estreito;
}

// The console's input modes as the player left them; what was typed for the game is not the
// shell's.
void devolver_entrada() {
    if (!t.console) return;
    FlushConsoleInputBuffer(t.entrada);
    SetConsoleMode(t.entrada, t.modo_original);
}

// Ctrl-C, Ctrl-Break, closing the console: the console back, then the end with the status that
// the system gives a console program it stops.
BOOL WINAPI ao_sinal(DWORD) {
    travar_saida();
    encerrar_travado(STATUS_CONTROL_C_EXIT);
}

// Reads what standard input has into `pendente`; false at end of input or on a fault.
bool receber() {
    if (!t.console) {
        char bloco[maior_pedaco];
        DWORD lidos = 0;
        if (!ReadFile(t.entrada, bloco, sizeof bloco, &lidos, nullptr)) {
            // A pipe whose writer has gone ends the input; anything else is a fault.
            const DWORD erro = GetLastError();
            if (erro != ERROR_BROKEN_PIPE && erro != ERROR_HANDLE_EOF)
                terminal_falhar("erro ao ler a entrada", static_cast<int>(erro));
            lidos = 0;
        }
        if (lidos == 0) {
            t.fim = true; // the end of a file or of a pipe
            return false;
        }
        t.pendente.append(bloco, lidos);
        return true;
    }
    // The console edits and echoes the line itself and hands it over when Enter is pressed.
    wchar_t bloco[unidades_por_vez + 1];
    DWORD de = 0;
    if (t.meio_par) {
        bloco[de++] = t.meio_par;
        t.meio_par = 0;
    }
    DWORD lidos = 0;
    for (;;) {
        lidos = 0;
        SetLastError(ERROR_SUCCESS);
        const bool lido = ReadConsoleW(t.entrada, bloco + de, unidades_por_vez, &lidos, nullptr);
        if (lido && lidos > 0) break;
        // Ctrl-C breaks the read off, with or without a failure; its handler is ending the game.
        if (GetLastError() == ERROR_OPERATION_ABORTED || (lido && lidos == 0)) continue;
        terminal_falhar("erro ao ler a entrada", static_cast<int>(GetLastError()));
    }
    DWORD total = de + lidos;
    if (primeira_metade(bloco[total - 1])) t.meio_par = bloco[--total];
    std::wstring_view texto(bloco, total);
    // Ctrl-Z ends the input, as it does for every console program; what stands before it counts.
    if (const auto ctrl_z = texto.find(L'\x1A'); ctrl_z != std::wstring_view::npos) {
        texto = texto.substr(0, ctrl_z);
        t.fim = true;
    }
    std::wstring linha;
    for (wchar_t c : texto)
        if (c != L'\r') linha += c; // Enter comes as "\r\n"; the reads want "\n"
    t.pendente += em_utf8(linha);
    return !t.pendente.empty() || !t.fim;
}

// A key that ends the wait: a key going down that is not Shift, Ctrl, Alt, Windows or a lock.
bool tecla_nova(const INPUT_RECORD& registro) {
    if (registro.EventType != KEY_EVENT || !registro.Event.KeyEvent.bKeyDown) return false;
    switch (registro.Event.KeyEvent.wVirtualKeyCode) {
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU:
    case VK_LWIN:
    case VK_RWIN:
    case VK_CAPITAL:
    case VK_NUMLOCK:
    case VK_SCROLL:
        return false;
    default:
        return true;
    }
}

// Takes every key event already in the console's input, to give it back after the wait.
void guardar_teclas_pendentes(std::vector<INPUT_RECORD>& guardadas) {
    DWORD quantos = 0;
    while (GetNumberOfConsoleInputEvents(t.entrada, &quantos) && quantos > 0) {
        std::vector<INPUT_RECORD> lidos(quantos);
        DWORD n = 0;
        if (!ReadConsoleInputW(t.entrada, lidos.data(), quantos, &n) || n == 0) return;
        for (DWORD i = 0; i < n; ++i)
            if (lidos[i].EventType == KEY_EVENT) guardadas.push_back(lidos[i]);
    }
}

} // namespace

void encerrar_travado(UINT estado) {
    devolver_saida();
    devolver_entrada();
    ExitProcess(estado);
}

// One line on standard error: "quirelo: ", what failed and the system's reason. Fixed buffers
// only, so that it also serves when memory has run out.
void falhar_travado(const char* o_que, DWORD erro) {
    devolver_saida();
    devolver_entrada();
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
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, erro,
                       0, motivo, static_cast<DWORD>(std::size(motivo)), nullptr) > 0) {
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

void terminal_definir_locale() {
    // The text goes to the console as UTF-16, so no locale changes how it shows.
    if (!std::setlocale(LC_ALL, "Portuguese")) std::setlocale(LC_ALL, "pt-BR");
}

void terminal_iniciar() {
    const bool console_na_saida = iniciar_saida();
    DWORD modo = 0;
    if (t.entrada != nullptr && t.entrada != INVALID_HANDLE_VALUE &&
        GetConsoleMode(t.entrada, &modo)) {
        t.console = true;
        t.modo_original = modo;
        // The console's own line editing and echo; keys as keys, not as VT sequences.
        SetConsoleMode(t.entrada,
                       (modo | ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_PROCESSED_INPUT) &
                           ~static_cast<DWORD>(ENABLE_VIRTUAL_TERMINAL_INPUT));
    }
    if (console_na_saida || t.console) SetConsoleCtrlHandler(ao_sinal, TRUE);
}

bool terminal_ler_entrada(std::string& pedaco) {
    pedaco.clear();
    descarregar();
    for (;;) {
        if (tirar_pedaco(t.pendente, pedaco, maior_pedaco)) return true;
        if (t.fim || !receber()) {
            pedaco = std::exchange(t.pendente, {}); // the last piece, without its line feed
            return !pedaco.empty();
        }
    }
}

void terminal_esperar_tecla() {
    if (!t.console) {
        descarregar();
        return;
    }
    // Keys typed before the prompt stay in the input for the reads; the wait is for a new one.
    // They are taken aside before the prompt is shown, so that a key pressed the moment it shows
    // is never mistaken for one typed ahead.
    std::vector<INPUT_RECORD> guardadas;
    guardar_teclas_pendentes(guardadas);
    descarregar();
    INPUT_RECORD registro;
    DWORD lidos = 0;
    while (ReadConsoleInputW(t.entrada, &registro, 1, &lidos)) {
        if (lidos == 0 || !tecla_nova(registro)) continue;
        // A character outside the first UTF-16 plane comes as two key events: one key.
        if (primeira_metade(registro.Event.KeyEvent.uChar.UnicodeChar)) {
            while (ReadConsoleInputW(t.entrada, &registro, 1, &lidos))
                if (lidos == 1 && tecla_nova(registro)) break;
        }
        break;
    }
    guardar_teclas_pendentes(guardadas);
    DWORD escritos = 0;
    if (!guardadas.empty())
        WriteConsoleInputW(t.entrada, guardadas.data(), static_cast<DWORD>(guardadas.size()),
                           &escritos);
}

void terminal_falhar(const char* o_que, int erro) {
    if (!saida_travada_aqui()) travar_saida(); // kept to the end, as on any way out
    falhar_travado(o_que, static_cast<DWORD>(erro));
}

void terminal_encerrar(int estado) {
    travar_saida(); // kept to the end: a Ctrl-C now has nothing to restore
    descarregar_travado();
    devolver_saida();
    devolver_entrada();
    std::exit(estado);
}
