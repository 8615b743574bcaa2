// Runs the real game executable with its standard streams on pipes, a file or a pseudo-terminal,
// and collects what it wrote, how it ended and what it cost.
#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>

struct fim_do_jogo {
    bool terminou = false; // ended within the time allowed (otherwise it was killed)
    int sinal = 0;         // the signal that ended it, 0 when it exited
    int estado = -1;       // its exit status when it exited
    double cpu_segundos = 0;
    long memoria_kb = 0; // peak resident size
    std::string saida;   // what it wrote on standard output (or on the terminal)
    std::string erros;   // what it wrote on standard error
};

// How the game's standard output is given to it when its input is a pipe.
enum class saida_do_jogo { pipe, pipe_fechado, arquivo };

struct opcoes_do_jogo {
    saida_do_jogo saida = saida_do_jogo::pipe;
    bool ignorar_sigpipe = false; // started with SIGPIPE ignored, as some shells and daemons do
    int prazo_ms = 20000;
    // A first line of this many `letra` bytes (and its '\n'), sent before the input and made on
    // the fly: the test process never holds it, so the game's peak memory counts none of it.
    std::size_t linha_longa = 0;
    char letra = 'a';
    bool medir_memoria = false; // see `abrir_no_pty`
};

// The game with `entrada` written to its standard input, which is then closed.
fim_do_jogo jogar_com_pipes(std::string_view entrada, const opcoes_do_jogo& opcoes = {});

// The game on a pseudo-terminal of the given size. With `controlando` the terminal is the
// game's controlling terminal (it gets SIGHUP when the terminal hangs up); without, the game
// runs in a session of its own that has no controlling terminal. With `medir_memoria`, a game
// built with AddressSanitizer frees its memory at once instead of holding freed blocks in
// quarantine, so that its peak memory is the game's own.
struct jogo_no_pty {
    pid_t pid = -1;
    int mestre = -1;
    std::string saida; // everything the game wrote so far
};

jogo_no_pty abrir_no_pty(int colunas, int linhas, bool controlando = true,
                         bool medir_memoria = false);
// Reads the game's output until `texto` appears at or after `desde`; false on time-out.
bool esperar_texto(jogo_no_pty& jogo, std::string_view texto, std::size_t desde = 0,
                   int prazo_ms = 10000);
void digitar(jogo_no_pty& jogo, std::string_view bytes);
void redimensionar(jogo_no_pty& jogo, int colunas, int linhas);
// Closes the terminal's master side: the terminal hangs up.
void desligar(jogo_no_pty& jogo);
// Waits for the game to end, reading its output meanwhile; kills it after `prazo_ms`.
fim_do_jogo aguardar(jogo_no_pty& jogo, int prazo_ms = 10000);
