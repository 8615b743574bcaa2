// The Windows backend's output: VT codes or text attributes, redirected output, the buffer cut.
#include "console/comum/tela.h"
#include "console/comum/texto.h"
#include "console/console.h"
#include "console/terminal.h"
#include "console/windows/atributos.h"
#include "console/windows/windows.h"

#include <algorithm>
#include <atomic>
#include <string>

namespace {

constexpr std::string_view apagar_rolagem = "\033[3J";
// How many UTF-16 units one console write takes at most.
constexpr DWORD unidades_por_vez = 2048;
// The end when nobody reads the output any more, as SIGPIPE's on POSIX.
constexpr UINT status_saida_fechada = 141;

// Standard output as the game found it and as the game uses it.
struct estado_da_saida {
    HANDLE destino = GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE janela = INVALID_HANDLE_VALUE; // output redirected: the console it runs in, if any
    bool console = false;                 // standard output is a console, and we took it
    bool vt = false;                      // the console follows the VT codes itself
    DWORD modo_original = 0;
    COORD tamanho_original{}; // of the console's buffer
    WORD atributos_originais = 0x07;
    WORD atributos = 0x07;    // the text attributes in force, followed when there is no VT
    tela_do_jogo t;           // the scheme, what was drawn and the lines the console echoed
    bool limpa = false;       // attributes: cleared in the scheme, so while nothing is drawn
    COORD janela_desenhada{}; // the window's size the screen was drawn for
    SRWLOCK trava = SRWLOCK_INIT;
    std::atomic<DWORD> dono{0}; // the thread that holds `trava`, 0 for none
};

estado_da_saida saida;

void destravar() {
    saida.dono = 0;
    ReleaseSRWLockExclusive(&saida.trava);
}

WORD atributo_do_esquema() {
    return static_cast<WORD>(atributo_de_esquema(saida.t.esquema));
}

// UTF-8 text to the console as UTF-16, so that "ã" shows whatever the console's code page.
void escrever_no_console(std::string_view utf8) {
    std::wstring largo(utf8.size(), L'\0');
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                      largo.data(), static_cast<int>(largo.size()));
    largo.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    for (std::wstring_view texto = largo; !texto.empty();) {
        DWORD vez = static_cast<DWORD>(std::min<std::size_t>(texto.size(), unidades_por_vez));
        if (vez < texto.size() && primeira_metade(texto[vez - 1])) --vez; // keep pairs whole
        DWORD escritos = 0;
        if (!WriteConsoleW(saida.destino, texto.data(), vez, &escritos, nullptr))
            falhar_travado("erro ao escrever na saida", GetLastError());
        if (escritos == 0) return;
        texto.remove_prefix(escritos);
    }
}

// A console without VT processing: the SGR codes and cursor positions become console calls.
void escrever_sem_vt(std::string_view bytes) {
    while (!bytes.empty()) {
        const auto codigo = bytes.find("\033[");
        escrever_no_console(bytes.substr(0, codigo));
        if (codigo == std::string_view::npos) return;
        const auto fim = fim_do_codigo(bytes, codigo);
        if (fim == std::string_view::npos) return;
        const std::string_view parametros = bytes.substr(codigo + 2, fim - codigo - 2);
        if (bytes[fim] == 'm') {
            saida.atributos = static_cast<WORD>(
                atributo_apos_sgr(saida.atributos, parametros, atributo_do_esquema()));
            SetConsoleTextAttribute(saida.destino, saida.atributos);
        } else if (bytes[fim] == 'H') {
            const lugar_do_cursor p = posicao_de_codigo(parametros);
            SetConsoleCursorPosition(saida.destino,
                                     COORD{static_cast<SHORT>(std::min(p.coluna, 0x7FFF)),
                                           static_cast<SHORT>(std::min(p.linha, 0x7FFF))});
        }
        bytes.remove_prefix(fim + 1);
    }
}

// Redirected output; false, with the reason in GetLastError, when a write failed.
bool escrever_arquivo(std::string_view bytes) {
    DWORD escritos = 1;
    while (!bytes.empty() && escritos > 0) {
        const DWORD vez = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1 << 16));
        if (!WriteFile(saida.destino, bytes.data(), vez, &escritos, nullptr)) return false;
        bytes.remove_prefix(escritos);
    }
    return true;
}

