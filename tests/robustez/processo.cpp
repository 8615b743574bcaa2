// Starting the real game executable on pipes, a file or a pseudo-terminal, and watching it end.
#include "tests/robustez/processo.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

using relogio = std::chrono::steady_clock;

int ms_ate(relogio::time_point prazo) {
    const auto resta =
        std::chrono::duration_cast<std::chrono::milliseconds>(prazo - relogio::now()).count();
    return resta > 0 ? static_cast<int>(resta) : 0;
}

[[noreturn]] void falhou(const char* oque) {
    throw std::runtime_error(std::string(oque) + ": " + std::strerror(errno));
}

// In the child: the game itself, with default signal handling and a known environment.
[[noreturn]] void executar_jogo(bool ignorar_sigpipe, bool medir_memoria) {
    sigset_t nenhum;
    sigemptyset(&nenhum);
    sigprocmask(SIG_SETMASK, &nenhum, nullptr);
    std::signal(SIGPIPE, ignorar_sigpipe ? SIG_IGN : SIG_DFL);
    setenv("TERM", "xterm", 1);
    setenv("LC_ALL", "C.UTF-8", 1);
    if (medir_memoria) {
        const char* antes = getenv("ASAN_OPTIONS");
        const std::string opcoes = std::string(antes ? antes : "") + ":quarantine_size_mb=0";
        setenv("ASAN_OPTIONS", opcoes.c_str(), 1);
    }
    execl(QUIRELO_EXE, QUIRELO_EXE, static_cast<char*>(nullptr));
    _exit(127);
}

// Waits for `pid` until `prazo`, then kills it; fills the ending and the costs.
void colher(pid_t pid, relogio::time_point prazo, fim_do_jogo& fim) {
    int status = 0;
    rusage uso{};
    for (;;) {
        const pid_t r = wait4(pid, &status, WNOHANG, &uso);
        if (r == pid) break;
        if (r < 0 && errno != EINTR) falhou("wait4");
        if (relogio::now() >= prazo) {
            kill(pid, SIGKILL);
            wait4(pid, &status, 0, &uso);
            fim.terminou = false;
            return;
        }
        usleep(2000);
    }
    fim.terminou = true;
    fim.sinal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    fim.estado = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    fim.cpu_segundos = static_cast<double>(uso.ru_utime.tv_sec + uso.ru_stime.tv_sec) +
                       static_cast<double>(uso.ru_utime.tv_usec + uso.ru_stime.tv_usec) / 1e6;
    fim.memoria_kb = uso.ru_maxrss;
}

// Appends what `fd` has to `destino`; false once it is closed.
bool drenar(int fd, std::string& destino) {
    char bloco[65536];
    const ssize_t lidos = read(fd, bloco, sizeof bloco);
    if (lidos > 0) {
        destino.append(bloco, static_cast<std::size_t>(lidos));
        return true;
    }
    return lidos < 0 && (errno == EINTR || errno == EAGAIN);
}

} // namespace

fim_do_jogo jogar_com_pipes(std::string_view entrada, const opcoes_do_jogo& opcoes) {
    int pipe_entrada[2], pipe_saida[2] = {-1, -1}, pipe_erros[2];
    if (pipe(pipe_entrada) != 0 || pipe(pipe_erros) != 0) falhou("pipe");
    char nome_arquivo[] = "/tmp/quirelo_saida_XXXXXX";
    int arquivo = -1;
    if (opcoes.saida == saida_do_jogo::arquivo) {
        arquivo = mkstemp(nome_arquivo);
        if (arquivo < 0) falhou("mkstemp");
    } else {
        if (pipe(pipe_saida) != 0) falhou("pipe");
        // Nobody reads a closed pipe: its read end is gone before the game writes anything.
        if (opcoes.saida == saida_do_jogo::pipe_fechado) close(pipe_saida[0]), pipe_saida[0] = -1;
    }
    const auto prazo = relogio::now() + std::chrono::milliseconds(opcoes.prazo_ms);
    const pid_t pid = fork();
    if (pid < 0) falhou("fork");
    if (pid == 0) {
        dup2(pipe_entrada[0], STDIN_FILENO);
        dup2(arquivo >= 0 ? arquivo : pipe_saida[1], STDOUT_FILENO);
        dup2(pipe_erros[1], STDERR_FILENO);
        for (int fd : {pipe_entrada[0], pipe_entrada[1], pipe_saida[0], pipe_saida[1],
                       pipe_erros[0], pipe_erros[1], arquivo})
            if (fd > STDERR_FILENO) close(fd);
        executar_jogo(opcoes.ignorar_sigpipe, opcoes.medir_memoria);
    }
    close(pipe_entrada[0]);
    close(pipe_erros[1]);
    if (pipe_saida[1] >= 0) close(pipe_saida[1]);

    // The test itself must not die when the game stops reading early.
    const auto antes = std::signal(SIGPIPE, SIG_IGN);
    fim_do_jogo fim;
    int escrita = pipe_entrada[1];
    fcntl(escrita, F_SETFL, O_NONBLOCK);
    std::size_t enviados = 0, longa_enviados = 0;
    const std::size_t longa = opcoes.linha_longa ? opcoes.linha_longa + 1 : 0;
    const std::string bloco_da_longa(65536, opcoes.letra);
    bool saida_aberta = pipe_saida[0] >= 0, erros_abertos = true;
    if (entrada.empty() && longa == 0) close(escrita), escrita = -1;
    while ((escrita >= 0 || saida_aberta || erros_abertos) && relogio::now() < prazo) {
        pollfd fds[3] = {{saida_aberta ? pipe_saida[0] : -1, POLLIN, 0},
                         {erros_abertos ? pipe_erros[0] : -1, POLLIN, 0},
                         {escrita, POLLOUT, 0}};
        if (poll(fds, 3, std::min(ms_ate(prazo), 100)) < 0 && errno != EINTR) falhou("poll");
        if (fds[0].revents) saida_aberta = drenar(pipe_saida[0], fim.saida);
        if (fds[1].revents) erros_abertos = drenar(pipe_erros[0], fim.erros);
        if (escrita >= 0 && fds[2].revents && longa_enviados < longa) {
            const std::size_t resta = longa - longa_enviados;
            ssize_t n = 0;
            if (resta == 1) {
                n = write(escrita, "\n", 1);
            } else {
                n = write(escrita, bloco_da_longa.data(),
                          std::min(resta - 1, bloco_da_longa.size()));
            }
            if (n > 0) longa_enviados += static_cast<std::size_t>(n);
            if (n < 0 && errno != EAGAIN && errno != EINTR) close(escrita), escrita = -1;
        } else if (escrita >= 0 && fds[2].revents) {
            const ssize_t n = write(escrita, entrada.data() + enviados, entrada.size() - enviados);
            if (n > 0) enviados += static_cast<std::size_t>(n);
            if ((n < 0 && errno != EAGAIN && errno != EINTR) || enviados == entrada.size())
                close(escrita), escrita = -1;
        }
    }
    if (escrita >= 0) close(escrita);
    colher(pid, prazo, fim);
    std::signal(SIGPIPE, antes);
    if (pipe_saida[0] >= 0) close(pipe_saida[0]);
    close(pipe_erros[0]);
    if (arquivo >= 0) {
        lseek(arquivo, 0, SEEK_SET);
        while (drenar(arquivo, fim.saida)) {
        }
        close(arquivo);
        unlink(nome_arquivo);
    }
    return fim;
}

