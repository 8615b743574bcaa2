// The real executable under bad input and faults of its surroundings: closed pipes, files,
// huge and binary lines, window sizes and resizes, and a terminal that hangs up.
#include "tests/child_process.h"
#include "tests/telas_esperadas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

// Present only in a program built with AddressSanitizer, as the tests are built with the game.
extern "C" void __asan_init() __attribute__((weak));

// Whether the peak memory of two games can be compared: with AddressSanitizer, its own allocator
// and shadow grow by megabytes with the pattern of allocations of a long line (3 to 5 MiB seen),
// where the system's allocator grows by 0.2 MiB, so the comparison is the plain build's.
bool memoria_comparavel() {
    return &__asan_init == nullptr;
}

using child::Session;
using std::chrono::milliseconds;

// What the game writes, looked for in its output.
const std::string& invalida = esperado::opcao_invalida.texto;
const std::string& regras = esperado::titulo(esperado::regras);
const std::string& creditos = esperado::titulo(esperado::creditos);
const std::string& prompt_do_menu = esperado::menu.back().texto; // the block's last row
const std::string& aviso_do_menu = esperado::aviso_do_menu;
const std::string& prompt_da_tecla = esperado::tecla;
const std::string tela_alternativa = "\033[?1049h";
const std::string tela_principal = "\033[?1049l";
// Where the menu puts "[ 1 ] COMECAR JOGO" (row 14) in windows 80 and 120 columns wide.
const std::string opcao_1_em_80 = "\033[15;21H";
const std::string opcao_1_em_120 = "\033[15;41H";

// How the game ended, and what it wrote and cost.
struct fim_do_jogo {
    bool terminou = false; // ended within the time allowed (otherwise it was killed)
    int sinal = 0;         // the signal that ended it, 0 when it exited
    int estado = -1;       // its exit status when it exited
    double cpu_segundos = 0;
    long memoria_kb = 0; // peak resident size
    std::string saida;   // what it wrote on standard output (or on the terminal)
    std::string erros;   // what it wrote on standard error
};

fim_do_jogo fim_de(const child::Process& jogo, bool terminou, std::string saida) {
    const int st = jogo.wait_status();
    return {terminou,
            terminou && WIFSIGNALED(st) ? WTERMSIG(st) : 0,
            terminou && WIFEXITED(st) ? WEXITSTATUS(st) : -1,
            jogo.cpu_seconds(),
            jogo.peak_memory_kb(),
            std::move(saida),
            jogo.errors()};
}

// The game, with TERM=xterm and a UTF-8 locale in the test's own environment. With
// `medir_memoria`, a game built with AddressSanitizer frees its memory at once instead of
// holding freed blocks in quarantine, so that its peak memory is the game's own.
child::Start o_jogo(Session sessao, bool medir_memoria = false, bool ignorar_sigpipe = false) {
    std::vector<std::string> mudancas = {"TERM=xterm", "LC_ALL=C.UTF-8"};
    if (medir_memoria) {
        const char* antes = std::getenv("ASAN_OPTIONS");
        mudancas.push_back(std::string("ASAN_OPTIONS=") + (antes ? antes : "") +
                           ":quarantine_size_mb=0");
    }
    return {QUIRELO_EXE,
            {},
            child::with_changes(child::own_environment(), mudancas),
            sessao,
            ignorar_sigpipe};
}

// The game on a pseudo-terminal of the given size: its controlling terminal (a hang-up sends it
// SIGHUP) unless `sessao` is Session::None, a session of its own with no controlling terminal.
child::Process no_pty(int colunas, int linhas, Session sessao = Session::Own,
                      bool medir_memoria = false) {
    return child::Process(o_jogo(sessao, medir_memoria), linhas, colunas);
}

// Reads the game's output until `texto` appears at or after `desde`; false on time-out.
bool esperar_texto(child::Process& jogo, std::string_view texto, std::size_t desde = 0,
                   int prazo_ms = 10000) {
    return jogo.wait_for_output(texto, desde, milliseconds(prazo_ms));
}

