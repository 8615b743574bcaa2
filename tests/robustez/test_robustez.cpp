// The real executable under bad input and faults of its surroundings: closed pipes, files,
// huge and binary lines, window sizes and resizes, and a terminal that hangs up.
#include "tests/robustez/processo.h"
#include "tests/telas_esperadas.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

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
bool tecla_ate_o_menu(jogo_no_pty& jogo) {
    const std::size_t depois = jogo.saida.size();
    for (int tentativa = 0; tentativa < 5; ++tentativa) {
        digitar(jogo, "x");
        if (esperar_texto(jogo, aviso_do_menu, depois, 2000)) return true;
    }
    return false;
}

// Ctrl-U drops whatever the line holds (a key typed ahead), then Ctrl-D ends the input.
void fim_da_entrada(jogo_no_pty& jogo) {
    digitar(jogo, "\x15\x04");
}

// The game must end by itself, soon and without spinning on the dead terminal: a read that
// begins after the hang-up sees the end of input (status 0), one that was waiting fails with
// EIO (status 1).
void esperar_saida_sem_girar(jogo_no_pty& jogo) {
    const fim_do_jogo fim = aguardar(jogo, 5000);
    ASSERT_TRUE(fim.terminou);
    EXPECT_EQ(fim.sinal, 0);
    EXPECT_TRUE(fim.estado == 0 || fim.estado == 1) << fim.estado;
    EXPECT_LT(fim.cpu_segundos, 1.0);
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
    EXPECT_LT(dezesseis.memoria_kb - curta.memoria_kb, 4096)
        << curta.memoria_kb << " KiB for a short line, " << dezesseis.memoria_kb << " for 16 MiB";
}

TEST(Terminal, JanelaRedimensionadaDuranteOJogo) {
    jogo_no_pty jogo = abrir_no_pty(80, 30);
    ASSERT_TRUE(esperar_texto(jogo, aviso_do_menu));
    EXPECT_NE(jogo.saida.find(opcao_1_em_80), std::string::npos);
    digitar(jogo, "2\n");
    ASSERT_TRUE(esperar_texto(jogo, prompt_da_tecla));
    redimensionar(jogo, 120, 30);
    const std::size_t depois = jogo.saida.size();
    ASSERT_TRUE(tecla_ate_o_menu(jogo));
    EXPECT_NE(jogo.saida.find(opcao_1_em_120, depois), std::string::npos);
    EXPECT_EQ(jogo.saida.find(opcao_1_em_80, depois), std::string::npos);
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
        jogo_no_pty jogo = abrir_no_pty(colunas, linhas);
        ASSERT_TRUE(esperar_texto(jogo, aviso_do_menu));
        digitar(jogo, "3\n");
        ASSERT_TRUE(esperar_texto(jogo, prompt_da_tecla));
        const std::size_t depois = jogo.saida.size();
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
// game does not spin on the dead terminal meanwhile.
TEST(Terminal, DesligadoDuranteUmaLeitura) {
    {
        SCOPED_TRACE("controlling terminal, menu read: SIGHUP after the terminal is restored");
        jogo_no_pty jogo = abrir_no_pty(80, 30, true);
        ASSERT_TRUE(esperar_texto(jogo, aviso_do_menu));
        desligar(jogo);
        const fim_do_jogo fim = aguardar(jogo, 5000);
        ASSERT_TRUE(fim.terminou);
        EXPECT_EQ(fim.sinal, SIGHUP); // status 129 in a shell
        EXPECT_LT(fim.cpu_segundos, 1.0);
    }
    {
        SCOPED_TRACE("no controlling terminal, menu read");
        jogo_no_pty jogo = abrir_no_pty(80, 30, false);
        ASSERT_TRUE(esperar_texto(jogo, aviso_do_menu));
        desligar(jogo);
        esperar_saida_sem_girar(jogo);
    }
    {
        SCOPED_TRACE("no controlling terminal, key wait");
        jogo_no_pty jogo = abrir_no_pty(80, 30, false);
        ASSERT_TRUE(esperar_texto(jogo, aviso_do_menu));
        digitar(jogo, "2\n");
        ASSERT_TRUE(esperar_texto(jogo, prompt_da_tecla));
        desligar(jogo);
        esperar_saida_sem_girar(jogo);
    }
}

// A line typed at the terminal is echoed as it is typed; what the game keeps of it to redraw
// the screen must not grow with it.
TEST(Terminal, LinhaLongaDigitadaComMemoriaLimitada) {
    auto digitada = [](std::size_t tamanho) {
        jogo_no_pty jogo = abrir_no_pty(80, 30, true, true);
        EXPECT_TRUE(esperar_texto(jogo, aviso_do_menu));
        digitar(jogo, std::string(tamanho, 'a') + "\n");
        EXPECT_TRUE(esperar_texto(jogo, invalida, 0, 60000));
        EXPECT_TRUE(esperar_texto(jogo, aviso_do_menu, jogo.saida.find(invalida)));
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
    EXPECT_LT(longa.memoria_kb - curta.memoria_kb, 4096)
        << curta.memoria_kb << " KiB for a short line, " << longa.memoria_kb << " for 8 MiB";
}

// Input that keeps arriving as the rules screen begins its key wait (a paste of megabytes) is
// set aside only up to a bound: the game's memory stays that of a game that read nothing, the
// rest of the paste ends the wait, and the menu takes it as one invalid option.
TEST(Terminal, EntradaSemFimAntesDeUmaTeclaComMemoriaLimitada) {
    jogo_no_pty so_o_menu = abrir_no_pty(80, 30, true, true);
    EXPECT_TRUE(esperar_texto(so_o_menu, aviso_do_menu));
    fim_da_entrada(so_o_menu);
    const fim_do_jogo base = aguardar(so_o_menu);

    jogo_no_pty jogo = abrir_no_pty(80, 30, true, true);
    EXPECT_TRUE(esperar_texto(jogo, aviso_do_menu));
    // "2", then 32 MiB, written from a thread of its own as fast as the terminal takes them,
    // while this one reads the game's output (the echo of the paste among it).
    std::thread escritor([&jogo] {
        const std::string bloco(1 << 16, 'a');
        std::string resto = "2\n";
        for (int blocos = 512; !resto.empty() || blocos > 0;) {
            if (resto.empty()) resto = --blocos > 0 ? bloco : bloco + "\n";
            pollfd p{jogo.mestre, POLLOUT, 0};
            poll(&p, 1, 100);
            const ssize_t n = write(jogo.mestre, resto.data(), resto.size());
            if (n > 0) resto.erase(0, static_cast<std::size_t>(n));
        }
    });
    EXPECT_TRUE(esperar_texto(jogo, prompt_da_tecla, 0, 60000));
    EXPECT_TRUE(esperar_texto(jogo, invalida, 0, 60000));
    escritor.join();
    EXPECT_TRUE(esperar_texto(jogo, aviso_do_menu, jogo.saida.find(invalida)));
    fim_da_entrada(jogo);
    const fim_do_jogo colada = aguardar(jogo);
    ASSERT_TRUE(base.terminou);
    ASSERT_TRUE(colada.terminou);
    std::printf("peak memory: %ld KiB (the menu alone), %ld KiB (32 MiB arriving before a key "
                "wait)\n",
                base.memoria_kb, colada.memoria_kb);
    EXPECT_EQ(colada.estado, 0);
    EXPECT_LT(colada.memoria_kb - base.memoria_kb, 4096);
}
