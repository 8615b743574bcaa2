// The platform primitives on POSIX terminals, but for input: the screen (ANSI/ECMA-48 sequences,
// terminfo's variants), the modes and signals (termios), and the sleeps.
#include "console/terminal_posix.h"
#include "console/capacidades_posix.h"
#include "console/edicao_linha.h"
#include "console/terminal.h"
#include "console/terminal_comum.h"

#include <atomic>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cwchar>
#include <langinfo.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Each sequence the backend sends, named once; the terminal's own variants come from terminfo
// (see capacidades_posix.h).
constexpr std::string_view cursor_ao_inicio = "\033[H";
constexpr std::string_view apagar_tela = "\033[2J";
constexpr std::string_view mostrar_cursor = "\033[?25h";
constexpr std::string_view inserir_branco = "\033[@";

// The rows to paint when the window's cannot be read.
constexpr int linhas_sem_janela = 24;
// The most of the player's echoed typing kept to redraw the screen; a longer line is still
// echoed whole, but a redraw shows only its start, so that memory does not grow with a line.
constexpr std::size_t maior_eco_guardado = 16384;
// A sleep that begins within this time of the previous sleep's deadline counts from that
// deadline (see terminal_dormir).
constexpr long long folga_encadeada_ns = 5'000'000;
// How long the restore written from a signal handler waits for a terminal that takes no more
// output (a descriptor left non-blocking by another program), in waits of this many ms.
constexpr int esperas_do_restauro = 20;
constexpr int espera_do_restauro_ms = 50;
// The signals whose handlers give the terminal back; while one of them runs, the others wait.
constexpr int sinais_do_terminal[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP};

// The terminal's own state, as the operating system keeps it for a Windows console.
struct estado_do_terminal {
    bool saida_terminal = false; // standard output is a terminal: the game draws in its scheme
    bool interativo = false;     // both standard input and output are terminals, and we took them
    capacidades_do_terminal capacidades;
    std::string ao_tomar;    // what the terminal is sent when the game takes it (or comes back)
    std::string ao_devolver; // and when the game gives it back (or stops)
    termios original{};      // the modes as the player left them
    termios do_jogo{};       // the modes the game runs in
    bool utf8 = true;        // the terminal's encoding is UTF-8, else one byte per character
    bool com_esquema = false;
    std::string sgr_esquema;         // the attributes of the scheme in force, as one SGR sequence
    std::string saida;               // bytes not yet written
    std::string tela;                // what was drawn since the last clear, to draw it again
    std::size_t tamanho_sem_eco = 0; // the part of `tela` that the game itself wrote
    volatile std::sig_atomic_t redesenhar = 0; // the game came back from a stop
    timespec prazo{};                          // when the last sleep was due to end
    bool com_prazo = false;              // `prazo` is set and no read or key wait has come since
    std::atomic<long long> parado_ns{0}; // all the time spent stopped by Ctrl-Z
    bool falhando = false;               // the game is ending on a fault: writes may fail again
};

estado_do_terminal t;

// The game's "back to normal" code means the scheme in force, not the terminal's defaults.
std::string_view normal() {
    return t.com_esquema ? std::string_view(t.sgr_esquema) : atributos_normais;
}

void anexar_saida(std::string_view bytes) {
    anexar_com_normal(t.saida, bytes, normal());
}

// Drawn text, also kept to be drawn again after a scheme change or a stop.
void desenhar(std::string_view bytes) {
    t.tela.append(bytes);
    t.tamanho_sem_eco = t.tela.size();
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

// Waits until the descriptor takes more output (a blocking one takes it at once); false when
// `ms` went by first (never, for a negative `ms`).
bool esperar_saida(int ms) {
    pollfd p{STDOUT_FILENO, POLLOUT, 0};
    return ::poll(&p, 1, ms) != 0;
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
        if (t.falhando) return; // already on the way out: what is left is lost with the output
        terminal_falhar("erro ao escrever na saida", errno);
    }
}

// Holds back the signals that restore the terminal, so that no handler runs meanwhile; returns
// the mask to put back.
sigset_t segurar_sinais() {
    sigset_t segurar, antes;
    sigemptyset(&segurar);
    for (int s : sinais_do_terminal)
        sigaddset(&segurar, s);
    sigprocmask(SIG_BLOCK, &segurar, &antes);
    return antes;
}

