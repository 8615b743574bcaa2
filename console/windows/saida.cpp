// The Windows backend's output: text and colours on a console, through VT codes or text
// attributes (whichever the console really follows), and as VT sequences when redirected.
#include "console/esquema.h"
#include "console/terminal.h"
#include "console/windows/atributos.h"
#include "console/windows/windows.h"

#include <algorithm>
#include <atomic>
#include <string>

namespace {

// Windows Terminal keeps a scroll-back of its own beside the console's buffer; this erases it.
constexpr std::wstring_view apagar_rolagem = L"\033[3J";
// Written to learn whether the console follows VT codes: a reset of the text attributes, which
// is undone at once.
constexpr std::wstring_view codigo_de_teste = L"\033[0m";
// How many UTF-16 units one console write takes at most.
constexpr DWORD unidades_por_vez = 2048;
// The end when nobody reads the output any more: the status a POSIX shell shows for a program
// that SIGPIPE ended, as the game ends there.
constexpr UINT status_saida_fechada = 141;

// Standard output as the game found it and as the game uses it.
struct estado_da_saida {
    HANDLE destino = GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE janela = INVALID_HANDLE_VALUE; // output redirected: the console it runs in, if any
    bool console = false;                 // standard output is a console, and we took it
    bool vt = false;                      // the console follows the SGR codes itself
    DWORD modo_original = 0;
    UINT pagina_original = 0;
    WORD atributos_originais = 0x07;
    WORD atributos = 0x07; // the text attributes in force, followed when there is no VT
    bool com_esquema = false;
    WORD atributo_esquema = 0x07; // the scheme in force, as a console attribute
    std::string sgr_esquema;      // and as one SGR sequence
    std::string pendente;         // bytes not yet written
    std::string tela; // output redirected: what was drawn since the last clear, for a scheme
                      // change to draw again in its colours
    SRWLOCK trava = SRWLOCK_INIT;
    std::atomic<DWORD> dono{0}; // the thread that holds `trava`, 0 for none
};

estado_da_saida saida;

void destravar() {
    saida.dono = 0;
    ReleaseSRWLockExclusive(&saida.trava);
}

// The game's "back to normal" code means the scheme in force, not the console's defaults.
std::string_view normal() {
    return saida.com_esquema ? std::string_view(saida.sgr_esquema) : atributos_normais;
}

void anexar_saida(std::string_view bytes) {
    anexar_com_normal(saida.pendente, bytes, normal());
}

std::wstring em_utf16(std::string_view texto) {
    if (texto.empty()) return {};
    const int tamanho = static_cast<int>(texto.size());
    std::wstring largo(static_cast<std::size_t>(tamanho), L'\0');
    const int n = MultiByteToWideChar(CP_UTF8, 0, texto.data(), tamanho, largo.data(), tamanho);
    largo.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return largo;
}

// Text to the console as UTF-16, so that "ã" shows whatever the console's code page.
void escrever_no_console(std::wstring_view texto) {
    while (!texto.empty()) {
        DWORD vez = static_cast<DWORD>(std::min<std::size_t>(texto.size(), unidades_por_vez));
        if (vez < texto.size() && primeira_metade(texto[vez - 1])) --vez; // keep pairs whole
        DWORD escritos = 0;
        if (!WriteConsoleW(saida.destino, texto.data(), vez, &escritos, nullptr))
            falhar_travado("erro ao escrever na saida", GetLastError());
        if (escritos == 0) return;
        texto.remove_prefix(escritos);
    }
}

// A console without VT processing: the SGR codes become text attributes here.
void escrever_sem_vt(std::string_view bytes) {
    while (!bytes.empty()) {
        const auto codigo = bytes.find("\033[");
        escrever_no_console(em_utf16(bytes.substr(0, codigo)));
        if (codigo == std::string_view::npos) return;
        const auto fim = fim_do_codigo(bytes, codigo);
        if (fim == std::string_view::npos) return;
        if (bytes[fim] == 'm') {
            saida.atributos = static_cast<WORD>(
                atributo_apos_sgr(saida.atributos, bytes.substr(codigo + 2, fim - codigo - 2),
                                  saida.atributo_esquema));
            SetConsoleTextAttribute(saida.destino, saida.atributos);
        }
        bytes.remove_prefix(fim + 1);
    }
}

// Redirected output. A pipe that nobody reads any more ends the game, as on POSIX terminals.
void escrever_bytes(std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD escritos = 0;
        const DWORD vez = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1 << 16));
        if (!WriteFile(saida.destino, bytes.data(), vez, &escritos, nullptr)) {
            // Windows says "the pipe is being closed" or "broken"; wine, "not connected".
            const DWORD erro = GetLastError();
            if (erro == ERROR_NO_DATA || erro == ERROR_BROKEN_PIPE ||
                erro == ERROR_PIPE_NOT_CONNECTED)
                encerrar_travado(status_saida_fechada);
            falhar_travado("erro ao escrever na saida", erro);
        }
        if (escritos == 0) return;
        bytes.remove_prefix(escritos);
    }
}

