// Unit tests of the POSIX backend alone: the painting of a terminal without bce and the key wait
// on a pseudo-terminal of its own.
#include "console/posix/posix.h"
#include "console/terminal.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

// Every cell written, row by row; where the last cell would scroll the screen (am without
// xenl), it is filled by pushing the cell before it in with an inserted blank.
TEST(Pintura, CadaCelulaSemRolarATela) {
    EXPECT_EQ(pintura_da_janela(2, 3, true), "\033[1;1H   \033[2;1H   \033[H");
    EXPECT_EQ(pintura_da_janela(2, 3, false), "\033[1;1H   \033[2;1H  \033[2;2H\033[@ \033[H");
    EXPECT_EQ(pintura_da_janela(1, 1, false), "\033[1;1H \033[H") << "no cell to push from";
}

// Keys typed before a key wait begins stay for the reads: only a key pressed during the wait
// ends it. The backend runs in a child whose terminal is a pty; the parent types.
TEST(EsperaDeTecla, OQueFoiDigitadoAntesFicaParaAsLeituras) {
    int mestre = -1;
    winsize tamanho{};
    tamanho.ws_row = 30;
    tamanho.ws_col = 80;
    const pid_t filho = forkpty(&mestre, nullptr, nullptr, &tamanho);
    ASSERT_GE(filho, 0);
    if (filho == 0) {
        setenv("TERM", "xterm", 1);
        terminal_iniciar();
        usleep(200'000); // "3\n" is typed now, before the wait
        terminal_esperar_tecla();
        std::string linha;
        const bool lida = terminal_ler_entrada(linha);
        _exit(lida && linha == "3\n" ? 0 : 1);
    }
    const auto digitar = [&](const char* teclas) {
        ASSERT_EQ(write(mestre, teclas, std::char_traits<char>::length(teclas)),
                  static_cast<ssize_t>(std::char_traits<char>::length(teclas)));
    };
    usleep(50'000);
    digitar("3\r");
    usleep(400'000);
    digitar("x");
    int estado = -1;
    for (int i = 0; i < 200 && waitpid(filho, &estado, WNOHANG) == 0; ++i) {
        pollfd p{mestre, POLLIN, 0};
        char lixo[4096];
        if (poll(&p, 1, 20) > 0 && read(mestre, lixo, sizeof lixo) <= 0) break;
    }
    if (waitpid(filho, &estado, WNOHANG) == 0) kill(filho, SIGKILL), waitpid(filho, &estado, 0);
    close(mestre);
    EXPECT_TRUE(WIFEXITED(estado) && WEXITSTATUS(estado) == 0)
        << "the key wait took a key typed before it, or the read lost it";
}
