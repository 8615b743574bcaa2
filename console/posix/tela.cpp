// The POSIX backend's screen: encoding, clear, line being typed, redraws, sleeps and ways out.
#include "console/comum/tela.h"
#include "console/comum/agenda.h"
#include "console/console.h"
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
#include <termios.h>
#include <unistd.h>

namespace {

// The rows to paint when the window's cannot be read.
constexpr int linhas_sem_janela = 24;
// The most typing kept with what was drawn since the game last drew: a redraw shows its start.
constexpr std::size_t maior_eco_guardado = 16384;
// A window being dragged is drawn at most once in this time, its last size always.
constexpr long long intervalo_entre_redesenhos_ns = 25'000'000;

struct estado_da_tela {
    tela_do_jogo t;
    bool utf8 = true; // the terminal's encoding is UTF-8, else one byte a character
    capacidades_do_terminal capacidades;
    edicao_linha linha;           // the line being typed: empty when no read edits one
    std::size_t eco_guardado = 0; // typing kept with what was drawn since the game drew
    agenda_de_sonos agenda;
    long long ultimo_redesenho_ns = 0;
    bool falhando = false; // the game is ending on a fault: writes may fail again
};

estado_da_tela tela;

winsize janela() {
    winsize tamanho{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &tamanho) != 0) tamanho = {};
    return tamanho;
}

int colunas(const winsize& tamanho) {
    return tamanho.ws_col > 0 ? tamanho.ws_col : largura_sem_janela();
}

forma_do_terminal forma() {
    return {tela.utf8, [](char32_t c) { return ::wcwidth(static_cast<wchar_t>(c)); },
            colunas(janela())};
}

// The UTF-8 text in one byte per character, for terminals whose encoding is not UTF-8.
std::string em_um_byte(std::string_view texto) {
    std::string saida;
    for (std::size_t i = 0; i < texto.size(); ++i) {
        const auto b = static_cast<unsigned char>(texto[i]);
        const bool par = tamanho_utf8(b) == 2 && i + 1 < texto.size();
        saida += static_cast<char>(par ? ((b & 0x1F) << 6) | (texto[++i] & 0x3F) : b);
    }
    return saida;
}

// Nobody reads the output and SIGPIPE was ignored: the end that the signal gives (status 141).
[[noreturn]] void terminar_por_sigpipe() {
    std::signal(SIGPIPE, SIG_DFL);
    sigset_t so_pipe;
    sigemptyset(&so_pipe);
    sigaddset(&so_pipe, SIGPIPE);
    sigprocmask(SIG_UNBLOCK, &so_pipe, nullptr);
    std::raise(SIGPIPE);
    std::_Exit(128 + SIGPIPE);
}

// The screen (never the player's scroll-back) emptied in the scheme's colours, cursor home.
void limpar_com_esquema() {
    tela.t.pendente += tela.t.sgr;
    if (!tela.capacidades.apaga_com_fundo) {
        const winsize tamanho = janela();
        tela.t.pendente +=
            pintura_da_janela(tamanho.ws_row > 0 ? tamanho.ws_row : linhas_sem_janela,
                              colunas(tamanho), tela.capacidades.escreve_ultima_celula);
        return;
    }
    tela.t.pendente.append(cursor_ao_inicio).append(apagar_tela);
}

// The screen drawn again for the window's size now, in one write: the clear, every move placed
// by its rule, then the line being typed, laid out again from where that leaves the cursor.
void redesenhar() {
    tela.linha.forma = forma();
    const std::string desenho = desenho_em(tela.t, tela.linha.forma.largura);
    refazer_disposicao(tela.linha, coluna_depois(desenho, tela.linha.forma));
    limpar_com_esquema();
    anexar(tela.t, desenho);
    anexar(tela.t, linha_mostrada(tela.linha));
    descarregar();
    tela.ultimo_redesenho_ns = agora_ns();
}

} // namespace

std::string pintura_da_janela(int linhas, int colunas, bool escreve_ultima_celula) {
    std::string bytes;
    for (int linha = 0; linha < linhas; ++linha)
        bytes.append(posicao_do_cursor(linha, 0)).append(static_cast<std::size_t>(colunas), ' ');
    if (!escreve_ultima_celula && colunas > 1 && linhas > 0) {
        bytes.pop_back();
        bytes.append(posicao_do_cursor(linhas - 1, colunas - 2)).append("\033[@ ");
    }
    return bytes.append(cursor_ao_inicio);
}

void descarregar() {
    if (tela.t.pendente.empty()) return;
    const sigset_t antes = segurar_sinais();
    const int erro = escrever_tudo(tela.t.pendente, -1);
    sigprocmask(SIG_SETMASK, &antes, nullptr);
    tela.t.pendente.clear();
    if (erro == EPIPE) terminar_por_sigpipe();
    if (erro != 0 && !tela.falhando) terminal_falhar("erro ao escrever na saida", erro);
}

