// The POSIX backend's modes and signals: the terminal taken, given back, and the handlers.
#include "console/comum/tela.h"
#include "console/posix/posix.h"

#include <cerrno>
#include <csignal>
#include <termios.h>
#include <unistd.h>

namespace {

// How long a restore waits for a terminal that takes no more (left non-blocking by a program).
constexpr long long espera_do_restauro_ns = 1'000'000'000;

// The signals whose handlers give the terminal back; while one of them runs, the others wait.
constexpr int sinais_do_terminal[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP};

// Made once, before any signal handler may read them.
struct estado_dos_modos {
    bool interativo = false; // both standard input and output are terminals, and we took them
    std::string ao_tomar;    // what the terminal is sent when the game takes it (or comes back)
    std::string ao_devolver; // and when the game gives it back (or stops)
    termios original{};      // the modes as the player left them
    termios do_jogo{};       // the modes the game runs in
};

estado_dos_modos modos;

// tcsetattr, again when a signal breaks it off.
void definir_modos(int acao, const termios& modos_novos) {
    while (tcsetattr(STDIN_FILENO, acao, &modos_novos) != 0 && errno == EINTR) {
    }
}

// While a handler runs, the other restoring signals wait, and SIGPIPE (a restore to a pipe nobody
// reads ends as its own signal says). `salvo_ignorado`: one started ignored (nohup) stays so.
void instalar(int sinal, void (*tratador)(int), int opcoes = 0, bool salvo_ignorado = false) {
    struct sigaction antes = {}, acao = {};
    if (salvo_ignorado && sigaction(sinal, nullptr, &antes) == 0 && antes.sa_handler == SIG_IGN)
        return;
    acao.sa_handler = tratador;
    sigemptyset(&acao.sa_mask);
    sigaddset(&acao.sa_mask, SIGPIPE);
    for (int s : sinais_do_terminal)
        sigaddset(&acao.sa_mask, s);
    acao.sa_flags = opcoes; // no SA_RESTART: waits come back to draw the screen again
    sigaction(sinal, &acao, nullptr);
}

// Ctrl-C, SIGTERM, SIGHUP, Ctrl-\: the terminal back, then the signal's own ending; a Ctrl-Z
// that came meanwhile is dropped, so that `fg` does not take the terminal again.
extern "C" void ao_terminar(int sinal) {
    devolver_terminal(TCSAFLUSH);
    instalar(SIGTSTP, SIG_IGN);
    std::raise(sinal); // delivered with its default action once this handler returns
}

// Ctrl-Z: stop with the terminal restored; on `fg`, take it again and redraw.
extern "C" void ao_suspender(int) {
    const int erro = errno;
    const long long parou = agora_ns();
    devolver_terminal(TCSADRAIN);
    instalar(SIGTSTP, SIG_DFL);
    sigset_t tstp;
    sigemptyset(&tstp);
    sigaddset(&tstp, SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &tstp, nullptr);
    std::raise(SIGTSTP); // stops here until SIGCONT
    instalar(SIGTSTP, ao_suspender);
    if (modos.interativo) definir_modos(TCSADRAIN, modos.do_jogo);
    escrever_tudo(modos.ao_tomar, agora_ns() + espera_do_restauro_ns);
    somar_parada(agora_ns() - parou);
    avisar(pedido_voltou);
    errno = erro;
}

extern "C" void ao_mudar_de_tamanho(int) {
    avisar(pedido_janela);
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

std::string_view ao_tomar() {
    return modos.ao_tomar;
}

void devolver_terminal(int acao) {
    escrever_tudo(modos.ao_devolver, agora_ns() + espera_do_restauro_ns);
    if (modos.interativo) definir_modos(acao, modos.original);
}

capacidades_do_terminal iniciar_modos() {
    capacidades_do_terminal c;
    const bool saida_terminal = isatty(STDOUT_FILENO);
    // Given back: the terminal's colours, then its cursor, then, on a terminal taken, the screen
    // cleared (for one without an alternate screen) and its main screen.
    modos.ao_devolver = atributos_normais;
    if (saida_terminal) {
        modos.interativo = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &modos.original) == 0;
        c = ler_capacidades(nullptr);
        iniciar_avisos();
        modos.ao_tomar = (modos.interativo ? c.entrar_na_alternativa : "") + c.cursor_cinza;
        modos.ao_devolver += c.cursor_original + "\033[?25h"; // the cursor shown
    }
    if (modos.interativo)
        modos.ao_devolver.append(cursor_ao_inicio)
            .append(apagar_tela)
            .append(c.sair_da_alternativa);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        instalar(s, ao_terminar, SA_RESETHAND, true);
    if (saida_terminal) {
        instalar(SIGTSTP, ao_suspender, 0, true);
        instalar(SIGWINCH, ao_mudar_de_tamanho);
    }
    if (modos.interativo) {
        modos.do_jogo = modos.original;
        // The game edits and echoes the lines itself. Without IEXTEN, macOS and the BSDs do not
        // act on Ctrl-O (discard output) and Ctrl-V (next key literal) outside canonical mode.
        modos.do_jogo.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | IEXTEN);
        modos.do_jogo.c_cc[VMIN] = 1;
        modos.do_jogo.c_cc[VTIME] = 0;
        definir_modos(TCSADRAIN, modos.do_jogo);
    }
    return c;
}