// Every cell of a buffer of `tamanho` in the attribute, and blank when `apagar`.
void preencher(COORD tamanho, WORD atributo, bool apagar) {
    const DWORD celulas = static_cast<DWORD>(tamanho.X) * static_cast<DWORD>(tamanho.Y);
    DWORD feitas = 0;
    if (apagar) FillConsoleOutputCharacterW(saida.destino, L' ', celulas, COORD{0, 0}, &feitas);
    FillConsoleOutputAttribute(saida.destino, atributo, celulas, COORD{0, 0}, &feitas);
    // One call less where the attribute is known to be in force (VT codes change it unseen).
    if (saida.vt || atributo != saida.atributos) SetConsoleTextAttribute(saida.destino, atributo);
    saida.atributos = atributo;
}

// The columns and rows of the console's window (not of its buffer).
COORD tamanho_da_janela(const CONSOLE_SCREEN_BUFFER_INFO& info) {
    return {static_cast<SHORT>(info.srWindow.Right - info.srWindow.Left + 1),
            static_cast<SHORT>(info.srWindow.Bottom - info.srWindow.Top + 1)};
}

// The buffer cut to its window (9001 rows by default: a million cells a clear, a third of a second
// on some Windows); false for no console, else `info` holds the buffer and window after the cut.
bool cortar_buffer(CONSOLE_SCREEN_BUFFER_INFO& info) {
    if (!saida.console || !GetConsoleScreenBufferInfo(saida.destino, &info)) return false;
    const SHORT altura = tamanho_da_janela(info).Y;
    if (info.dwSize.Y > altura &&
        SetConsoleScreenBufferSize(saida.destino, COORD{info.dwSize.X, altura})) {
        info.dwSize.Y = altura;
        info.srWindow.Top = 0;
        info.srWindow.Bottom = static_cast<SHORT>(altura - 1);
    }
    return true;
}

// The screen cleared in the scheme as "cls" does, the lock held: with VT codes the scroll-back too
// (Windows Terminal's); with attributes every cell, the window at the buffer's top, cursor home.
void limpar() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    const bool com_buffer = cortar_buffer(info);
    if (!saida.console || saida.vt) {
        saida.t.pendente.append(saida.t.sgr).append(cursor_ao_inicio);
        saida.t.pendente += apagar_tela;
        if (saida.console) saida.t.pendente += apagar_rolagem;
        return;
    }
    if (!com_buffer) return;
    descarregar_travado();
    preencher(info.dwSize, atributo_do_esquema(), true);
    const SMALL_RECT janela{0, 0, static_cast<SHORT>(info.srWindow.Right - info.srWindow.Left),
                            static_cast<SHORT>(info.srWindow.Bottom - info.srWindow.Top)};
    if (info.srWindow.Top != 0) SetConsoleWindowInfo(saida.destino, TRUE, &janela);
    SetConsoleCursorPosition(saida.destino, COORD{0, 0});
    saida.limpa = true;
}

// Whether the console, its mode having `aceito` VT codes, follows them: one that prints the test
// code moves the cursor; the trace is blanked and the cursor put back.
bool vt_seguido(bool aceito) {
    CONSOLE_SCREEN_BUFFER_INFO antes{}, depois{};
    bool lido = aceito && GetConsoleScreenBufferInfo(saida.destino, &antes);
    if (lido) {
        escrever_no_console(atributos_normais); // harmless, and undone at once
        lido = GetConsoleScreenBufferInfo(saida.destino, &depois) != 0;
    }
    const lugar_do_cursor de{antes.dwCursorPosition.Y, antes.dwCursorPosition.X};
    const lugar_do_cursor ate{depois.dwCursorPosition.Y, depois.dwCursorPosition.X};
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

} // namespace

