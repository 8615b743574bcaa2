// The platform primitives on the Windows console: kernel32's console functions and VT sequences.
#include "console/terminal.h"
#include "console/terminal_comum.h"

#define NOMINMAX 1 // std::min and std::max, not the macros of <windows.h>
#include <windows.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr std::string_view atributos_normais = "\033[0m";
// For output that is not a console (a pipe into a terminal emulator, a file): the clear as VT
// sequences, cursor home, erase the screen and the scroll-back.
constexpr std::string_view limpar_em_vt = "\033[H\033[2J\033[3J";
// Windows Terminal keeps a scroll-back of its own beside the console's buffer; this erases it.
constexpr std::wstring_view apagar_rolagem = L"\033[3J";

// The longest piece of a line handed to the reads at once; a longer line comes in pieces.
constexpr std::size_t maior_pedaco = 4096;
// How many UTF-16 units one console read or write takes at most.
constexpr DWORD unidades_por_vez = 2048;

// The console as the game found it and as the game uses it.
struct estado_do_console {
    HANDLE entrada = GetStdHandle(STD_INPUT_HANDLE);
    HANDLE saida = GetStdHandle(STD_OUTPUT_HANDLE);
    bool console_na_entrada = false; // standard input is a console, and we took it
    bool console_na_saida = false;   // standard output is a console, and we took it
    bool vt = false;                 // the console follows the SGR codes itself
    DWORD modo_entrada_original = 0;
    DWORD modo_saida_original = 0;
    UINT pagina_saida_original = 0;
    WORD atributos_originais = 0x07;
    WORD atributos = 0x07; // the text attributes in force, followed when there is no VT
    bool com_esquema = false;
    WORD atributo_esquema = 0x07; // the scheme in force, as a console attribute
    std::string sgr_esquema;      // and as one SGR sequence
    std::string saida_pendente;   // bytes not yet written
    std::string entrada_pendente; // input taken from standard input but not yet handed out
    wchar_t meio_par = 0;         // the first half of a UTF-16 pair whose second is still to come
    bool fim = false;             // standard input is over
    // Held while anything is written and, for good, by the Ctrl-C handler that restores the
    // console, so that a restore never lands in the middle of a screen and nothing follows it.
    SRWLOCK trava = SRWLOCK_INIT;
};

estado_do_console t;

void travar() {
    AcquireSRWLockExclusive(&t.trava);
}

void destravar() {
    ReleaseSRWLockExclusive(&t.trava);
}

bool e_console(HANDLE h, DWORD& modo) {
    return h != nullptr && h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &modo) != 0;
}

// The game's "back to normal" code means the scheme in force, not the console's defaults.
std::string_view normal() {
    return t.com_esquema ? std::string_view(t.sgr_esquema) : atributos_normais;
}

void anexar_saida(std::string_view bytes) {
    std::size_t de = 0;
    for (auto achado = bytes.find(atributos_normais); achado != std::string_view::npos;
         achado = bytes.find(atributos_normais, de)) {
        t.saida_pendente.append(bytes.substr(de, achado - de));
        t.saida_pendente.append(normal());
        de = achado + atributos_normais.size();
    }
    t.saida_pendente.append(bytes.substr(de));
}

std::wstring em_utf16(std::string_view texto) {
    if (texto.empty()) return {};
    const int tamanho = static_cast<int>(texto.size());
    std::wstring largo(static_cast<std::size_t>(tamanho), L'\0');
    const int n = MultiByteToWideChar(CP_UTF8, 0, texto.data(), tamanho, largo.data(), tamanho);
    largo.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return largo;
}

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