// Fills every cell of the screen buffer, scroll-back included, with the attribute, and with
// blanks too when `apagar` is set.
void preencher(WORD atributo, bool apagar) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(saida.destino, &info)) return;
    const DWORD celulas = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y);
    DWORD feitas = 0;
    if (apagar) FillConsoleOutputCharacterW(saida.destino, L' ', celulas, COORD{0, 0}, &feitas);
    FillConsoleOutputAttribute(saida.destino, atributo, celulas, COORD{0, 0}, &feitas);
    SetConsoleTextAttribute(saida.destino, atributo);
    saida.atributos = atributo;
}

posicao_no_console posicao(COORD c) {
    return {c.Y, c.X};
}

// Whether the console really follows VT codes, once its mode has `aceito` them: a console that
// prints the test code as text moves the cursor over it. Such a trace is blanked, in the colours
// that were there, and the cursor put back.
bool vt_seguido(bool aceito) {
    CONSOLE_SCREEN_BUFFER_INFO antes{}, depois{};
    bool lido = aceito && GetConsoleScreenBufferInfo(saida.destino, &antes);
    if (lido) {
        escrever_no_console(codigo_de_teste);
        lido = GetConsoleScreenBufferInfo(saida.destino, &depois) != 0;
    }
    const posicao_no_console de = posicao(antes.dwCursorPosition);
    const posicao_no_console ate = posicao(depois.dwCursorPosition);
    if (lido && de != ate) {
        const DWORD celulas = static_cast<DWORD>(celulas_entre(de, ate, antes.dwSize.X));
        DWORD feitas = 0;
        FillConsoleOutputCharacterW(saida.destino, L' ', celulas, antes.dwCursorPosition, &feitas);
        FillConsoleOutputAttribute(saida.destino, antes.wAttributes, celulas,
                                   antes.dwCursorPosition, &feitas);
        SetConsoleCursorPosition(saida.destino, antes.dwCursorPosition);
    }
    if (lido) SetConsoleTextAttribute(saida.destino, antes.wAttributes);
    return console_segue_vt(aceito, lido, de, ate);
}

void guardar_esquema(std::string_view esquema) {
    saida.com_esquema = true;
    saida.atributo_esquema = static_cast<WORD>(atributo_de_esquema(esquema));
    saida.sgr_esquema = sgr_de_esquema(esquema);
}

} // namespace

