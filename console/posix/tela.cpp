// The POSIX backend's screen: the text in the terminal's encoding, the console schemes as ANSI
// colours (a scheme change draws the screen again in its colours), the clear and its painting
// where the terminal's erase keeps its own background, every byte written whole, and the screen
// drawn again after a stop or for a new window size.
#include "console/desenho.h"
#include "console/esquema.h"
#include "console/posix/posix.h"
#include "console/terminal.h"

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <langinfo.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// The screen's own sequences, named once; the terminal's own variants come from terminfo.
constexpr std::string_view inserir_branco = "\033[@";

// The rows to paint when the window's cannot be read.
constexpr int linhas_sem_janela = 24;
// The most of the player's echoed typing kept to redraw the screen since the game last drew; a
// longer line is still echoed whole, but a redraw shows only its start, so that memory does not
// grow with what is typed.
constexpr std::size_t maior_eco_guardado = 16384;
// While a window is being dragged, its sizes are drawn at most once in this time: the last one is
// always drawn, within this time of the previous drawing.
constexpr long long intervalo_entre_redesenhos_ns = 25'000'000;

// What the terminal shows, and what is still to be written to it.
struct estado_da_tela {
    bool utf8 = true;            // the terminal's encoding is UTF-8, else one byte a character
    bool apaga_com_fundo = true; // its erase fills cells with the current background (bce)
    bool escreve_ultima_celula = true; // writing its last cell does not scroll the screen
    bool com_esquema = false;
    std::string sgr_esquema;      // the attributes of the scheme in force, as one SGR sequence
    std::string saida;            // bytes not yet written
    desenho desenhado;            // what was drawn since the last clear, to draw it again
    std::string linha_em_edicao;  // what the screen shows of the line being typed, after it
    std::size_t eco_guardado = 0; // echo kept in `desenhado` since the game last drew
    unsigned redesenhos = 0;      // how many times the screen was drawn again
    long long ultimo_redesenho_ns = 0;
    volatile std::sig_atomic_t voltou = 0;       // the game came back from a stop
    volatile std::sig_atomic_t janela_mudou = 0; // the window took a new size
    bool falhando = false; // the game is ending on a fault: writes may fail again
};

estado_da_tela tela;

// The game's "back to normal" code means the scheme in force, not the terminal's defaults.
std::string_view normal() {
    return tela.com_esquema ? std::string_view(tela.sgr_esquema) : atributos_normais;
}

void anexar_saida(std::string_view bytes) {
    anexar_com_normal(tela.saida, bytes, normal());
}

// Drawn text, also kept to be drawn again after a scheme change, a stop or a new window size.
void desenhar(std::string_view bytes) {
    guardar_texto(tela.desenhado, bytes);
    tela.eco_guardado = 0;
    anexar_saida(bytes);
}

// The UTF-8 text in one byte per character, for terminals whose encoding is not UTF-8.
std::string em_um_byte(std::string_view texto) {
    std::string saida;
    for (std::size_t i = 0; i < texto.size(); ++i) {
        const auto b = static_cast<unsigned char>(texto[i]);
        if ((b & 0xE0) == 0xC0 && i + 1 < texto.size()) {
            saida += static_cast<char>(((b & 0x1F) << 6) | (texto[++i] & 0x3F));
        } else {
            saida += static_cast<char>(b);
        }
    }
    return saida;
}

// Nobody reads the output any more and SIGPIPE was ignored: end as the signal would have ended
// the game, so that a shell sees the same status (141) either way.
[[noreturn]] void terminar_por_sigpipe() {
    std::signal(SIGPIPE, SIG_DFL);
    sigset_t so_pipe;
    sigemptyset(&so_pipe);
    sigaddset(&so_pipe, SIGPIPE);
    sigprocmask(SIG_UNBLOCK, &so_pipe, nullptr);
    std::raise(SIGPIPE);
    std::_Exit(128 + SIGPIPE);
}

// Writes every byte, waiting while the terminal takes no more: nothing is dropped. A closed pipe
// ends the game as SIGPIPE does; any other fault ends it with the terminal given back.
void escrever_tudo(const char* dados, std::size_t tamanho) {
    while (tamanho > 0) {
        const ssize_t escritos = ::write(STDOUT_FILENO, dados, tamanho);
        if (escritos >= 0) {
            dados += escritos;
            tamanho -= static_cast<std::size_t>(escritos);
            continue;
        }
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            esperar_saida(-1);
            continue;
        }
        if (errno == EPIPE) terminar_por_sigpipe();
        if (tela.falhando) return; // already on the way out: what is left is lost with the output
        terminal_falhar("erro ao escrever na saida", errno);
    }
}

winsize janela() {
    winsize tamanho{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &tamanho) != 0) tamanho = {};
    return tamanho;
}

// The screen emptied in the scheme's colours, cursor top-left; the screen only, never the
// scroll-back, which is the player's.
void limpar_com_esquema() {
    tela.saida.append(normal());
    if (!tela.apaga_com_fundo) {
        const winsize tamanho = janela();
        const int linhas = tamanho.ws_row > 0 ? tamanho.ws_row : linhas_sem_janela;
        const int colunas = tamanho.ws_col > 0 ? tamanho.ws_col : largura_sem_janela();
        tela.saida.append(pintura_da_janela(linhas, colunas, tela.escreve_ultima_celula));
        return;
    }
    tela.saida.append(cursor_ao_inicio);
    tela.saida.append(apagar_tela);
}

// The screen drawn again, as it was, for the window's size now: the scheme's clear, every move
// placed by its rule on the width now, the line being typed echoed again. One write.
void redesenhar() {
    const std::string desenhado = bytes_do_desenho(tela.desenhado, terminal_largura());
    limpar_com_esquema();
    anexar_saida(desenhado);
    anexar_saida(tela.linha_em_edicao);
    descarregar();
    ++tela.redesenhos;
    tela.ultimo_redesenho_ns = agora_ns();
}

} // namespace