bool primeira_metade(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

// Text to the console as UTF-16, so that "ã" shows whatever the console's code page.
void escrever_no_console(std::wstring_view texto) {
    while (!texto.empty()) {
        DWORD vez = static_cast<DWORD>(std::min<std::size_t>(texto.size(), unidades_por_vez));
        if (vez < texto.size() && primeira_metade(texto[vez - 1])) --vez; // keep pairs whole
        DWORD escritos = 0;
        if (!WriteConsoleW(t.saida, texto.data(), vez, &escritos, nullptr) || escritos == 0)
            return; // nothing to report to: the console is gone
        texto.remove_prefix(escritos);
    }
}

// A console without VT processing: the SGR codes become text attributes here.
void escrever_sem_vt(std::string_view bytes) {
    while (!bytes.empty()) {
        const auto codigo = bytes.find("\033[");
        escrever_no_console(em_utf16(bytes.substr(0, codigo)));
        if (codigo == std::string_view::npos) return;
        auto fim = codigo + 2;
        while (fim < bytes.size() && !(bytes[fim] >= 0x40 && bytes[fim] <= 0x7E))
            ++fim;
        if (fim >= bytes.size()) return;
        if (bytes[fim] == 'm') {
            const int normal_agora = t.com_esquema ? t.atributo_esquema : t.atributos_originais;
            t.atributos = static_cast<WORD>(atributo_apos_sgr(
                t.atributos, bytes.substr(codigo + 2, fim - codigo - 2), normal_agora));
            SetConsoleTextAttribute(t.saida, t.atributos);
        }
        bytes.remove_prefix(fim + 1);
    }
}

void escrever_bytes(std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD escritos = 0;
        const DWORD vez = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1 << 16));
        if (!WriteFile(t.saida, bytes.data(), vez, &escritos, nullptr) || escritos == 0) return;
        bytes.remove_prefix(escritos);
    }
}

// Writes what is waiting; the caller holds the lock.
void descarregar_travado() {
    if (t.saida_pendente.empty()) return;
    if (!t.console_na_saida) {
        escrever_bytes(t.saida_pendente);
    } else if (t.vt) {
        escrever_no_console(em_utf16(t.saida_pendente));
    } else {
        escrever_sem_vt(t.saida_pendente);
    }
    t.saida_pendente.clear();
}

void descarregar() {
    travar();
    descarregar_travado();
    destravar();
}

// Fills every cell of the screen buffer, scroll-back included, with the attribute, and with
// blanks too when `apagar` is set.
void preencher(WORD atributo, bool apagar) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(t.saida, &info)) return;
    const DWORD celulas = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y);
    DWORD feitas = 0;
    if (apagar) FillConsoleOutputCharacterW(t.saida, L' ', celulas, COORD{0, 0}, &feitas);
    FillConsoleOutputAttribute(t.saida, atributo, celulas, COORD{0, 0}, &feitas);
    SetConsoleTextAttribute(t.saida, atributo);
    t.atributos = atributo;
}

// The console's modes, code page and colours as the player left them; what was typed for the
// game is not the shell's. The caller holds the lock.
void devolver_console() {
    if (t.console_na_saida) {
        SetConsoleTextAttribute(t.saida, t.atributos_originais);
        SetConsoleOutputCP(t.pagina_saida_original);
        SetConsoleMode(t.saida, t.modo_saida_original);
    }
    if (t.console_na_entrada) {
        FlushConsoleInputBuffer(t.entrada);
        SetConsoleMode(t.entrada, t.modo_entrada_original);
    }
}

// Ctrl-C, Ctrl-Break, closing the console: the console back, then the end with the status that
// the system gives a console program it stops. The lock is never released: the game writes
// nothing more.
BOOL WINAPI ao_sinal(DWORD) {
    travar();
    devolver_console();
    ExitProcess(STATUS_CONTROL_C_EXIT);
}