bool iniciar_saida() {
    DWORD modo = 0;
    if (saida.destino == nullptr || saida.destino == INVALID_HANDLE_VALUE ||
        !GetConsoleMode(saida.destino, &modo)) {
        // Redirected: the width still comes from the console the game runs in, when it has one.
        saida.janela =
            CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        return false;
    }
    saida.console = true;
    saida.modo_original = modo;
    saida.pagina_original = GetConsoleOutputCP();
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(saida.destino, &info))
        saida.atributos_originais = info.wAttributes;
    const DWORD sem_vt =
        (modo | ENABLE_PROCESSED_OUTPUT) & ~static_cast<DWORD>(ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    const bool aceito =
        SetConsoleMode(saida.destino, sem_vt | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
    saida.vt = vt_seguido(aceito);
    if (!saida.vt)
        SetConsoleMode(saida.destino, sem_vt); // the codes are turned into attributes here
    SetConsoleOutputCP(CP_UTF8);
    // The screens are drawn for light grey on black, whatever colours the console has.
    guardar_esquema(esquema_normal);
    preencher(saida.atributo_esquema, false);
    return true;
}

void travar_saida() {
    AcquireSRWLockExclusive(&saida.trava);
    saida.dono = GetCurrentThreadId();
}

bool saida_travada_aqui() {
    return saida.dono == GetCurrentThreadId();
}

void descarregar_travado() {
    if (saida.pendente.empty()) return;
    if (!saida.console) {
        escrever_bytes(saida.pendente);
    } else if (saida.vt) {
        escrever_no_console(em_utf16(saida.pendente));
    } else {
        escrever_sem_vt(saida.pendente);
    }
    saida.pendente.clear();
}

void descarregar() {
    travar_saida();
    descarregar_travado();
    destravar();
}

void devolver_saida() {
    if (!saida.console) return;
    // The game's clears wiped the player's text; its colours come back in every cell.
    preencher(saida.atributos_originais, false);
    SetConsoleOutputCP(saida.pagina_original);
    SetConsoleMode(saida.destino, saida.modo_original);
}

void terminal_escrever(std::string_view texto) {
    anexar_saida(texto);
    if (!saida.console) saida.tela.append(texto);
}

void terminal_limpar() {
    if (!saida.console) {
        saida.pendente += limpeza_em_vt(normal(), "");
        saida.tela.clear();
        return;
    }
    travar_saida();
    descarregar_travado();
    if (saida.vt) escrever_no_console(apagar_rolagem);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(saida.destino, &info)) {
        preencher(saida.atributo_esquema, true);
        // The window back at the top of the buffer, so that rows count from the window's top.
        const SMALL_RECT janela{0, 0, static_cast<SHORT>(info.srWindow.Right - info.srWindow.Left),
                                static_cast<SHORT>(info.srWindow.Bottom - info.srWindow.Top)};
        SetConsoleWindowInfo(saida.destino, TRUE, &janela);
        SetConsoleCursorPosition(saida.destino, COORD{0, 0});
    }
    destravar();
}

void terminal_definir_esquema(std::string_view esquema) {
    guardar_esquema(esquema);
    if (!saida.console) {
        // The colours before the clear, then what was on screen again: every cell in the scheme
        // from the first byte the terminal gets.
        saida.pendente += limpeza_em_vt(saida.sgr_esquema, saida.tela);
        return;
    }
    // Every cell takes the scheme's colours, text already on screen included, as "color" does.
    travar_saida();
    descarregar_travado();
    preencher(saida.atributo_esquema, false);
    destravar();
}

void terminal_mover_cursor(int linha, int (*coluna_na_largura)(int)) {
    const int coluna = coluna_na_largura(terminal_largura());
    if (linha < 0 || coluna < 0) return; // the console refuses the whole move
    if (!saida.console) {
        terminal_escrever("\033[" + std::to_string(linha + 1) + ";" + std::to_string(coluna + 1) +
                          "H");
        return;
    }
    travar_saida();
    descarregar_travado();
    SetConsoleCursorPosition(saida.destino, COORD{static_cast<SHORT>(std::min(coluna, 0x7FFF)),
                                                  static_cast<SHORT>(std::min(linha, 0x7FFF))});
    destravar();
}

int terminal_largura() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(saida.console ? saida.destino : saida.janela, &info))
        return info.srWindow.Right - info.srWindow.Left + 1;
    return largura_sem_janela();
}

void terminal_dormir(int ms) {
    descarregar();
    Sleep(static_cast<DWORD>(std::max(ms, 0)));
}