std::string pintura_da_janela(int linhas, int colunas, bool escreve_ultima_celula) {
    std::string bytes;
    const bool empurrar = !escreve_ultima_celula && colunas > 1;
    for (int linha = 0; linha < linhas; ++linha) {
        bytes.append(posicao_do_cursor(linha, 0));
        const bool ultima = linha == linhas - 1 && empurrar;
        bytes.append(static_cast<std::size_t>(colunas - (ultima ? 1 : 0)), ' ');
        if (!ultima) continue;
        bytes.append(posicao_do_cursor(linha, colunas - 2));
        bytes.append(inserir_branco);
        bytes.push_back(' ');
    }
    bytes.append(cursor_ao_inicio);
    return bytes;
}

void iniciar_tela(const capacidades_do_terminal& capacidades, std::string_view ao_tomar) {
    tela.apaga_com_fundo = capacidades.apaga_com_fundo;
    tela.escreve_ultima_celula = capacidades.escreve_ultima_celula;
    // The screens are drawn in the console's normal scheme from the first one, so that a
    // terminal with a light theme shows them as a dark one does; its colours come back at exit.
    tela.com_esquema = true;
    tela.sgr_esquema = sgr_de_esquema(esquema_normal);
    // The alternate screen and the cursor colour go out with the first screen, in its write.
    tela.saida.append(ao_tomar);
}

void descarregar() {
    if (tela.saida.empty()) return;
    const sigset_t antes = segurar_sinais();
    escrever_tudo(tela.saida.data(), tela.saida.size());
    sigprocmask(SIG_SETMASK, &antes, nullptr);
    tela.saida.clear();
}

void descarregar_ao_falhar() {
    if (tela.falhando) return;
    tela.falhando = true;
    descarregar();
}

void ecoar_digitacao(std::string_view eco, std::string_view mostrada, bool entregue) {
    anexar_saida(eco);
    tela.linha_em_edicao.assign(mostrada.substr(0, maior_eco_guardado - tela.eco_guardado));
    if (!entregue || tela.linha_em_edicao.empty()) return;
    guardar_texto(tela.desenhado, tela.linha_em_edicao);
    tela.eco_guardado += tela.linha_em_edicao.size();
    tela.linha_em_edicao.clear();
}

void pedir_redesenho() {
    tela.voltou = 1;
}

void pedir_redesenho_da_janela() {
    tela.janela_mudou = 1;
}

long long redesenho_devido_ns() {
    if (tela.voltou) return 0;
    if (tela.janela_mudou) return tela.ultimo_redesenho_ns + intervalo_entre_redesenhos_ns;
    return -1;
}

void redesenhar_se_preciso() {
    const long long devido = redesenho_devido_ns();
    if (devido < 0 || (devido > 0 && agora_ns() < devido)) return;
    tela.voltou = 0;
    tela.janela_mudou = 0;
    redesenhar();
}

unsigned redesenhos_da_tela() {
    return tela.redesenhos;
}

void mostrar_tela() {
    descarregar();
    redesenhar_se_preciso();
}

forma_do_terminal forma_da_tela() {
    return {tela.utf8, [](char32_t c) { return ::wcwidth(static_cast<wchar_t>(c)); },
            terminal_largura()};
}

int coluna_do_cursor(const forma_do_terminal& forma) {
    return coluna_depois(bytes_do_desenho(tela.desenhado), forma);
}

void terminal_definir_locale() {
    // The encoding comes from the player's own locale; the Portuguese one must not change it.
    std::setlocale(LC_ALL, "");
    tela.utf8 = !codificacao_de_um_byte(nl_langinfo(CODESET));
    const char* nomes_utf8[] = {"pt_BR.UTF-8", "pt_BR.utf8", "pt_PT.UTF-8", "pt_PT.utf8"};
    const char* nomes_um_byte[] = {"pt_BR.ISO-8859-1", "pt_BR", "pt_PT.ISO-8859-1", "pt_PT"};
    for (const char* nome : tela.utf8 ? nomes_utf8 : nomes_um_byte)
        if (std::setlocale(LC_ALL, nome)) return;
    // The columns of typed characters come from the locale's table: a terminal taken for UTF-8
    // under the C locale gets the table of C.UTF-8, where the system has it.
    if (tela.utf8 && !std::strstr(nl_langinfo(CODESET), "UTF-8"))
        for (const char* nome : {"C.UTF-8", "C.utf8"})
            if (std::setlocale(LC_CTYPE, nome)) return;
}

void terminal_escrever(std::string_view texto) {
    if (tela.utf8) {
        desenhar(texto);
    } else {
        desenhar(em_um_byte(texto));
    }
}

void terminal_limpar() {
    tela.desenhado.clear();
    tela.eco_guardado = 0;
    limpar_com_esquema();
}

void terminal_definir_esquema(std::string_view esquema) {
    tela.com_esquema = true;
    tela.sgr_esquema = sgr_de_esquema(esquema);
    tirar_cores(tela.desenhado);
    tela.eco_guardado = 0;
    limpar_com_esquema();
    anexar_saida(bytes_do_desenho(tela.desenhado));
}

void terminal_mover_cursor(int linha, int (*coluna)(int)) {
    anexar_saida(guardar_movimento(tela.desenhado, linha, coluna, terminal_largura()));
    tela.eco_guardado = 0;
}

int terminal_largura() {
    const winsize tamanho = janela();
    return tamanho.ws_col > 0 ? tamanho.ws_col : largura_sem_janela();
}