bool iniciar_saida(bool vt_sem_sondar) {
    saida.destino = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD modo = 0;
    if (!GetConsoleMode(saida.destino, &modo)) { // no handle, or no console
        // Redirected: the width still comes from the console the game runs in, when it has one.
        saida.janela =
            CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        return false;
    }
    saida.console = true;
    saida.modo_original = modo;
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(saida.destino, &info)) {
        saida.atributos_originais = saida.atributos = info.wAttributes;
        saida.tamanho_original = info.dwSize;
    }
    const DWORD sem_vt =
        (modo | ENABLE_PROCESSED_OUTPUT) & ~static_cast<DWORD>(ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    const bool aceito =
        SetConsoleMode(saida.destino, sem_vt | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
    saida.vt = vt_sem_sondar ? aceito : vt_seguido(aceito);
    if (!saida.vt)
        SetConsoleMode(saida.destino, sem_vt); // the codes are turned into attributes here
    // The code page stays the player's (the text goes as UTF-16); every cell in the scheme.
    if (cortar_buffer(info)) {
        preencher(info.dwSize, atributo_do_esquema(), false);
        saida.janela_desenhada = tamanho_da_janela(info);
    }
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
    if (saida.t.pendente.empty()) return;
    if (!saida.console) {
        if (!escrever_arquivo(saida.t.pendente)) {
            // Windows says "the pipe is being closed" or "broken"; wine, "not connected".
            const DWORD erro = GetLastError();
            if (erro == ERROR_NO_DATA || erro == ERROR_BROKEN_PIPE ||
                erro == ERROR_PIPE_NOT_CONNECTED)
                encerrar_travado(status_saida_fechada);
            falhar_travado("erro ao escrever na saida", erro);
        }
    } else if (saida.vt) {
        escrever_no_console(saida.t.pendente);
    } else {
        escrever_sem_vt(saida.t.pendente);
    }
    saida.t.pendente.clear();
}

void descarregar() {
    travar_saida();
    descarregar_travado();
    destravar();
}

void devolver_saida() {
    if (!saida.console) {
        // What shows the output takes its own colours back; a failure has nowhere to go.
        escrever_arquivo(atributos_normais);
        return;
    }
    // The buffer's size, and the player's colours in every cell (the clears wiped the text).
    if (saida.tamanho_original.Y > 0)
        SetConsoleScreenBufferSize(saida.destino, saida.tamanho_original);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(saida.destino, &info))
        preencher(info.dwSize, saida.atributos_originais, false);
    SetConsoleMode(saida.destino, saida.modo_original);
}

void guardar_eco(std::string_view linha) {
    guardar(saida.t, linha);
}

// A new window size: the screen cleared and drawn again, every centred row on the new width.
void redesenhar_se_mudou() {
    if (!saida.console) return;
    travar_saida();
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(saida.destino, &info)) return destravar();
    const COORD janela = tamanho_da_janela(info);
    if (janela.X == saida.janela_desenhada.X && janela.Y == saida.janela_desenhada.Y)
        return destravar();
    saida.janela_desenhada = janela;
    descarregar_travado();
    const std::string desenhado = desenho_em(saida.t, janela.X);
    limpar();
    anexar(saida.t, desenhado);
    descarregar_travado();
    destravar();
}

void escrever(std::string_view texto) {
    desenhar(saida.t, texto);
}

void limpar_tela() {
    if (saida.limpa && saida.t.desenho.empty()) return; // a clear screen cleared again
    travar_saida();
    saida.t.desenho.clear();
    limpar();
    destravar();
}

// Every cell in the scheme's colours, as "color" does: with VT codes a clear and the drawing
// again, with attributes every cell recoloured.
void definir_esquema(std::string_view esquema) {
    travar_saida();
    mudar_esquema(saida.t, esquema);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!saida.console || saida.vt) {
        limpar();
        anexar(saida.t, desenho_em(saida.t));
    } else if (cortar_buffer(info)) {
        descarregar_travado();
        preencher(info.dwSize, atributo_do_esquema(), false);
    }
    destravar();
}

void terminal_mover_cursor(int linha, int (*coluna_na_largura)(int)) {
    mover(saida.t, linha, coluna_na_largura, largura_da_janela());
}

int largura_da_janela() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(saida.console ? saida.destino : saida.janela, &info))
        return tamanho_da_janela(info).X;
    return largura_sem_janela();
}