// Waits for the game to end, reading its output meanwhile; kills it after `prazo_ms`.
fim_do_jogo aguardar(child::Process& jogo, int prazo_ms = 10000) {
    const bool terminou = jogo.end_within(milliseconds(prazo_ms));
    return fim_de(jogo, terminou, jogo.output());
}

// How the game's standard output is given to it when its input is a pipe.
enum class saida_do_jogo { pipe, pipe_fechado, arquivo };

struct opcoes_do_jogo {
    saida_do_jogo saida = saida_do_jogo::pipe;
    bool ignorar_sigpipe = false; // started with SIGPIPE ignored, as some shells and daemons do
    int prazo_ms = 20000;
    // A first line of this many `letra` bytes (and its '\n'), sent before the input, a piece at a
    // time.
    std::size_t linha_longa = 0;
    char letra = 'a';
    bool medir_memoria = false; // see `o_jogo`
};

// The game with `entrada` written to its standard input, which is then closed.
fim_do_jogo jogar_com_pipes(std::string_view entrada, const opcoes_do_jogo& opcoes = {}) {
    child::Start inicio = o_jogo(Session::Test, opcoes.medir_memoria, opcoes.ignorar_sigpipe);
    char nome_arquivo[] = "/tmp/quirelo_saida_XXXXXX";
    int saida = child::piped, fechado[2] = {-1, -1};
    if (opcoes.saida == saida_do_jogo::arquivo) {
        saida = mkstemp(nome_arquivo);
        if (saida < 0) throw std::runtime_error("mkstemp");
    } else if (opcoes.saida == saida_do_jogo::pipe_fechado) {
        // Nobody reads a closed pipe: its read end is gone before the game writes anything.
        if (pipe(fechado) != 0) throw std::runtime_error("pipe");
        close(fechado[0]);
        saida = fechado[1];
    }
    inicio.streams = {child::piped, saida, child::piped};
    child::Process jogo(inicio);
    if (fechado[1] >= 0) close(fechado[1]);
    const std::string bloco(std::min<std::size_t>(opcoes.linha_longa, 65536), opcoes.letra);
    for (std::size_t resta = opcoes.linha_longa; resta > 0; resta -= std::min(resta, bloco.size()))
        jogo.type(std::string_view(bloco).substr(0, resta));
    if (opcoes.linha_longa > 0) jogo.type("\n");
    jogo.type(entrada);
    jogo.end_input();
    const bool terminou = jogo.end_within(milliseconds(opcoes.prazo_ms));
    if (opcoes.saida != saida_do_jogo::arquivo) return fim_de(jogo, terminou, jogo.output());
    close(saida);
    std::ifstream arquivo(nome_arquivo, std::ios::binary);
    std::string escrito{std::istreambuf_iterator<char>(arquivo), {}};
    unlink(nome_arquivo);
    return fim_de(jogo, terminou, std::move(escrito));
}

int contar(const std::string& texto, const std::string& parte) {
    int n = 0;
    for (auto p = texto.find(parte); p != std::string::npos; p = texto.find(parte, p + 1))
        ++n;
    return n;
}

// The game ended by itself with status 0 at the end of its input.
void terminou_bem(const fim_do_jogo& fim) {
    ASSERT_TRUE(fim.terminou) << "still running at the deadline";
    EXPECT_EQ(fim.sinal, 0);
    EXPECT_EQ(fim.estado, 0);
    EXPECT_EQ(fim.erros, "");
}

// Presses a key at the key prompt and waits for the menu that follows. A key that arrives while
// the wait is still starting counts as typed ahead (it stays for the reads, and the wait goes
// on), so the key is pressed again if the menu does not come.
bool tecla_ate_o_menu(child::Process& jogo) {
    const std::size_t depois = jogo.output().size();
    for (int tentativa = 0; tentativa < 5; ++tentativa) {
        jogo.type("x");
        if (esperar_texto(jogo, aviso_do_menu, depois, 2000)) return true;
    }
    return false;
}

// Ctrl-U drops whatever the line holds (a key typed ahead), then Ctrl-D ends the input.
void fim_da_entrada(child::Process& jogo) {
    jogo.type("\x15\x04");
}

} // namespace