// Writes what is waiting, with the signals that restore the terminal held back meanwhile, so
// that a restore never lands in the middle of a screen.
void descarregar() {
    if (t.saida.empty()) return;
    const sigset_t antes = segurar_sinais();
    escrever_tudo(t.saida.data(), t.saida.size());
    sigprocmask(SIG_SETMASK, &antes, nullptr);
    t.saida.clear();
}

std::string posicao(int linha, int coluna) {
    return "\033[" + std::to_string(linha + 1) + ";" + std::to_string(coluna + 1) + "H";
}

winsize janela() {
    winsize tamanho{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &tamanho) != 0) tamanho = {};
    return tamanho;
}

// On a terminal whose erase keeps its own background (no bce), every cell is written as a space
// in the scheme's colours, row by row. Where writing the last cell would scroll the screen (am
// without xenl), the cell before it is written, pushed into the last one by an inserted blank,
// and written again.
void pintar_celulas() {
    const winsize tamanho = janela();
    const int linhas = tamanho.ws_row > 0 ? tamanho.ws_row : linhas_sem_janela;
    const int colunas = tamanho.ws_col > 0 ? tamanho.ws_col : largura_sem_janela();
    const bool empurrar = !t.capacidades.escreve_ultima_celula && colunas > 1;
    for (int linha = 0; linha < linhas; ++linha) {
        t.saida.append(posicao(linha, 0));
        const bool ultima = linha == linhas - 1 && empurrar;
        t.saida.append(static_cast<std::size_t>(colunas - (ultima ? 1 : 0)), ' ');
        if (!ultima) continue;
        t.saida.append(posicao(linha, colunas - 2));
        t.saida.append(inserir_branco);
        t.saida.push_back(' ');
    }
    t.saida.append(cursor_ao_inicio);
}

// The screen emptied in the scheme's colours, cursor top-left.
void limpar_com_esquema() {
    t.saida.append(normal());
    if (!t.capacidades.apaga_com_fundo) {
        pintar_celulas();
        return;
    }
    t.saida.append(cursor_ao_inicio);
    t.saida.append(apagar_tela); // the screen only: the scroll-back is the player's
}

long long em_ns(const timespec& t) {
    return static_cast<long long>(t.tv_sec) * 1'000'000'000LL + t.tv_nsec;
}

timespec de_ns(long long ns) {
    return {static_cast<time_t>(ns / 1'000'000'000LL), static_cast<long>(ns % 1'000'000'000LL)};
}

long long agora_ns() {
    timespec agora{};
    clock_gettime(CLOCK_MONOTONIC, &agora);
    return em_ns(agora);
}

// Sleeps until the CLOCK_MONOTONIC time `prazo`; 0 once it has come, EINTR when a signal came
// first. Where the system has no absolute sleep (macOS), a relative sleep to the same deadline.
int dormir_ate(const timespec& prazo) {
#if defined(QUIRELO_COM_CLOCK_NANOSLEEP)
    return clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &prazo, nullptr);
#else
    for (;;) {
        const long long falta = em_ns(prazo) - agora_ns();
        if (falta <= 0) return 0;
        const timespec espera = de_ns(falta);
        if (nanosleep(&espera, nullptr) != 0 && errno == EINTR) return EINTR;
    }
#endif
}

// Async-signal-safe (write and poll only): writes the whole sequence, waiting a bounded time
// for a terminal that takes no more; reports nothing.
void enviar(std::string_view sequencia) {
    int esperas = 0;
    while (!sequencia.empty()) {
        const ssize_t escritos = ::write(STDOUT_FILENO, sequencia.data(), sequencia.size());
        if (escritos > 0) {
            sequencia.remove_prefix(static_cast<std::size_t>(escritos));
        } else if (escritos < 0 && errno == EINTR) {
            continue;
        } else if (escritos < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) &&
                   esperas++ < esperas_do_restauro) {
            esperar_saida(espera_do_restauro_ms);
        } else {
            return;
        }
    }
}

// Gives the shell its colours, cursor, screen and modes back; async-signal-safe. `acao` is
// TCSAFLUSH when leaving for good (what was typed for the game is not the shell's) and TCSADRAIN
// when stopping (it stays for the game's reads).
void devolver_terminal(int acao) {
    if (!t.saida_terminal) return;
    enviar(t.ao_devolver);
    if (t.interativo) tcsetattr(STDIN_FILENO, acao, &t.original);
}

