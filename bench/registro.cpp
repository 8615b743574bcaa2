// Preloaded into the game by the benchmark: logs every write to the terminal and every blocking
// call with its CLOCK_MONOTONIC time, and the process's CPU time and peak memory at exit.
//
// Active only when QUIRELO_REGISTRO names the file to write the log into. The log is kept in a
// fixed array (only the pages it touches become resident) and written once, at exit. The times
// are read with the C library's own clock_gettime, looked up in libc itself past any preloaded
// library, so that a preloaded libfaketime does not fake them: they stay comparable with the
// benchmark's own clock, and cost no system call (the vDSO). The system call is the fallback.
//
// Log lines: "rusage <user us> <system us> <peak RSS KiB>", "inicio <ns>", then one line per
// event: "<W|P|R> <ns> <value>" for a write on fd 1 (bytes written), a wait (select, the game's
// one wait, for input, output or time: its time-out in ms, -1 for none) and a read on fd 0 (the
// bytes asked).
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <sys/select.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

namespace {

struct evento {
    long long ns;
    char tipo;
    long long valor;
};

constexpr std::size_t capacidade = 1 << 16;
evento eventos[capacidade];
std::size_t quantos = 0;
bool transbordou = false;
const char* caminho = nullptr;
long long inicio_ns = 0;

using clock_gettime_t = int (*)(clockid_t, timespec*);
clock_gettime_t relogio_da_libc = nullptr;

long long agora_ns() {
    timespec t{};
    if (relogio_da_libc) {
        relogio_da_libc(CLOCK_MONOTONIC, &t);
    } else {
        syscall(SYS_clock_gettime, CLOCK_MONOTONIC, &t);
    }
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

void anotar(char tipo, long long ns, long long valor) {
    if (!caminho) return;
    if (quantos == capacidade) {
        transbordou = true;
        return;
    }
    eventos[quantos++] = {ns, tipo, valor};
}

template <typename F> F real(F& guardada, const char* nome) {
    if (!guardada) guardada = reinterpret_cast<F>(dlsym(RTLD_NEXT, nome));
    return guardada;
}

using write_t = ssize_t (*)(int, const void*, size_t);
using read_t = ssize_t (*)(int, void*, size_t);
using select_t = int (*)(int, fd_set*, fd_set*, fd_set*, timeval*);

write_t write_real = nullptr;
read_t read_real = nullptr;
select_t select_real = nullptr;

__attribute__((constructor)) void ao_carregar() {
    caminho = std::getenv("QUIRELO_REGISTRO");
    if (void* libc = dlopen("libc.so.6", RTLD_LAZY | RTLD_NOLOAD))
        relogio_da_libc = reinterpret_cast<clock_gettime_t>(dlsym(libc, "clock_gettime"));
    inicio_ns = agora_ns();
}

__attribute__((destructor)) void ao_sair() {
    if (!caminho) return;
    rusage uso{};
    getrusage(RUSAGE_SELF, &uso);
    std::FILE* arquivo = std::fopen(caminho, "w");
    if (!arquivo) return;
    std::fprintf(arquivo, "rusage %lld %lld %ld\ninicio %lld\n",
                 static_cast<long long>(uso.ru_utime.tv_sec) * 1000000 + uso.ru_utime.tv_usec,
                 static_cast<long long>(uso.ru_stime.tv_sec) * 1000000 + uso.ru_stime.tv_usec,
                 uso.ru_maxrss, inicio_ns);
    for (std::size_t i = 0; i < quantos; ++i)
        std::fprintf(arquivo, "%c %lld %lld\n", eventos[i].tipo, eventos[i].ns, eventos[i].valor);
    if (transbordou) std::fputs("transbordou\n", arquivo);
    std::fclose(arquivo);
}

} // namespace

extern "C" {

ssize_t write(int fd, const void* dados, size_t tamanho) {
    const long long ns = agora_ns();
    const ssize_t r = real(write_real, "write")(fd, dados, tamanho);
    if (fd == STDOUT_FILENO) {
        const int erro = errno;
        anotar('W', ns, r);
        errno = erro;
    }
    return r;
}

ssize_t read(int fd, void* dados, size_t tamanho) {
    if (fd == STDIN_FILENO) anotar('R', agora_ns(), static_cast<long long>(tamanho));
    return real(read_real, "read")(fd, dados, tamanho);
}

int select(int n, fd_set* leitura, fd_set* escrita, fd_set* excecoes, timeval* tempo) {
    anotar('P', agora_ns(), tempo ? tempo->tv_sec * 1000LL + tempo->tv_usec / 1000 : -1);
    return real(select_real, "select")(n, leitura, escrita, excecoes, tempo);
}

} // extern "C"