bool aguardar(int fd, long long prazo) {
    for (;;) {
        long long acordar = prazo;
        if (const int p = pedidos(); p != 0) {
            const long long devido =
                p & pedido_voltou ? 0 : tela.ultimo_redesenho_ns + intervalo_entre_redesenhos_ns;
            if (devido <= agora_ns()) {
                atender_pedidos();
                redesenhar();
                continue;
            }
            if (acordar < 0 || devido < acordar) acordar = devido;
        }
        const visto v = esperar_por(fd, false, acordar);
        if (v == visto::pronto) return true;
        if (v == visto::prazo && acordar == prazo) return false;
    }
}

void recomecar_prazos() {
    tela.agenda.com_prazo = false;
}

bool texto_em_utf8() {
    return tela.utf8;
}

bool digitar_linha(std::string& pendente, std::string& pedaco, bool (*receber)()) {
    edicao_linha& e = tela.linha;
    e.forma = forma();
    comecar_linha(e, coluna_depois(desenho_em(tela.t), e.forma));
    passo_edicao passo = passo_edicao::continua;
    while (passo == passo_edicao::continua && e.linha.size() < maior_pedaco) {
        std::string eco;
        std::size_t usados = 0;
        while (usados < pendente.size() && passo == passo_edicao::continua &&
               e.linha.size() < maior_pedaco)
            passo = editar_byte(e, static_cast<unsigned char>(pendente[usados++]), eco);
        pendente.erase(0, usados);
        anexar(tela.t, eco);
        if (passo != passo_edicao::continua || e.linha.size() >= maior_pedaco) break;
        descarregar();
        // The rest of a key's sequence comes at once: a lone Esc is dropped after a while.
        if (e.sequencia != escape::fora &&
            !aguardar(STDIN_FILENO, agora_ns() + espera_resto_da_tecla_ns))
            e.sequencia = escape::fora;
        if (!receber()) return false;
    }
    if (passo == passo_edicao::fim_da_entrada) return false;
    // The line, or a piece of it, goes to the reads, what it shows to what was drawn.
    std::string mostrada = linha_mostrada(e);
    if (passo == passo_edicao::linha_pronta) mostrada += '\n';
    mostrada.resize(std::min(mostrada.size(), maior_eco_guardado - tela.eco_guardado));
    guardar(tela.t, mostrada);
    tela.eco_guardado += mostrada.size();
    pedaco = std::move(e.linha);
    comecar_linha(e, 0);
    return true;
}

void definir_locale() {
    // The encoding comes from the player's own locale; the Portuguese one must not change it.
    std::setlocale(LC_ALL, "");
    tela.utf8 = !codificacao_de_um_byte(nl_langinfo(CODESET));
    const char* nomes_utf8[] = {"pt_BR.UTF-8", "pt_BR.utf8", "pt_PT.UTF-8", "pt_PT.utf8"};
    const char* nomes_um_byte[] = {"pt_BR.ISO-8859-1", "pt_BR", "pt_PT.ISO-8859-1", "pt_PT"};
    for (const char* nome : tela.utf8 ? nomes_utf8 : nomes_um_byte)
        if (std::setlocale(LC_ALL, nome)) return;
    // The columns of typed characters come from the locale: C.UTF-8's for the C locale.
    if (tela.utf8 && !std::strstr(nl_langinfo(CODESET), "UTF-8"))
        for (const char* nome : {"C.UTF-8", "C.utf8"})
            if (std::setlocale(LC_CTYPE, nome)) return;
}

void escrever(std::string_view texto) {
    if (tela.utf8) {
        desenhar(tela.t, texto);
    } else {
        desenhar(tela.t, em_um_byte(texto));
    }
    tela.eco_guardado = 0;
}

void limpar_tela() {
    tela.t.desenho.clear();
    tela.eco_guardado = 0;
    limpar_com_esquema();
}

void definir_esquema(std::string_view esquema) {
    mudar_esquema(tela.t, esquema);
    tela.eco_guardado = 0;
    limpar_com_esquema();
    anexar(tela.t, desenho_em(tela.t));
}

void terminal_mover_cursor(int linha, int (*coluna)(int)) {
    mover(tela.t, linha, coluna, colunas(janela()));
    tela.eco_guardado = 0;
}

void esperar(int ms) {
    descarregar();
    aguardar(-1, prazo_do_sono(tela.agenda, agora_ns(), ms));
}

void terminal_iniciar() {
    tela.capacidades = iniciar_modos();
    // The alternate screen and the cursor colour go out in the first screen's write.
    tela.t.pendente += ao_tomar();
}

// The signals stay held from here on: no handler runs while the program's objects are destroyed.
void terminal_encerrar(int estado) {
    segurar_sinais();
    descarregar();
    devolver_terminal(TCSAFLUSH);
    std::exit(estado);
}

// Allocates nothing, so that it also serves when memory has run out.
void terminal_falhar(const char* o_que, int erro) {
    segurar_sinais();
    tela.falhando = true;
    descarregar();
    devolver_terminal(TCSAFLUSH);
    const char* partes[] = {"quirelo: ", o_que, erro != 0 ? ": " : "",
                            erro != 0 ? std::strerror(erro) : "", "\n"};
    for (const char* parte : partes) {
        ssize_t ignorado = ::write(STDERR_FILENO, parte, std::strlen(parte));
        (void)ignorado; // nowhere left to report to
    }
    std::exit(1);
}