void tomar_terminal() {
    if (t.interativo) tcsetattr(STDIN_FILENO, TCSADRAIN, &t.do_jogo);
    enviar(t.ao_tomar);
}

// The sequences that take the terminal and give it back, made once, before any signal handler
// may send them. Leaving, the screen is cleared before the main screen comes back, so that a
// terminal that ignores the alternate screen shows the shell a clean screen, not the game's.
void compor_entrada_e_saida() {
    const capacidades_do_terminal& c = t.capacidades;
    t.ao_tomar = c.cursor_cinza;
    t.ao_devolver =
        std::string(atributos_normais) + c.cursor_original + std::string(mostrar_cursor);
    if (!t.interativo) return; // the screen stays as the game left it, with the shell's colours
    t.ao_tomar.insert(0, c.entrar_na_alternativa);
    t.ao_devolver += cursor_ao_inicio;
    t.ao_devolver += apagar_tela;
    t.ao_devolver += c.sair_da_alternativa;
}

// While a handler runs, the other signals that restore the terminal wait for it to end.
void instalar(int sinal, void (*tratador)(int), int opcoes) {
    struct sigaction acao {};
    acao.sa_handler = tratador;
    sigemptyset(&acao.sa_mask);
    for (int s : sinais_do_terminal)
        sigaddset(&acao.sa_mask, s);
    acao.sa_flags = opcoes; // no SA_RESTART: sleeps and reads come back to redraw after a stop
    sigaction(sinal, &acao, nullptr);
}

// Ctrl-C, SIGTERM, SIGHUP, Ctrl-\: the terminal back, then the signal's own ending.
// A Ctrl-Z that came meanwhile is dropped: the game is ending, it must not take the terminal
// again on `fg`.
extern "C" void ao_terminar(int sinal) {
    devolver_terminal(TCSAFLUSH);
    instalar(SIGTSTP, SIG_IGN, 0);
    std::raise(sinal); // delivered with its default action once this handler returns
}

// Ctrl-Z: stop with the terminal restored; on `fg`, take it again and redraw.
extern "C" void ao_suspender(int) {
    const int erro = errno;
    const long long parou = agora_ns(); // clock_gettime is async-signal-safe
    devolver_terminal(TCSADRAIN);
    instalar(SIGTSTP, SIG_DFL, 0);
    sigset_t tstp;
    sigemptyset(&tstp);
    sigaddset(&tstp, SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &tstp, nullptr);
    std::raise(SIGTSTP); // stops here until SIGCONT
    instalar(SIGTSTP, ao_suspender, 0);
    tomar_terminal();
    t.parado_ns += agora_ns() - parou;
    t.redesenhar = 1;
    errno = erro;
}

} // namespace

void ecoar_digitacao(std::string_view eco) {
    if (t.tela.size() < t.tamanho_sem_eco + maior_eco_guardado)
        t.tela.append(eco.substr(0, t.tamanho_sem_eco + maior_eco_guardado - t.tela.size()));
    anexar_saida(eco);
}

void redesenhar_se_voltou() {
    if (!t.redesenhar) return;
    t.redesenhar = 0;
    limpar_com_esquema();
    anexar_saida(t.tela);
    descarregar();
}

void mostrar_tela() {
    descarregar();
    redesenhar_se_voltou();
}

bool terminal_tomado() {
    return t.interativo;
}

void recomecar_prazos() {
    t.com_prazo = false;
}

forma_do_terminal forma_da_tela() {
    return {t.utf8, [](char32_t c) { return ::wcwidth(static_cast<wchar_t>(c)); },
            terminal_largura()};
}

int coluna_do_cursor() {
    return coluna_depois(t.tela, forma_da_tela());
}