TEST(SaidaDoJogo, PipeFechadoTerminaPorSigpipeEmSilencio) {
    opcoes_do_jogo opcoes;
    opcoes.saida = saida_do_jogo::pipe_fechado;
    const fim_do_jogo fim = jogar_com_pipes("2\n3\n", opcoes);
    ASSERT_TRUE(fim.terminou);
    EXPECT_EQ(fim.sinal, SIGPIPE); // what `quirelo | head` gives a shell: status 141
    EXPECT_EQ(fim.erros, "");

    // Started with SIGPIPE ignored, the write fails with EPIPE: the same ending, before any
    // more input is taken.
    opcoes.ignorar_sigpipe = true;
    std::string muita_entrada;
    for (int i = 0; i < 2000; ++i)
        muita_entrada += "2\n";
    const fim_do_jogo ignorado = jogar_com_pipes(muita_entrada, opcoes);
    ASSERT_TRUE(ignorado.terminou);
    EXPECT_EQ(ignorado.sinal, SIGPIPE);
    EXPECT_EQ(ignorado.erros, "");
}

TEST(SaidaDoJogo, ArquivoRecebeAsTelasSemModosDeTerminal) {
    opcoes_do_jogo opcoes;
    opcoes.saida = saida_do_jogo::arquivo;
    const fim_do_jogo fim = jogar_com_pipes("2\n3\n", opcoes);
    terminou_bem(fim);
    EXPECT_EQ(contar(fim.saida, regras), 1);
    EXPECT_EQ(contar(fim.saida, creditos), 1);
    EXPECT_EQ(contar(fim.saida, prompt_do_menu), 3);
    EXPECT_EQ(fim.saida.find(tela_alternativa), std::string::npos);
}

// Each bad line is one invalid option, never read again; the next good line still works.
TEST(EntradaRuim, CadaLinhaRuimEUmaOpcaoInvalida) {
    const struct {
        const char* nome;
        std::string linhas;
        int invalidas;
    } casos[] = {
        {"5000 digits", std::string(5000, '7') + "\n", 1},
        {"5000 digits after a sign", "-" + std::string(5000, '1') + "\n", 1},
        {"NUL bytes", std::string("\0\n\0\0\0\n", 6), 2},
        {"NUL after a digit", std::string("3\0\n", 3), 1}, // credits, then the NUL is not a number
        {"invalid UTF-8", "\xff\xfe\n\xc3\n\x80\x80\x80\n", 3},
        {"control bytes and escapes", "\x1b[A\x01\x7f\n", 1},
    };
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.nome);
        const fim_do_jogo fim = jogar_com_pipes(caso.linhas + "2\n");
        terminou_bem(fim);
        EXPECT_EQ(contar(fim.saida, invalida), caso.invalidas);
        EXPECT_EQ(contar(fim.saida, regras), 1);
    }
}

TEST(EntradaRuim, FimDaEntradaNoMeioDeUmaLinha) {
    const fim_do_jogo fim = jogar_com_pipes("xyz");
    terminou_bem(fim);
    EXPECT_EQ(contar(fim.saida, invalida), 1);
    EXPECT_EQ(contar(fim.saida, prompt_do_menu), 2);
}

TEST(EntradaRuim, LinhaDeUmMegabyteComMemoriaLimitada) {
    opcoes_do_jogo opcoes;
    opcoes.medir_memoria = true;
    opcoes.linha_longa = 1;
    const fim_do_jogo curta = jogar_com_pipes("2\n", opcoes);
    terminou_bem(curta);
    opcoes.linha_longa = 1 << 20;
    const fim_do_jogo megabyte = jogar_com_pipes("2\n", opcoes);
    terminou_bem(megabyte);
    EXPECT_EQ(contar(megabyte.saida, invalida), 1);
    EXPECT_EQ(contar(megabyte.saida, regras), 1);
    opcoes.linha_longa = 16 << 20;
    opcoes.letra = '9'; // one number 16 million digits long
    const fim_do_jogo dezesseis = jogar_com_pipes("2\n", opcoes);
    terminou_bem(dezesseis);
    EXPECT_EQ(contar(dezesseis.saida, invalida), 1);
    std::printf(
        "peak memory from a pipe: %ld KiB (short line), %ld KiB (1 MiB), %ld KiB (16 MiB)\n",
        curta.memoria_kb, megabyte.memoria_kb, dezesseis.memoria_kb);
    // The line passes through in pieces: a line 16 MiB long costs no more memory than a short.
    if (memoria_comparavel()) {
        EXPECT_LT(dezesseis.memoria_kb - curta.memoria_kb, 4096)
            << curta.memoria_kb << " KiB for a short line, " << dezesseis.memoria_kb
            << " for 16 MiB";
    }
}