// Reads what standard input has into `entrada_pendente`; false at end of input or on a fault.
bool receber() {
    if (!t.console_na_entrada) {
        char bloco[maior_pedaco];
        DWORD lidos = 0;
        if (!ReadFile(t.entrada, bloco, sizeof bloco, &lidos, nullptr) || lidos == 0) {
            t.fim = true; // end of a file or of a pipe, or no input at all
            return false;
        }
        t.entrada_pendente.append(bloco, lidos);
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
        t.fim = true; // the console is gone
        return false;
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
    t.entrada_pendente += em_utf8(linha);
    return !t.entrada_pendente.empty() || !t.fim;
}

// Moves the first `n` bytes of `entrada_pendente` into `pedaco`.
void entregar(std::string& pedaco, std::size_t n) {
    pedaco.assign(t.entrada_pendente, 0, n);
    t.entrada_pendente.erase(0, n);
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

void terminal_definir_locale() {
    // The text goes to the console as UTF-16, so no locale changes how it shows.
    if (!std::setlocale(LC_ALL, "Portuguese")) std::setlocale(LC_ALL, "pt-BR");
}

void terminal_iniciar() {
    DWORD modo = 0;
    if (e_console(t.saida, modo)) {
        CONSOLE_SCREEN_BUFFER_INFO info;
        t.console_na_saida = true;
        t.modo_saida_original = modo;
        t.pagina_saida_original = GetConsoleOutputCP();
        if (GetConsoleScreenBufferInfo(t.saida, &info)) t.atributos_originais = info.wAttributes;
        t.atributos = t.atributos_originais;
        t.vt = SetConsoleMode(t.saida, modo | ENABLE_PROCESSED_OUTPUT |
                                           ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
        SetConsoleOutputCP(CP_UTF8);
    }
    if (e_console(t.entrada, modo)) {
        t.console_na_entrada = true;
        t.modo_entrada_original = modo;
        // The console's own line editing and echo; keys as keys, not as VT sequences.
        SetConsoleMode(t.entrada,
                       (modo | ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_PROCESSED_INPUT) &
                           ~static_cast<DWORD>(ENABLE_VIRTUAL_TERMINAL_INPUT));
    }
    if (t.console_na_saida || t.console_na_entrada) SetConsoleCtrlHandler(ao_sinal, TRUE);
}

void terminal_escrever(std::string_view texto) {
    anexar_saida(texto);
}

void terminal_limpar() {
    if (!t.console_na_saida) {
        anexar_saida(normal());
        anexar_saida(limpar_em_vt);
        return;
    }
    travar();
    descarregar_travado();
    if (t.vt) escrever_no_console(apagar_rolagem);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(t.saida, &info)) {
        // Without a scheme of the game's, the clear keeps the attributes in force, as "cls" does.
        preencher(t.com_esquema ? t.atributo_esquema : info.wAttributes, true);
        // The window back at the top of the buffer, so that rows count from the window's top.
        const SMALL_RECT janela{0, 0, static_cast<SHORT>(info.srWindow.Right - info.srWindow.Left),
                                static_cast<SHORT>(info.srWindow.Bottom - info.srWindow.Top)};
        SetConsoleWindowInfo(t.saida, TRUE, &janela);
        SetConsoleCursorPosition(t.saida, COORD{0, 0});
    }
    destravar();
}

void terminal_definir_esquema(std::string_view esquema) {
    t.com_esquema = true;
    t.atributo_esquema = static_cast<WORD>(atributo_de_esquema(esquema));
    t.sgr_esquema = sgr_de_esquema(esquema);
    if (!t.console_na_saida) {
        anexar_saida(t.sgr_esquema);
        return;
    }
    // Every cell takes the scheme's colours, text already on screen included, as "color" does.
    travar();
    descarregar_travado();
    preencher(t.atributo_esquema, false);
    destravar();
}

void terminal_mover_cursor(int linha, int coluna) {
    if (linha < 0 || coluna < 0) return; // the console refuses the whole move
    if (!t.console_na_saida) {
        anexar_saida("\033[" + std::to_string(linha + 1) + ";" + std::to_string(coluna + 1) + "H");
        return;
    }
    travar();
    descarregar_travado();
    SetConsoleCursorPosition(t.saida, COORD{static_cast<SHORT>(std::min(coluna, 0x7FFF)),
                                            static_cast<SHORT>(std::min(linha, 0x7FFF))});
    destravar();
}

int terminal_largura() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(t.saida, &info))
        return info.srWindow.Right - info.srWindow.Left + 1;
    return largura_sem_janela();
}

void terminal_dormir(int ms) {
    descarregar();
    Sleep(static_cast<DWORD>(std::max(ms, 0)));
}

bool terminal_ler_entrada(std::string& pedaco) {
    pedaco.clear();
    descarregar();
    for (;;) {
        if (auto fim = t.entrada_pendente.find('\n'); fim != std::string::npos) {
            entregar(pedaco, fim + 1);
            return true;
        }
        if (t.entrada_pendente.size() >= maior_pedaco) {
            entregar(pedaco, maior_pedaco);
            return true;
        }
        if (t.fim || !receber()) {
            entregar(pedaco, t.entrada_pendente.size());
            return !pedaco.empty();
        }
    }
}

void terminal_esperar_tecla() {
    descarregar();
    if (!t.console_na_entrada) return;
    // Keys typed before the prompt stay in the input for the reads; the wait is for a new one.
    std::vector<INPUT_RECORD> guardadas;
    guardar_teclas_pendentes(guardadas);
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

void terminal_encerrar(int estado) {
    travar(); // kept to the end: a Ctrl-C now has nothing to restore
    descarregar_travado();
    devolver_console();
    std::exit(estado);
}
