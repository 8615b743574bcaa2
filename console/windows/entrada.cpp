// The Windows backend's input: the console's line editing and key events, and redirected input.
#include "console/comum/edicao_linha.h"
#include "console/terminal.h"
#include "console/windows/windows.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

namespace {

// How many UTF-16 units one console read takes at most.
constexpr DWORD unidades_por_vez = 2048;

// Standard input as the game found it and as the game uses it.
struct estado_da_entrada {
    HANDLE origem = GetStdHandle(STD_INPUT_HANDLE);
    bool console = false; // standard input is a console, and we took it
    DWORD modo_original = 0;
    std::string pendente; // input taken from standard input but not yet handed out
    wchar_t meio_par = 0; // the first half of a UTF-16 pair whose second is still to come
    bool fim = false;     // standard input is over
};

estado_da_entrada entrada;

// UTF-8 takes at most three bytes for a UTF-16 unit.
std::string em_utf8(std::wstring_view texto) {
    std::string estreito(3 * texto.size(), '\0');
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, texto.data(), static_cast<int>(texto.size()),
                            estreito.data(), static_cast<int>(estreito.size()), nullptr, nullptr);
    estreito.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return estreito;
}

// Reads what standard input has into `pendente`; false at end of input.
bool receber() {
    if (entrada.fim) return false;
    if (!entrada.console) {
        char bloco[maior_pedaco];
        DWORD lidos = 0;
        if (!ReadFile(entrada.origem, bloco, sizeof bloco, &lidos, nullptr)) {
            // A pipe whose writer has gone ends the input; anything else is a fault.
            const DWORD erro = GetLastError();
            if (erro != ERROR_BROKEN_PIPE && erro != ERROR_HANDLE_EOF)
                terminal_falhar("erro ao ler a entrada", static_cast<int>(erro));
            lidos = 0;
        }
        entrada.pendente.append(bloco, lidos);
        entrada.fim = lidos == 0; // the end of a file or of a pipe
        return !entrada.fim;
    }
    // The console edits and echoes the line itself and hands it over when Enter is pressed.
    wchar_t bloco[unidades_por_vez + 1] = {entrada.meio_par};
    const DWORD de = entrada.meio_par ? 1 : 0;
    entrada.meio_par = 0;
    DWORD lidos = 0;
    for (;;) {
        lidos = 0;
        SetLastError(ERROR_SUCCESS);
        const bool lido =
            ReadConsoleW(entrada.origem, bloco + de, unidades_por_vez, &lidos, nullptr);
        if (lido && lidos > 0) break;
        // Ctrl-C breaks the read off, with or without a failure; its handler is ending the game.
        if (GetLastError() == ERROR_OPERATION_ABORTED || (lido && lidos == 0)) continue;
        terminal_falhar("erro ao ler a entrada", static_cast<int>(GetLastError()));
    }
    DWORD total = de + lidos;
    if (primeira_metade(bloco[total - 1])) entrada.meio_par = bloco[--total];
    std::wstring_view texto(bloco, total);
    // Ctrl-Z ends the input, as it does for every console program; what stands before it counts.
    if (const auto ctrl_z = texto.find(L'\x1A'); ctrl_z != std::wstring_view::npos) {
        texto = texto.substr(0, ctrl_z);
        entrada.fim = true;
    }
    std::wstring linha(texto);
    std::erase(linha, L'\r'); // Enter comes as "\r\n"; the reads want "\n"
    const std::string lida = em_utf8(linha);
    guardar_eco(lida); // what the console echoed stays on the screen
    entrada.pendente += lida;
    return true;
}

// A key that ends the wait: a key going down that is not Shift, Ctrl, Alt, Windows or a lock.
bool tecla_nova(const INPUT_RECORD& registro) {
    constexpr WORD modificadoras[] = {VK_SHIFT, VK_CONTROL, VK_MENU,    VK_LWIN,
                                      VK_RWIN,  VK_CAPITAL, VK_NUMLOCK, VK_SCROLL};
    return registro.EventType == KEY_EVENT && registro.Event.KeyEvent.bKeyDown &&
           std::find(std::begin(modificadoras), std::end(modificadoras),
                     registro.Event.KeyEvent.wVirtualKeyCode) == std::end(modificadoras);
}

// Takes every key event already in the console's input, to give it back after the wait.
void guardar_teclas_pendentes(std::vector<INPUT_RECORD>& guardadas) {
    DWORD quantos = 0;
    while (GetNumberOfConsoleInputEvents(entrada.origem, &quantos) && quantos > 0) {
        std::vector<INPUT_RECORD> lidos(quantos);
        DWORD n = 0;
        if (!ReadConsoleInputW(entrada.origem, lidos.data(), quantos, &n) || n == 0) return;
        for (DWORD i = 0; i < n; ++i)
            if (lidos[i].EventType == KEY_EVENT) guardadas.push_back(lidos[i]);
    }
}

} // namespace

bool iniciar_entrada() {
    DWORD modo = 0;
    if (!GetConsoleMode(entrada.origem, &modo)) return false; // no handle, or no console
    entrada.console = true;
    entrada.modo_original = modo;
    // The console's editing and echo; keys, not VT sequences; a new size as an event. QuickEdit
    // off: a click or selection would hold the writes until Esc or Enter, a flash late or lost.
    const DWORD tirados = ENABLE_VIRTUAL_TERMINAL_INPUT | ENABLE_QUICK_EDIT_MODE;
    SetConsoleMode(entrada.origem,
                   (modo | ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_PROCESSED_INPUT |
                    ENABLE_EXTENDED_FLAGS | ENABLE_WINDOW_INPUT) &
                       ~tirados);
    return true;
}

void devolver_entrada() {
    if (!entrada.console) return;
    FlushConsoleInputBuffer(entrada.origem);
    SetConsoleMode(entrada.origem, entrada.modo_original);
}

bool terminal_ler_entrada(std::string& pedaco) {
    pedaco.clear();
    descarregar();
    redesenhar_se_mudou();
    recomecar_prazos();
    return ler_em_pedacos(entrada.pendente, pedaco, receber);
}

void terminal_esperar_tecla() {
    recomecar_prazos();
    if (!entrada.console) {
        descarregar();
        return;
    }
    // Keys typed before the prompt are set aside for the reads, never taken for the new key.
    std::vector<INPUT_RECORD> guardadas;
    guardar_teclas_pendentes(guardadas);
    descarregar();
    redesenhar_se_mudou();
    INPUT_RECORD registro;
    DWORD lidos = 0;
    while (ReadConsoleInputW(entrada.origem, &registro, 1, &lidos)) {
        if (lidos == 1 && registro.EventType == WINDOW_BUFFER_SIZE_EVENT) redesenhar_se_mudou();
        if (lidos == 0 || !tecla_nova(registro)) continue;
        // A character outside the first UTF-16 plane comes as two key events: one key.
        if (primeira_metade(registro.Event.KeyEvent.uChar.UnicodeChar)) {
            while (ReadConsoleInputW(entrada.origem, &registro, 1, &lidos))
                if (lidos == 1 && tecla_nova(registro)) break;
        }
        break;
    }
    guardar_teclas_pendentes(guardadas);
    DWORD escritos = 0;
    if (!guardadas.empty())
        WriteConsoleInputW(entrada.origem, guardadas.data(), static_cast<DWORD>(guardadas.size()),
                           &escritos);
}