TEST(Terminal, JanelaRedimensionadaDuranteOJogo) {
    child::Process jogo = no_pty(80, 30);
    ASSERT_TRUE(esperar_texto(jogo, aviso_do_menu));
    EXPECT_NE(jogo.output().find(opcao_1_em_80), std::string::npos);
    jogo.type("2\n");
    ASSERT_TRUE(esperar_texto(jogo, prompt_da_tecla));
    jogo.resize(30, 120);
    const std::size_t depois = jogo.output().size();
    ASSERT_TRUE(tecla_ate_o_menu(jogo));
    EXPECT_NE(jogo.output().find(opcao_1_em_120, depois), std::string::npos);
    EXPECT_EQ(jogo.output().find(opcao_1_em_80, depois), std::string::npos);
    fim_da_entrada(jogo);
    const fim_do_jogo fim = aguardar(jogo);
    ASSERT_TRUE(fim.terminou);
    EXPECT_EQ(fim.estado, 0);
    EXPECT_NE(fim.saida.find(tela_principal, depois), std::string::npos);
}

// In windows narrower than the menu the cursor is never moved: the menu still works.
TEST(Terminal, JanelasMenoresQueOMenu) {
    for (auto [colunas, linhas] : {std::pair{1, 1}, std::pair{20, 10}}) {
        SCOPED_TRACE(std::to_string(colunas) + "x" + std::to_string(linhas));
        child::Process jogo = no_pty(colunas, linhas);
        ASSERT_TRUE(esperar_texto(jogo, aviso_do_menu));
        jogo.type("3\n");
        ASSERT_TRUE(esperar_texto(jogo, prompt_da_tecla));
        const std::size_t depois = jogo.output().size();
        ASSERT_TRUE(tecla_ate_o_menu(jogo));
        fim_da_entrada(jogo);
        const fim_do_jogo fim = aguardar(jogo);
        ASSERT_TRUE(fim.terminou);
        EXPECT_EQ(fim.estado, 0);
        EXPECT_EQ(contar(fim.saida, creditos), 1);
        EXPECT_EQ(fim.saida.find("\033[15;"), std::string::npos);
        EXPECT_NE(fim.saida.find(tela_principal, depois), std::string::npos);
    }
}

// A hung-up terminal ends the game at once, whether it waits for a line or for a key, and the
// game does not spin on the dead terminal meanwhile. With a controlling terminal, the hang-up's
// SIGHUP ends it once the terminal is restored (status 129 in a shell); without one, a read that
// begins after the hang-up sees the end of input (status 0), one that was waiting fails with EIO
// (status 1).
TEST(Terminal, DesligadoDuranteUmaLeitura) {
    const struct {
        const char* nome;
        Session sessao;
        const char* opcao; // typed before the hang-up, to wait for a key instead of a line
    } casos[] = {
        {"controlling terminal, menu read", Session::Own, nullptr},
        {"no controlling terminal, menu read", Session::None, nullptr},
        {"no controlling terminal, key wait", Session::None, "2\n"},
    };
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.nome);
        child::Process jogo = no_pty(80, 30, caso.sessao);
        ASSERT_TRUE(esperar_texto(jogo, aviso_do_menu));
        if (caso.opcao) {
            jogo.type(caso.opcao);
            ASSERT_TRUE(esperar_texto(jogo, prompt_da_tecla));
        }
        jogo.hang_up();
        const fim_do_jogo fim = aguardar(jogo, 5000);
        ASSERT_TRUE(fim.terminou);
        EXPECT_LT(fim.cpu_segundos, 1.0);
        EXPECT_EQ(fim.sinal, caso.sessao == Session::Own ? SIGHUP : 0);
        if (caso.sessao != Session::Own) {
            EXPECT_TRUE(fim.estado == 0 || fim.estado == 1) << fim.estado;
        }
    }
}