jogo_no_pty abrir_no_pty(int colunas, int linhas, bool controlando, bool medir_memoria) {
    winsize tamanho{};
    tamanho.ws_col = static_cast<unsigned short>(colunas);
    tamanho.ws_row = static_cast<unsigned short>(linhas);
    jogo_no_pty jogo;
    if (controlando) {
        jogo.pid = forkpty(&jogo.mestre, nullptr, nullptr, &tamanho);
        if (jogo.pid < 0) falhou("forkpty");
        if (jogo.pid == 0) executar_jogo(false, medir_memoria);
    } else {
        int escravo = -1;
        if (openpty(&jogo.mestre, &escravo, nullptr, nullptr, &tamanho) != 0) falhou("openpty");
        jogo.pid = fork();
        if (jogo.pid < 0) falhou("fork");
        if (jogo.pid == 0) {
            setsid(); // a session of its own, and the terminal is not its controlling one
            for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO})
                dup2(escravo, fd);
            if (escravo > STDERR_FILENO) close(escravo);
            close(jogo.mestre);
            executar_jogo(false, medir_memoria);
        }
        close(escravo);
    }
    fcntl(jogo.mestre, F_SETFL, O_NONBLOCK);
    return jogo;
}

bool esperar_texto(jogo_no_pty& jogo, std::string_view texto, std::size_t desde, int prazo_ms) {
    const auto prazo = relogio::now() + std::chrono::milliseconds(prazo_ms);
    while (jogo.saida.find(texto, desde) == std::string::npos) {
        if (relogio::now() >= prazo) return false;
        pollfd p{jogo.mestre, POLLIN, 0};
        poll(&p, 1, std::min(ms_ate(prazo), 100));
        if (p.revents && !drenar(jogo.mestre, jogo.saida)) return false; // the game is gone
    }
    return true;
}

void digitar(jogo_no_pty& jogo, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(jogo.mestre, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            falhou("write");
        } else {
            // The terminal's input is full: take the game's echo meanwhile.
            pollfd p{jogo.mestre, POLLIN, 0};
            poll(&p, 1, 10);
            if (p.revents) drenar(jogo.mestre, jogo.saida);
        }
    }
}

void redimensionar(jogo_no_pty& jogo, int colunas, int linhas) {
    winsize tamanho{};
    tamanho.ws_col = static_cast<unsigned short>(colunas);
    tamanho.ws_row = static_cast<unsigned short>(linhas);
    // The kernel sends SIGWINCH to the terminal's foreground process group.
    if (ioctl(jogo.mestre, TIOCSWINSZ, &tamanho) != 0) falhou("TIOCSWINSZ");
}

void desligar(jogo_no_pty& jogo) {
    close(jogo.mestre);
    jogo.mestre = -1;
}

fim_do_jogo aguardar(jogo_no_pty& jogo, int prazo_ms) {
    const auto prazo = relogio::now() + std::chrono::milliseconds(prazo_ms);
    fim_do_jogo fim;
    while (jogo.mestre >= 0 && relogio::now() < prazo) {
        siginfo_t info{};
        if (waitid(P_PID, static_cast<id_t>(jogo.pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
            info.si_pid == jogo.pid)
            break; // ended: reaped below
        pollfd p{jogo.mestre, POLLIN, 0};
        poll(&p, 1, std::min(ms_ate(prazo), 20));
        if (p.revents && !drenar(jogo.mestre, jogo.saida)) break;
    }
    colher(jogo.pid, prazo, fim);
    if (jogo.mestre >= 0) {
        while (drenar(jogo.mestre, jogo.saida)) {
            pollfd p{jogo.mestre, POLLIN, 0};
            if (poll(&p, 1, 0) <= 0) break;
        }
        close(jogo.mestre);
        jogo.mestre = -1;
    }
    fim.saida = jogo.saida;
    return fim;
}