void terminal_definir_locale() {
    // The encoding comes from the player's own locale; the Portuguese one must not change it.
    std::setlocale(LC_ALL, "");
    t.utf8 = !codificacao_de_um_byte(nl_langinfo(CODESET));
    const char* nomes_utf8[] = {"pt_BR.UTF-8", "pt_BR.utf8", "pt_PT.UTF-8", "pt_PT.utf8"};
    const char* nomes_um_byte[] = {"pt_BR.ISO-8859-1", "pt_BR", "pt_PT.ISO-8859-1", "pt_PT"};
    for (const char* nome : t.utf8 ? nomes_utf8 : nomes_um_byte)
        if (std::setlocale(LC_ALL, nome)) return;
    // The columns of typed characters come from the locale's table: a terminal taken for UTF-8
    // under the C locale gets the table of C.UTF-8, where the system has it.
    if (t.utf8 && !std::strstr(nl_langinfo(CODESET), "UTF-8"))
        for (const char* nome : {"C.UTF-8", "C.utf8"})
            if (std::setlocale(LC_CTYPE, nome)) return;
}

void terminal_iniciar() {
    t.saida_terminal = isatty(STDOUT_FILENO);
    if (!t.saida_terminal) return;
    t.interativo = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &t.original) == 0;
    t.capacidades = ler_capacidades(nullptr);
    compor_entrada_e_saida();
    // The screens are drawn in the console's normal scheme from the first one, so that a
    // terminal with a light theme shows them as a dark one does; its colours come back at exit.
    t.com_esquema = true;
    t.sgr_esquema = sgr_de_esquema(esquema_normal);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        instalar(s, ao_terminar, SA_RESETHAND);
    instalar(SIGTSTP, ao_suspender, 0);
    instalar(
        SIGCONT, [](int) {}, 0); // wakes sleeps and reads so that they redraw
    if (t.interativo) {
        t.do_jogo = t.original;
        t.do_jogo.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        t.do_jogo.c_cc[VMIN] = 1;
        t.do_jogo.c_cc[VTIME] = 0;
        tcsetattr(STDIN_FILENO, TCSADRAIN, &t.do_jogo);
    }
    // The alternate screen and the cursor colour go out with the first screen, in its write.
    t.saida.append(t.ao_tomar);
}

void terminal_escrever(std::string_view texto) {
    if (t.utf8) {
        desenhar(texto);
    } else {
        desenhar(em_um_byte(texto));
    }
}

void terminal_limpar() {
    t.tela.clear();
    t.tamanho_sem_eco = 0;
    limpar_com_esquema();
}

void terminal_definir_esquema(std::string_view esquema) {
    t.com_esquema = true;
    t.sgr_esquema = sgr_de_esquema(esquema);
    t.tela = sem_cores(t.tela);
    t.tamanho_sem_eco = t.tela.size();
    limpar_com_esquema();
    anexar_saida(t.tela);
}

void terminal_mover_cursor(int linha, int coluna) {
    desenhar(posicao(linha, coluna));
}

int terminal_largura() {
    const winsize tamanho = janela();
    return tamanho.ws_col > 0 ? tamanho.ws_col : largura_sem_janela();
}

// Sleeps to an absolute deadline. Waits that follow each other with only drawing between them
// keep one schedule: when this one begins within `folga_encadeada_ns` of the last deadline, it
// counts from that deadline, so the time spent waking up and drawing is not added to every wait
// and a whole game does not drift. After a read or a key wait, or a later start (the machine
// stalled), a new schedule begins from now, so no wait is cut short by more than that slack.
// Time spent stopped by Ctrl-Z does not count.
void terminal_dormir(int ms) {
    mostrar_tela();
    const long long agora = agora_ns();
    long long prazo = agora;
    if (t.com_prazo && agora - em_ns(t.prazo) <= folga_encadeada_ns) prazo = em_ns(t.prazo);
    prazo += ms * 1'000'000LL;
    long long parado = t.parado_ns;
    for (;;) {
        t.prazo = de_ns(prazo);
        t.com_prazo = true;
        if (dormir_ate(t.prazo) != EINTR) return;
        redesenhar_se_voltou();
        const long long parado_agora = t.parado_ns;
        prazo += parado_agora - parado;
        parado = parado_agora;
    }
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
    if (!t.falhando) {
        t.falhando = true;
        descarregar();
    }
    devolver_terminal(TCSAFLUSH);
    const char* partes[] = {"quirelo: ", o_que, erro != 0 ? ": " : "",
                            erro != 0 ? std::strerror(erro) : "", "\n"};
    for (const char* parte : partes) {
        ssize_t ignorado = ::write(STDERR_FILENO, parte, std::strlen(parte));
        (void)ignorado; // nowhere left to report to
    }
    std::exit(1);
}