// Started with one of its standard descriptors closed, the others on its terminal: without input
// or output it ends at once with status 1 and the line that says which failed; without standard
// error it plays. Nothing the game opens takes the closed descriptor (its own pipe on 0 would be
// read as the player's input, for ever).
TEST(Terminal, UmDescritorPadraoFechadoNoInicio) {
    const struct {
        int fechado;
        const char* erro; // the line's start on standard error; none when the game plays
    } casos[] = {
        {STDIN_FILENO, "quirelo: erro ao ler a entrada: "},
        {STDOUT_FILENO, "quirelo: erro ao escrever na saida: "},
        {STDERR_FILENO, nullptr},
    };
    for (const auto& caso : casos) {
        SCOPED_TRACE("descriptor " + std::to_string(caso.fechado) + " closed");
        child::Start inicio = o_jogo(Session::Own);
        inicio.streams[static_cast<std::size_t>(caso.fechado)] = child::closed;
        child::Process jogo(inicio);
        if (!caso.erro) {
            ASSERT_TRUE(esperar_texto(jogo, aviso_do_menu));
            const auto onde = [&](int fd) -> std::string {
                char em[256] = "";
                const std::string fd_em = "/proc/" + std::to_string(jogo.pid()) + "/fd/";
                if (readlink((fd_em + std::to_string(fd)).c_str(), em, sizeof em - 1) < 0)
                    return "closed";
                return std::string_view(em).starts_with("/dev/pts/") ? "the terminal" : em;
            };
            for (int fd = 0; fd < 3; ++fd)
                EXPECT_EQ(onde(fd), fd == caso.fechado ? "closed" : "the terminal") << "fd " << fd;
            jogo.type("3\r");
            ASSERT_TRUE(esperar_texto(jogo, creditos));
            ASSERT_TRUE(tecla_ate_o_menu(jogo));
            fim_da_entrada(jogo);
        }
        const fim_do_jogo fim = aguardar(jogo);
        if (!fim.terminou) {
            ADD_FAILURE() << "still running after 10 s, " << contar(fim.saida, aviso_do_menu)
                          << " menu(s) drawn";
            continue;
        }
        EXPECT_EQ(fim.estado, caso.erro ? 1 : 0);
        if (caso.erro) {
            EXPECT_EQ(contar(fim.saida, "quirelo: "), 1);
            // The line, with the system's reason after its start.
            const auto linha = fim.saida.find(caso.erro),
                       fim_da_linha = fim.saida.find("\r\n", linha);
            EXPECT_TRUE(linha != std::string::npos && fim_da_linha != std::string::npos &&
                        fim_da_linha > linha + std::strlen(caso.erro))
                << fim.saida;
        }
    }
}

// Where poll() cannot watch the terminal (macOS, for /dev/tty), the waits still wait: a key ends
// the rules, a lone Esc is dropped once the rest of a key had time to come, and a menu left
// waiting on a non-blocking terminal takes no processor time.
TEST(Terminal, OndePollNaoVigiaOTerminal) {
    for (const bool nao_bloqueante : {false, true}) {
        SCOPED_TRACE(nao_bloqueante ? "non-blocking" : "blocking");
        child::Start inicio = o_jogo(Session::Own);
        inicio.env = child::with_changes(inicio.env, {"LD_PRELOAD=" POLL_SEM_TERMINAIS,
                                                      "ASAN_OPTIONS=verify_asan_link_order=0"});
        inicio.nonblocking = nao_bloqueante;
        child::Process jogo(inicio, 30, 80);
        ASSERT_TRUE(esperar_texto(jogo, aviso_do_menu));
        std::this_thread::sleep_for(milliseconds(2000)); // idle at the menu
        jogo.type("\033");
        std::this_thread::sleep_for(milliseconds(200));
        jogo.type("2\n");
        ASSERT_TRUE(esperar_texto(jogo, prompt_da_tecla, 0, 5000)) << "Esc ate the 2";
        EXPECT_EQ(contar(jogo.output(), invalida), 0);
        ASSERT_TRUE(tecla_ate_o_menu(jogo)) << "a key did not end the rules";
        fim_da_entrada(jogo);
        const fim_do_jogo fim = aguardar(jogo);
        ASSERT_TRUE(fim.terminou);
        EXPECT_EQ(fim.estado, 0);
        std::printf("CPU time, 2 s idle at the menu: %.3f s\n", fim.cpu_segundos);
        EXPECT_LT(fim.cpu_segundos, 0.5);
    }
}

