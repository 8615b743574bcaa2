// The POSIX backend's modes and signals: the terminal taken for the game (termios, the alternate
// screen), given back on every way out, and the handlers of the signals that stop or end it.
#include "console/esquema.h"
#include "console/posix/posix.h"
#include "console/terminal.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <termios.h>
#include <unistd.h>

namespace {

// The other sequences sent on taking and giving back the terminal, named once; the terminal's own
// variants come from terminfo (see capacidades.h).
constexpr std::string_view mostrar_cursor = "\033[?25h";

// How long the restore written from a signal handler waits for a terminal that takes no more
// output (a descriptor left non-blocking by another program), in waits of this many ms.
constexpr int esperas_do_restauro = 20;
constexpr int espera_do_restauro_ms = 50;

// The signals whose handlers give the terminal back; while one of them runs, the others wait.
constexpr int sinais_do_terminal[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP};

// The terminal's modes and the sequences that take it and give it back, made once, before any
// signal handler may read them.
struct estado_dos_modos {
    bool saida_terminal = false; // standard output is a terminal
    bool interativo = false;     // both standard input and output are terminals, and we took them
    std::string ao_tomar;        // what the terminal is sent when the game takes it (or comes back)
    std::string ao_devolver;     // and when the game gives it back (or stops)
    termios original{};          // the modes as the player left them
    termios do_jogo{};           // the modes the game runs in
};

estado_dos_modos modos;

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
    if (!modos.saida_terminal) return;
    enviar(modos.ao_devolver);
    if (modos.interativo) tcsetattr(STDIN_FILENO, acao, &modos.original);
}

void tomar_terminal() {
    if (modos.interativo) tcsetattr(STDIN_FILENO, TCSADRAIN, &modos.do_jogo);
    enviar(modos.ao_tomar);
}

// The sequences that take the terminal and give it back. Leaving, the screen is cleared before
// the main screen comes back, so that a terminal that ignores the alternate screen shows the
// shell a clean screen, not the game's.
void compor_entrada_e_saida(const capacidades_do_terminal& c) {
    modos.ao_tomar = c.cursor_cinza;
    modos.ao_devolver =
        std::string(atributos_normais) + c.cursor_original + std::string(mostrar_cursor);
    if (!modos.interativo) return; // the screen stays as the game left it, with the shell's colours
    modos.ao_tomar.insert(0, c.entrar_na_alternativa);
    modos.ao_devolver += cursor_ao_inicio;
    modos.ao_devolver += apagar_tela;
    modos.ao_devolver += c.sair_da_alternativa;
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

// Ctrl-C, SIGTERM, SIGHUP, Ctrl-\: the terminal back, then the signal's own ending. A Ctrl-Z
// that came meanwhile is dropped: the game is ending, it must not take the terminal again on
// `fg`.
extern "C" void ao_terminar(int sinal) {
    devolver_terminal(TCSAFLUSH);
    instalar(SIGTSTP, SIG_IGN, 0);
    std::raise(sinal); // delivered with its default action once this handler returns
}

// Ctrl-Z: stop with the terminal restored; on `fg`, take it again and redraw.
extern "C" void ao_suspender(int) {
    const int erro = errno;
    const long long parou = agora_ns();
    devolver_terminal(TCSADRAIN);
    instalar(SIGTSTP, SIG_DFL, 0);
    sigset_t tstp;
    sigemptyset(&tstp);
    sigaddset(&tstp, SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &tstp, nullptr);
    std::raise(SIGTSTP); // stops here until SIGCONT
    instalar(SIGTSTP, ao_suspender, 0);
    tomar_terminal();
    somar_parada(agora_ns() - parou);
    pedir_redesenho();
    acordar_esperas();
    errno = erro;
}

// A new window size: the screen on show is drawn again for it by the wait in progress.
extern "C" void ao_mudar_de_tamanho(int) {
    pedir_redesenho_da_janela();
    acordar_esperas();
}

} // namespace

sigset_t segurar_sinais() {
    sigset_t segurar, antes;
    sigemptyset(&segurar);
    for (int s : sinais_do_terminal)
        sigaddset(&segurar, s);
    sigprocmask(SIG_BLOCK, &segurar, &antes);
    return antes;
}

bool terminal_tomado() {
    return modos.interativo;
}

void terminal_iniciar() {
    modos.saida_terminal = isatty(STDOUT_FILENO);
    if (!modos.saida_terminal) return;
    modos.interativo = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &modos.original) == 0;
    const capacidades_do_terminal capacidades = ler_capacidades(nullptr);
    compor_entrada_e_saida(capacidades);
    iniciar_tela(capacidades, modos.ao_tomar);
    iniciar_avisos();
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        instalar(s, ao_terminar, SA_RESETHAND);
    instalar(SIGTSTP, ao_suspender, 0);
    instalar(
        SIGCONT, [](int) {}, 0); // wakes sleeps and reads so that they redraw
    instalar(SIGWINCH, ao_mudar_de_tamanho, 0);
    if (modos.interativo) {
        modos.do_jogo = modos.original;
        // No canonical mode and no echo: the game edits and echoes the lines itself. No IEXTEN:
        // where the system still acts on Ctrl-O (discard the output) and Ctrl-V (the next key
        // taken literally) without canonical mode, as macOS and the BSDs do, those keys must not.
        modos.do_jogo.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | IEXTEN);
        modos.do_jogo.c_cc[VMIN] = 1;
        modos.do_jogo.c_cc[VTIME] = 0;
        tcsetattr(STDIN_FILENO, TCSADRAIN, &modos.do_jogo);
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
    descarregar_ao_falhar();
    devolver_terminal(TCSAFLUSH);
    const char* partes[] = {"quirelo: ", o_que, erro != 0 ? ": " : "",
                            erro != 0 ? std::strerror(erro) : "", "\n"};
    for (const char* parte : partes) {
        ssize_t ignorado = ::write(STDERR_FILENO, parte, std::strlen(parte));
        (void)ignorado; // nowhere left to report to
    }
    std::exit(1);
}