// A line typed at the terminal is echoed as it is typed; what the game keeps of it to redraw
// the screen must not grow with it.
TEST(Terminal, LinhaLongaDigitadaComMemoriaLimitada) {
    auto digitada = [](std::size_t tamanho) {
        child::Process jogo = no_pty(80, 30, Session::Own, true);
        EXPECT_TRUE(esperar_texto(jogo, aviso_do_menu));
        jogo.type(std::string(tamanho, 'a') + "\n");
        EXPECT_TRUE(esperar_texto(jogo, invalida, 0, 60000));
        EXPECT_TRUE(esperar_texto(jogo, aviso_do_menu, jogo.output().find(invalida)));
        fim_da_entrada(jogo);
        return aguardar(jogo);
    };
    const fim_do_jogo curta = digitada(1);
    const fim_do_jogo longa = digitada(8 << 20);
    ASSERT_TRUE(curta.terminou);
    ASSERT_TRUE(longa.terminou);
    std::printf("peak memory at a terminal: %ld KiB (short line), %ld KiB (8 MiB typed)\n",
                curta.memoria_kb, longa.memoria_kb);
    EXPECT_EQ(longa.estado, 0);
    if (memoria_comparavel()) {
        EXPECT_LT(longa.memoria_kb - curta.memoria_kb, 4096)
            << curta.memoria_kb << " KiB for a short line, " << longa.memoria_kb << " for 8 MiB";
    }
}

// Input that keeps arriving as the rules screen begins its key wait (a paste of megabytes) is
// set aside only up to a bound: the game's memory stays that of a game that read nothing, the
// rest of the paste ends the wait, and the menu takes it as one invalid option.
TEST(Terminal, EntradaSemFimAntesDeUmaTeclaComMemoriaLimitada) {
    child::Process so_o_menu = no_pty(80, 30, Session::Own, true);
    EXPECT_TRUE(esperar_texto(so_o_menu, aviso_do_menu));
    fim_da_entrada(so_o_menu);
    const fim_do_jogo base = aguardar(so_o_menu);

    child::Process jogo = no_pty(80, 30, Session::Own, true);
    EXPECT_TRUE(esperar_texto(jogo, aviso_do_menu));
    // "2", then 32 MiB, typed as fast as the terminal takes them, the game's output (the echo of
    // the paste among it) read whenever it takes no more.
    jogo.type("2\n" + std::string(32 << 20, 'a') + "\n");
    EXPECT_TRUE(esperar_texto(jogo, prompt_da_tecla, 0, 60000));
    EXPECT_TRUE(esperar_texto(jogo, invalida, 0, 60000));
    EXPECT_TRUE(esperar_texto(jogo, aviso_do_menu, jogo.output().find(invalida)));
    fim_da_entrada(jogo);
    const fim_do_jogo colada = aguardar(jogo);
    ASSERT_TRUE(base.terminou);
    ASSERT_TRUE(colada.terminou);
    std::printf("peak memory: %ld KiB (the menu alone), %ld KiB (32 MiB arriving before a key "
                "wait)\n",
                base.memoria_kb, colada.memoria_kb);
    EXPECT_EQ(colada.estado, 0);
    if (memoria_comparavel()) {
        EXPECT_LT(colada.memoria_kb - base.memoria_kb, 4096);
    }
}
